// The process's pseudo-random generator and GUID source.
//
// Seeded once from the clock at start-up (Randomize); the game id, the
// temporary folder's name and nothing else draw on it.
#pragma once

#include <array>
#include <cstdint>

using CGuid = std::array<std::uint8_t, 16>;

void Randomize();
// A pseudo-random integer of at least 0 and below limit (limit > 0).
std::int32_t RandomBelow(std::int32_t limit);
// A new random (version 4) GUID, as the 16 bytes it occupies in memory and
// in the file header.
CGuid NewGuid();
