// One action definition of an action library.
//
// A definition carries the descriptive values that an action copies when it
// is bound to the definition's (library id, action id).  Only the fields the
// converter reads are kept here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace transvane {

inline constexpr int ActionArgumentCount = 8;

struct LibraryAction {
    std::int32_t Id = 0;
    std::int32_t DefValue1 = 0;
    // The three flags are declared in this order, but they feed the action's
    // flags crosswise: Flag1 becomes the action's DefFlag2, Flag2 its
    // DefFlag3 and Flag3 its DefFlag1.
    bool Flag1 = false;
    bool Flag2 = false;
    bool Flag3 = false;
    std::int32_t DefValue3 = 0;
    std::array<std::int32_t, ActionArgumentCount> ArgumentKinds{};
    std::array<std::string, ActionArgumentCount> DefaultArguments{};
    std::int32_t DefValue2 = 0;
    std::string DefText1;
    std::string DefText2;
};

// Element index of the definition's argument kinds and default arguments;
// an index outside 0..7 gives 0 and the empty string.
std::int32_t ArgumentKind(const LibraryAction& action, int index);
std::string DefaultArgument(const LibraryAction& action, int index);

}  // namespace transvane
