// The output folder on Windows (cli/Support_SafeName.h).  Windows opens no
// file relative to a folder's handle: each name is checked before it is
// used, and a link (a symbolic link or junction) is refused as a folder and
// removed, never followed, as a file that is replaced.
#include "cli/Support_SafeName.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <io.h>

#include "format/core/Support_Platform.h"
#include "format/core/windows/Support_Utf16.h"

namespace transvane {

namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

COutputFolder::COutputFolder(const std::string& path) : FPath(path) {
    // Parents first, as mkdir -p does; the folder the user names may be a
    // link to elsewhere, that is their choice.
    std::error_code error;
    std::filesystem::create_directories(PathOf(path), error);
    if (!std::filesystem::is_directory(PathOf(path), error))
        throw std::runtime_error(path + ": " + (error ? error.message() : std::string("not a folder")));
}

COutputFolder::~COutputFolder() = default;

COutputFolder COutputFolder::Subfolder(const std::string& name) const {
    const std::string path = FPath + "/" + name;
    if (MakeFolder(path) != 0 && errno != EEXIST)
        throw std::runtime_error(path + ": " + Reason());
    if (KindOfName(path) != ENameKind::Folder)
        throw std::runtime_error(path + ": not a folder");
    return COutputFolder(-1, path);
}

bool COutputFolder::Has(const std::string& name) const { return KindOfName(FPath + "/" + name) != ENameKind::Missing; }

int COutputFolder::CreateFile(const std::string& name, bool replace) const {
    const std::string path = FPath + "/" + name;
    int handle = CreateNewFile(path, 0666);
    if (handle < 0 && errno == EEXIST && replace) {
        const ENameKind kind = KindOfName(path);
        if (kind != ENameKind::File && kind != ENameKind::Link)
            throw std::runtime_error(path + ": not a file");
        if (RemoveFile(path.c_str()) != 0)
            throw std::runtime_error(path + ": " + Reason());
        handle = CreateNewFile(path, 0666);
    }
    if (handle < 0)
        throw std::runtime_error(path + ": " + (errno == EEXIST ? std::string("exists already") : Reason()));
    return handle;
}

void COutputFolder::Rename(const std::string& from, const std::string& to) const {
    const std::string path = FPath + "/" + to;
    const ENameKind kind = KindOfName(path);
    if (kind != ENameKind::File && kind != ENameKind::Link && kind != ENameKind::Missing)
        throw std::runtime_error(path + ": not a file");
    if (RenameReplacing((FPath + "/" + from).c_str(), path.c_str()) != 0)
        throw std::runtime_error(path + ": " + Reason());
}

// The system flushes a file only through a handle that may write; the
// file is opened for writing without being emptied.
void SyncFileAt(const std::string& path) {
    const int handle = ::_wopen(Widen(path).c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
    if (handle < 0)
        throw std::runtime_error(path + ": " + Reason());
    const bool synced = SyncFile(handle);
    const int error = errno;
    CloseFile(handle);
    if (!synced)
        throw std::runtime_error(path + ": " + std::strerror(error));
}

}  // namespace transvane
