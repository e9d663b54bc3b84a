// The output folder on POSIX systems (cli/Support_SafeName.h): every file
// and subfolder is made relative to the folder's descriptor, so that a
// link put in place meanwhile is never followed.
#include "cli/Support_SafeName.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "format/core/Support_Platform.h"

namespace transvane {

namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

COutputFolder::COutputFolder(const std::string& path) : FPath(path) {
    // Parents first, as mkdir -p does; the folder the user names may be a
    // link to elsewhere, that is their choice.
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            throw std::runtime_error(part + ": " + Reason());
        if (slash == std::string::npos)
            break;
    }
    FHandle = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FHandle < 0)
        throw std::runtime_error(path + ": " + Reason());
}

COutputFolder::~COutputFolder() {
    if (FHandle >= 0)
        ::close(FHandle);
}

COutputFolder COutputFolder::Subfolder(const std::string& name) const {
    if (::mkdirat(FHandle, name.c_str(), 0777) != 0 && errno != EEXIST)
        throw std::runtime_error(FPath + "/" + name + ": " + Reason());
    const int handle = ::openat(FHandle, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0)
        throw std::runtime_error(FPath + "/" + name + ": " +
                                 (errno == ELOOP || errno == ENOTDIR ? std::string("not a folder") : Reason()));
    return COutputFolder(handle, FPath + "/" + name);
}

bool COutputFolder::Has(const std::string& name) const {
    struct stat status {};
    return ::fstatat(FHandle, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

int COutputFolder::CreateFile(const std::string& name, bool replace) const {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int handle = ::openat(FHandle, name.c_str(), flags, 0666);
    if (handle < 0 && errno == EEXIST && replace) {
        // The old entry goes (a link is removed, never followed), then the
        // file is created afresh, exclusively.
        if (::unlinkat(FHandle, name.c_str(), 0) != 0)
            throw std::runtime_error(FPath + "/" + name + ": " + Reason());
        handle = ::openat(FHandle, name.c_str(), flags, 0666);
    }
    if (handle < 0)
        throw std::runtime_error(FPath + "/" + name + ": " +
                                 (errno == EEXIST ? std::string("exists already") : Reason()));
    return handle;
}

void COutputFolder::Rename(const std::string& from, const std::string& to) const {
    // A file replaced keeps its permissions, as a replaced project does.
    struct stat old {};
    if (::fstatat(FHandle, to.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode) &&
        ::fchmodat(FHandle, from.c_str(), old.st_mode & 07777, 0) != 0)
        throw std::runtime_error(FPath + "/" + to + ": " + Reason());
    if (::renameat(FHandle, from.c_str(), FHandle, to.c_str()) != 0)
        throw std::runtime_error(FPath + "/" + to + ": " + Reason());
}

void SyncFileAt(const std::string& path) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0)
        throw std::runtime_error(path + ": " + Reason());
    const bool synced = SyncFile(handle);
    const int error = errno;
    ::close(handle);
    if (!synced)
        throw std::runtime_error(path + ": " + std::strerror(error));
}

}  // namespace transvane
