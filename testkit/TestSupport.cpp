#include "testkit/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

CScratchFolder::CScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "transvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    FPath = pattern;
}

CScratchFolder::~CScratchFolder() {
    std::error_code error;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(FPath, error);
}

CBlock Bytes(std::initializer_list<int> values) {
    CBlock bytes;
    for (int value : values)
        bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

CBlock ReadWholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + name);
    return CBlock(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& name, const CBlock& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
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
