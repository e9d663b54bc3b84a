// Little-endian numbers inside byte buffers: the headers of BMP and icon
// files, raw section bytes.  (The project stream has its own typed reads;
// these are for bytes already in memory.)  The caller checks that the bytes
// are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace transvane {

inline std::uint16_t Get16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline std::uint32_t Get32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

inline void Put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void Append16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Append16(out, static_cast<std::uint16_t>(value));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace transvane
