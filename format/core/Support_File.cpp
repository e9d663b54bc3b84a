#include "format/core/Support_File.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "format/core/Support_Progress.h"
#include "format/core/Support_Random.h"

namespace transvane {

namespace fs = std::filesystem;

bool FileExists(const std::string& name) {
    std::error_code error;
    return fs::is_regular_file(PathOf(name), error);
}

bool DirectoryExists(const std::string& name) {
    std::error_code error;
    return fs::is_directory(PathOf(name), error);
}

std::vector<std::string> MissingFolders(const std::string& folder) {
    std::vector<std::string> missing;
    fs::path path = PathOf(folder);
    if (!path.has_filename())
        path = path.parent_path();  // "a/b/" names a/b
    for (; !path.empty(); path = path.parent_path()) {
        std::error_code error;
        if (fs::exists(path, error) || error)
            break;
        missing.push_back(NameOf(path));
    }
    return missing;
}

bool IsSpecialFile(const std::string& name) {
    std::error_code error;
    const fs::file_status status = fs::status(PathOf(name), error);
    return !error && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

std::string ReadProblem(const std::string& name) {
    std::error_code error;
    const fs::file_status status = fs::status(PathOf(name), error);
    if (error)
        return error.message();
    if (fs::is_directory(status))
        return std::strerror(EISDIR);
    if (!fs::is_regular_file(status))
        return "not an ordinary file";
    const int fd = OpenForReading(name);
    if (fd < 0)
        return std::strerror(errno);
    CloseFile(fd);
    return {};
}

bool IsDeviceName(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' && stem[3] <= '9';
}

std::string ChangeFileExt(const std::string& name, const std::string& extension) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos)
        return name + extension;
    return name.substr(0, dot) + extension;
}

std::string CaseFolded(std::string name) {
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string ExtensionInCaseOf(const std::string& name, const std::string& extension) {
    const std::string leaf = NameOf(PathOf(name).filename());
    const std::size_t dot = leaf.find_last_of('.');
    if (dot == std::string::npos)
        return extension;
    bool letters = false;
    for (const char c : std::string_view(leaf).substr(dot)) {
        if (std::islower(static_cast<unsigned char>(c)))
            return extension;
        letters = letters || std::isupper(static_cast<unsigned char>(c));
    }
    std::string capitals = extension;
    for (char& c : capitals)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return letters ? capitals : extension;
}

CTempFolder::CTempFolder(CFeedback* feedback) {
    const std::string fixed = FixedTemporaryFolder();
    std::string base = fixed;
    if (const std::string temp = EnvironmentValue("temp"); !temp.empty())
        base = temp;
    else if (const std::string tmp = EnvironmentValue("tmp"); !tmp.empty())
        base = tmp;

    if (TryCreate(base) || TryCreate(fixed))
        return;
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (!error && TryCreate(NameOf(here)))
        return;
    FBase.clear();
    FPath.clear();
    if (feedback != nullptr)
        feedback->ShowMessage("Failed to create temp dir. This can create serious problems with sounds, etc.", {});
}

bool CTempFolder::TryCreate(const std::string& base) {
    FBase = base;
    std::error_code error;
    if (!fs::is_directory(PathOf(base), error))
        fs::create_directories(PathOf(base), error);
    // A name that does not exist yet, made by this call (create_directory
    // says whether it made it), so that an earlier run that ended
    // abnormally and left its folder behind, or another window starting
    // at the same moment, is never shared.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string path = base + "/vt_ttt_" + std::to_string(RandomBelow(100000));
        if (fs::create_directory(PathOf(path), error) && !error) {
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
    if (FPath.empty() || !fs::is_directory(PathOf(FPath), error))
        return;
    for (const auto& entry : fs::directory_iterator(PathOf(FPath), error)) {
        const std::string leaf = NameOf(entry.path().filename());
        if (!leaf.empty() && leaf[0] != '.' && entry.is_regular_file(error))
            fs::remove(entry.path(), error);
    }
    fs::remove(PathOf(FPath), error);
}

}  // namespace transvane
