// Random numbers for the game id, hidden temporary names and GUIDs.
//
// Each is drawn from the system's entropy source when it is needed: there is
// no generator to seed, and two conversions, threads or processes started in
// the same clock tick never draw the same numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace transvane {

using CGuid = std::array<std::uint8_t, 16>;

// A random integer of at least 0 and below limit (limit > 0).
std::int32_t RandomBelow(std::int32_t limit);
// A new random (version 4) GUID, as the 16 bytes it occupies in memory and
// in the file header.
CGuid NewGuid();
// A GUID in its registry form, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: the
// first three fields little-endian, as they are stored.
std::string GuidText(const CGuid& guid);

}  // namespace transvane
