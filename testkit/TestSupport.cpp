#include "testkit/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "format/core/Support_Platform.h"

namespace transvane {

CScratchFolder::CScratchFolder() {
    // A name no other test (of this run or another) holds: create_directory
    // says whether this call made the folder.
    std::random_device entropy;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
        const std::filesystem::path folder = base / ("transvane-test-" + std::to_string(entropy()));
        std::error_code error;
        if (std::filesystem::create_directory(folder, error) && !error)
            FPath = NameOf(folder);
    }
    if (FPath.empty())
        throw std::runtime_error("cannot create a scratch folder");
}

CScratchFolder::~CScratchFolder() {
    std::error_code error;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(FPath, error);
}

CBlock Bytes(std::initializer_list<int> values) {
    CBlock bytes;
    for (int value : values)
        bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

CBlock Bytes(const std::string& text) { return CBlock(text.begin(), text.end()); }

std::string Text(const CBlock& bytes) { return std::string(bytes.begin(), bytes.end()); }

CBlock Patched(CBlock bytes, std::size_t at, std::int32_t value) {
    CStream stream(std::move(bytes));
    stream.SetPosition(at);
    stream.WriteInt(value);
    return stream.TakeBytes();
}

std::vector<CBlock> SpoiledCopies(const CBlock& bytes, int count, unsigned seed) {
    static constexpr std::int32_t Hostile[] = {
        0, -1, 8, 9, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u), 0x10000000, 400, 500, 2};
    std::mt19937 random(seed);
    std::vector<CBlock> copies;
    if (bytes.empty())
        return copies;
    auto below = [&](std::size_t limit) { return std::uniform_int_distribution<std::size_t>(0, limit - 1)(random); };
    for (int i = 0; i < count; ++i) {
        CBlock copy = bytes;
        if (i % 3 == 0) {
            copy.resize(below(copy.size()));
        } else {
            for (int k = 0; k < 1 + i % 4; ++k) {
                if (copy.size() < 4)
                    break;
                // Numbers sit on 4-byte boundaries in most records.
                const std::size_t at = below(copy.size() / 4) * 4;
                const std::int32_t value = Hostile[below(std::size(Hostile))];
                copy = Patched(std::move(copy), at, value);
            }
        }
        copies.push_back(std::move(copy));
    }
    return copies;
}

CBlock NoiseBytes(std::size_t size, std::uint32_t seed) {
    CBlock bytes(size);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    return bytes;
}

CBlock ReadWholeFile(const std::string& name) {
    std::ifstream in(PathOf(name), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + name);
    return CBlock(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> FolderContents(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(path), error))
        names.push_back(NameOf(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> FolderTree(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PathOf(path)))
        names.push_back(NameOf(entry.path().lexically_relative(PathOf(path))));
    std::sort(names.begin(), names.end());
    return names;
}

void WriteWholeFile(const std::string& name, const CBlock& bytes) {
    std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + name);
}

CGuid TestGuid() {
    CGuid guid{};
    for (std::size_t i = 0; i < guid.size(); ++i)
        guid[i] = static_cast<std::uint8_t>(0xA0 + i);
    return guid;
}

void WriteHeader(CStream& stream, std::int32_t version, std::int32_t gameId, const CGuid& guid) {
    stream.WriteInt(1234321);
    stream.WriteInt(version);
    stream.WriteInt(0);
    stream.WriteInt(gameId);
    if (version >= 410)
        stream.Write(guid);
}

CBlock HeaderOnly(std::int32_t version) {
    CStream stream;
    WriteHeader(stream, version);
    return stream.TakeBytes();
}

void SetTestEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetTestEnvironment(const std::string& name) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), "");  // an empty value removes the variable there
#else
    ::unsetenv(name.c_str());
#endif
}

}  // namespace transvane
