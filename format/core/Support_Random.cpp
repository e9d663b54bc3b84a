#include "format/core/Support_Random.h"

#include <cstdio>
#include <random>

namespace transvane {

std::int32_t RandomBelow(std::int32_t limit) {
    // A few numbers per conversion: asking the system each time costs
    // nothing worth a generator of our own to keep and share.
    std::random_device entropy;
    std::uniform_int_distribution<std::int32_t> pick(0, limit - 1);
    return pick(entropy);
}

CGuid NewGuid() {
    std::random_device entropy;
    CGuid guid{};
    for (std::size_t i = 0; i < guid.size(); i += 4) {
        const auto word = entropy();
        for (std::size_t k = 0; k < 4; ++k)
            guid[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    // Version 4 in the high nibble of the third field, RFC 4122 variant.
    guid[7] = static_cast<std::uint8_t>((guid[7] & 0x0F) | 0x40);
    guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);
    return guid;
}

std::string GuidText(const CGuid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3],
                  g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

}  // namespace transvane
