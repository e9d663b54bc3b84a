#include "format/core/Support_File.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

#include "format/core/Support_Progress.h"
#include "format/core/Support_Random.h"

extern char** environ;

namespace transvane {

namespace fs = std::filesystem;

namespace {

// Where the platform keeps temporary files when nothing says otherwise.
const std::string FixedTempBase = "/tmp";

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool FileExists(const std::string& name) {
    std::error_code error;
    return fs::is_regular_file(name, error);
}

bool DirectoryExists(const std::string& name) {
    std::error_code error;
    return fs::is_directory(name, error);
}

std::string ReadProblem(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0)
        return std::strerror(errno);
    if (S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    if (!S_ISREG(info.st_mode))
        return "not an ordinary file";
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    return {};
}

std::optional<CFileIdentity> FileIdentity(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0)
        return std::nullopt;
    return CFileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::string ChangeFileExt(const std::string& name, const std::string& extension) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos)
        return name + extension;
    return name.substr(0, dot) + extension;
}

std::string EnvironmentValue(const std::string& name) {
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string pair(*entry);
        const std::size_t equals = pair.find('=');
        if (equals != std::string::npos && EqualsIgnoringCase(pair.substr(0, equals), name))
            return pair.substr(equals + 1);
    }
    return {};
}

CTempFolder::CTempFolder() {
    std::string base = FixedTempBase;
    if (const std::string temp = EnvironmentValue("temp"); !temp.empty())
        base = temp;
    else if (const std::string tmp = EnvironmentValue("tmp"); !tmp.empty())
        base = tmp;

    if (TryCreate(base) || TryCreate(FixedTempBase))
        return;
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (!error && TryCreate(here.string()))
        return;
    FBase.clear();
    FPath.clear();
    ShowMessage("Failed to create temp dir. This can create serious problems with sounds, etc.");
}

bool CTempFolder::TryCreate(const std::string& base) {
    FBase = base;
    std::error_code error;
    if (!fs::is_directory(base, error))
        fs::create_directories(base, error);
    // A name that does not exist yet, made by this call (create_directory
    // says whether it made it), so that an earlier run that ended
    // abnormally and left its folder behind, or another window starting
    // at the same moment, is never shared.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string path = base + "/vt_ttt_" + std::to_string(RandomBelow(100000));
        if (fs::create_directory(path, error) && !error) {
            FPath = path;
            return true;
        }
        if (error && error != std::errc::file_exists)
            return false;
    }
    return false;
}

CTempFolder::~CTempFolder() {
    std::error_code error;
    if (FPath.empty() || !fs::is_directory(FPath, error))
        return;
    for (const auto& entry : fs::directory_iterator(FPath, error)) {
        const std::string leaf = entry.path().filename().string();
        if (!leaf.empty() && leaf[0] != '.' && entry.is_regular_file(error))
            fs::remove(entry.path(), error);
    }
    fs::remove(FPath, error);
}

}  // namespace transvane
