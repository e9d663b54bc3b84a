// Little-endian numbers inside byte buffers: the headers of BMP and icon
// files, raw section bytes.  (The project stream has its own typed reads;
// these are for bytes already in memory.)  The caller checks that the bytes
// are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Copies count bytes, at most eight, from source to target, which may
// overlap.  A model of a million short texts (an action's "0", "self", a
// number) copies them with a few moves each, where memmove's call and
// dispatch on the length would cost more than the bytes.
inline void CopyFewBytes(void* target, const void* source, std::size_t count) noexcept {
    auto* to = static_cast<unsigned char*>(target);
    const auto* from = static_cast<const unsigned char*>(source);
    // Two overlapping moves cover every length of their range; both are
    // loaded before either is stored.
    if (count >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + count - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + count - 4, &tail, 4);
    } else if (count > 0) {
        const unsigned char first = from[0], middle = from[count / 2], last = from[count - 1];
        to[0] = first;
        to[count / 2] = middle;
        to[count - 1] = last;
    }
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
