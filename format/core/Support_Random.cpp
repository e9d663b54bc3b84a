#include "format/core/Support_Random.h"

#include <chrono>
#include <mutex>
#include <random>

namespace {
std::mt19937& Generator() {
    static std::mt19937 generator;
    return generator;
}

// Conversions on several threads each draw a GameId when they clear their
// project: the one generator is drawn from under this lock.
std::mutex& GeneratorLock() {
    static std::mutex lock;
    return lock;
}
}  // namespace

void Randomize() {
    const std::lock_guard<std::mutex> guard(GeneratorLock());
    Generator().seed(static_cast<std::mt19937::result_type>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^
        std::chrono::system_clock::now().time_since_epoch().count()));
}

std::int32_t RandomBelow(std::int32_t limit) {
    std::uniform_int_distribution<std::int32_t> pick(0, limit - 1);
    const std::lock_guard<std::mutex> guard(GeneratorLock());
    return pick(Generator());
}

CGuid NewGuid() {
    // Drawn from the system's entropy source, not the seeded generator, so
    // that two games started in the same clock tick never share a GUID.
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
