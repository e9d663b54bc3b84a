// One action: a step in the list of steps that an event carries.
//
// An action is named by (library id, action id).  Old project files name it
// by a single old action number instead, which is translated into library 1
// and a new action id while the record is read.  An action also carries a
// copy of its definition's descriptive values, which stands in for the
// definition whenever that is not registered (always, in the converter).
//
// Action record, older layout (read only):
//
//   int32 tag 400
//   int32 old action number
//   int32 Selector
//   bool  ActionFlag
//   int32 n, then n x string Arguments
//
// Action record, newer layout (read and written):
//
//   int32 tag 440
//   int32 LibraryId, int32 ActionId
//   int32 DefValue1
//   bool  DefFlag1, bool DefFlag2, bool DefFlag3
//   int32 DefValue2
//   string DefText1, string DefText2
//   int32 DefValue3
//   int32 k (written 8), then k x int32 ArgumentKinds
//   int32 Selector
//   bool  ActionFlag
//   int32 n (written 8), then n x string Arguments
//   bool  TailFlag
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "format/behaviour/Library_Actions.h"
#include "format/core/Support_CompactString.h"
#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t ActionTagOld = 400;
inline constexpr std::int32_t ActionTagNew = 440;

// The library that every old action number is translated into.
inline constexpr std::int32_t OldActionLibraryId = 1;

// The new action id of an old action number, or nothing for a number that
// has none (anything outside 1..69).
std::optional<std::int32_t> TranslateOldAction(std::int32_t oldNumber);

class CAction final {
public:
    // Every field zero or empty, then ResetValues.
    CAction();
    // Bound to the pair as by SetAction, then ResetValues.  For a library
    // other than 0: an old number without translation would pass unreported.
    CAction(std::int32_t libraryId, std::int32_t actionId);
    ~CAction() = default;

    CAction(const CAction&) = delete;
    CAction& operator=(const CAction&) = delete;

    // The registered definition of LibraryId and ActionId, if any.
    const LibraryAction* FindDefinition() const;
    // Binds the action to the pair.  Library id 0 means the action id is an
    // old action number: it becomes library 1 and the translated id, or,
    // for a number without translation, keeps the number after a message
    // through core.  A registered definition replaces the definition copy.
    void SetAction(CCoreState& core, std::int32_t libraryId, std::int32_t actionId);
    // Per-instance values back to their defaults.
    void ResetValues();

    // Reads a record of either layout; false for an unknown tag, after
    // reading only the tag.
    bool Load(CStream& stream);
    // Writes the newer layout.
    bool Save(CStream& stream);

    // 0 means ActionId still holds an old action number.
    std::int32_t LibraryId = 0;
    std::int32_t ActionId = 0;
    // The definition copy: carried, never interpreted.
    std::int32_t DefValue1 = 0;
    bool DefFlag1 = false;
    bool DefFlag2 = false;
    bool DefFlag3 = false;
    std::int32_t DefValue2 = 0;
    CCompactString DefText1;
    CCompactString DefText2;
    std::int32_t DefValue3 = 0;
    std::array<std::int32_t, ActionArgumentCount> ArgumentKinds{};
    // The instance's own values.
    std::int32_t Selector = -1;
    bool ActionFlag = false;
    std::array<CCompactString, ActionArgumentCount> Arguments;
    bool TailFlag = false;

private:
    // SetAction without the report: false for an old number without
    // translation.
    bool Bind(std::int32_t libraryId, std::int32_t actionId);
    // Arguments from first on to the defaults of definition ("0" without
    // one).
    void ResetArgumentsFrom(const LibraryAction* definition, std::size_t first);
};

}  // namespace transvane
