// Saving never loses the earlier file: every kind of target (links, special
// files, folders), a backup where hard links are refused, a folder that
// cannot be written and a disk that fills up while the new file is written.
// The last two use small file systems of their own (tmpfs), which needs the
// right to mount; without it they are skipped with a message.  (A write cut
// short by a file-size limit and interrupted saves are covered by the
// command-line tests.)
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "format/core/Support_SafeSave.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace {

using namespace project;

const std::string CannotCreate =
    "Error Saving: Cannot create the file. The game has not been saved!Try saving your work under a different "
    "name.";

// A tmpfs mounted on a folder for the lifetime of the object.
class CTmpfs {
public:
    CTmpfs(const std::string& path, const std::string& options) : FPath(path) {
        std::filesystem::create_directories(path);
        FMounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!FMounted)
            FError = std::strerror(errno);
    }
    ~CTmpfs() {
        if (FMounted)
            ::umount2(FPath.c_str(), MNT_DETACH);
    }
    CTmpfs(const CTmpfs&) = delete;
    CTmpfs& operator=(const CTmpfs&) = delete;

    bool Mounted() const { return FMounted; }
    const std::string& Error() const { return FError; }
    bool MakeReadOnly() {
        return ::mount(nullptr, FPath.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string FPath;
    bool FMounted = false;
    std::string FError;
};

#define REQUIRE_MOUNTED(fs)                                                                          \
    if (!(fs).Mounted())                                                                             \
    GTEST_SKIP() << "cannot mount a tmpfs here (" << (fs).Error()                                    \
                 << "): the test needs root or CAP_SYS_ADMIN to build a small file system"

// What lies in a folder and below, one entry a line: "name -> where" for a
// link, "name/" for a folder, "name |" for a FIFO, "name =" for a socket,
// "name %" for a device; an ordinary file says "old" (the bytes OldBytes),
// "new" (a version-500 project) or "other".
const CBlock OldBytes = Bytes({1, 2, 3});

std::vector<std::string> Tree(const std::string& folder) {
    std::vector<std::string> lines;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        if (S_ISLNK(info.st_mode)) {
            std::string to = std::filesystem::read_symlink(entry.path()).string();
            if (to.starts_with(folder + "/"))
                to = "(here)" + to.substr(folder.size());
            lines.push_back(name + " -> " + to);
        }
        else if (S_ISDIR(info.st_mode))
            lines.push_back(name + "/");
        else if (S_ISFIFO(info.st_mode))
            lines.push_back(name + " |");
        else if (S_ISSOCK(info.st_mode))
            lines.push_back(name + " =");
        else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
            lines.push_back(name + " %");
        else {
            const CBlock bytes = ReadWholeFile(entry.path().string());
            bool isNew = false;
            try {
                isNew = bytes.size() > 8 && bytes[4] == 0xF4 && bytes[5] == 0x01 && (ReadProject(bytes), true);
            } catch (const std::exception&) {
            }
            lines.push_back(name + (bytes == OldBytes ? " old" : isNew ? " new" : " other"));
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A project loaded for saving, from a file outside the folders looked at.
class CLoadedProject {
public:
    CLoadedProject() {
        WriteWholeFile(FSource.File("in.vtr"), WriteProject(SampleProject(430)));
        if (!LoadGameFile(FSource.File("in.vtr")))
            throw std::runtime_error("the sample project does not load");
    }

private:
    CScratchFolder FSource;
};

// Every kind of target: what the save says and what is on disk after it.
// Refused targets are left exactly as they were, without a backup.
TEST(SaveSafely, EveryKindOfTarget) {
    struct Case {
        const char* what;
        std::function<bool(const CScratchFolder&)> make;  // false: cannot be built here
        const char* target;
        bool saved;
        std::vector<std::string> after;
    };
    const auto file = [](const char* name) {
        return [name](const CScratchFolder& f) { return WriteWholeFile(f.File(name), OldBytes), true; };
    };
    const auto link = [](std::vector<std::pair<const char*, const char*>> links, bool withFile) {
        return [links, withFile](const CScratchFolder& f) {
            std::filesystem::create_directories(f.File("real"));
            if (withFile)
                WriteWholeFile(f.File("real/a.vtr"), OldBytes);
            for (const auto& [name, to] : links)
                std::filesystem::create_symlink(to, f.File(name));
            return true;
        };
    };
    const Case cases[] = {
        {"new file", [](const CScratchFolder&) { return true; }, "a.vtr", true, {"a.vtr new"}},
        {"existing file", file("a.vtr"), "a.vtr", true, {"a.vk1 old", "a.vtr new"}},
        {"older backup replaced",
         [](const CScratchFolder& f) {
             WriteWholeFile(f.File("a.vtr"), OldBytes);
             WriteWholeFile(f.File("a.vk1"), Bytes({9}));
             return true;
         },
         "a.vtr", true, {"a.vk1 old", "a.vtr new"}},
        {"backup saved over itself", file("a.vk1"), "a.vk1", true, {"a.vk1 new"}},
        {"chain of links", link({{"l1.vtr", "l2.vtr"}, {"l2.vtr", "real/a.vtr"}}, true), "l1.vtr", true,
         {"l1.vtr -> l2.vtr", "l2.vtr -> real/a.vtr", "real/", "real/a.vk1 old", "real/a.vtr new"}},
        {"absolute link", [](const CScratchFolder& f) {
             WriteWholeFile(f.File("a.vtr"), OldBytes);
             std::filesystem::create_symlink(f.File("a.vtr"), f.File("l.vtr"));
             return true;
         }, "l.vtr", true, {"a.vk1 old", "a.vtr new", "l.vtr -> (here)/a.vtr"}},
        {"dangling link", link({{"l.vtr", "real/a.vtr"}}, false), "l.vtr", true,
         {"l.vtr -> real/a.vtr", "real/", "real/a.vtr new"}},
        {"dangling link, no folder", link({{"l.vtr", "gone/a.vtr"}}, false), "l.vtr", false,
         {"l.vtr -> gone/a.vtr", "real/"}},
        {"link loop", link({{"l1.vtr", "l2.vtr"}, {"l2.vtr", "l1.vtr"}}, false), "l1.vtr", false,
         {"l1.vtr -> l2.vtr", "l2.vtr -> l1.vtr", "real/"}},
        {"missing folder", [](const CScratchFolder&) { return true; }, "missing/a.vtr", false, {}},
        {"folder", [](const CScratchFolder& f) { return std::filesystem::create_directory(f.File("d.vtr")); },
         "d.vtr", false, {"d.vtr/"}},
        {"link to a folder", [](const CScratchFolder& f) {
             std::filesystem::create_directory(f.File("d"));
             std::filesystem::create_symlink("d", f.File("l.vtr"));
             return true;
         }, "l.vtr", false, {"d/", "l.vtr -> d"}},
        {"FIFO", [](const CScratchFolder& f) { return ::mkfifo(f.File("p.vtr").c_str(), 0600) == 0; }, "p.vtr", false,
         {"p.vtr |"}},
        {"socket",
         [](const CScratchFolder& f) {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             const std::string path = f.File("s.vtr");
             if (path.size() >= sizeof address.sun_path)
                 return false;
             std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
             ::close(fd);
             return bound;
         },
         "s.vtr", false, {"s.vtr ="}},
        // The numbers of the null device; making one needs CAP_MKNOD.
        {"character device",
         [](const CScratchFolder& f) { return ::mknod(f.File("c.vtr").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         "c.vtr", false, {"c.vtr %"}},
    };
    CLoadedProject loaded;
    CRecorder recorder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScratchFolder folder;
        if (!c.make(folder)) {
            std::printf("[ SKIPPED  ] %s: cannot be made here (%s)\n", c.what, std::strerror(errno));
            continue;
        }
        recorder.Messages.clear();
        EXPECT_EQ(SaveGameFile(folder.File(c.target)), c.saved);
        EXPECT_EQ(recorder.Messages, c.saved ? std::vector<std::string>{} : std::vector<std::string>{CannotCreate});
        EXPECT_EQ(Tree(folder.Path()), c.after) << "no temporary file is left";
    }
}

// The replaced file's permissions carry over to the new file and its backup,
// whether the backup is a second name for the old file or, where the file
// system refuses hard links, a copy of it.  A folder that refuses to be
// synced does not fail the save.
TEST(SaveSafely, BackupWithoutHardLinksAndFolderSyncRefused) {
    struct Refusal {
        const char* what;
        int linkError;  // 0: links work
        int syncError;  // 0: the folder syncs
    };
    static int calls = 0;
    static int error = 0;
    const auto refuse = [](const char*, const char*) { return ++calls, errno = error, -1; };
    const auto refuseSync = [](int) { return ++calls, errno = error, -1; };
    CLoadedProject loaded;
    CRecorder recorder;
    const CSaveCalls normal = SaveCalls();
    for (const Refusal r : {Refusal{"hard links work", 0, 0}, Refusal{"EPERM", EPERM, 0}, Refusal{"EXDEV", EXDEV, 0},
                            Refusal{"EMLINK", EMLINK, 0}, Refusal{"ENOTSUP", ENOTSUP, 0},
                            Refusal{"folder sync EINVAL", 0, EINVAL}}) {
        SCOPED_TRACE(r.what);
        CScratchFolder folder;
        const std::string target = folder.File("a.vtr");
        WriteWholeFile(target, OldBytes);
        ::chmod(target.c_str(), 0640);
        struct stat old {};
        ::stat(target.c_str(), &old);
        calls = 0;
        error = r.linkError != 0 ? r.linkError : r.syncError;
        if (r.linkError != 0)
            SaveCalls().Link = refuse;
        if (r.syncError != 0)
            SaveCalls().SyncFolder = refuseSync;
        const bool saved = SaveGameFile(target);
        SaveCalls() = normal;

        EXPECT_TRUE(saved);
        EXPECT_EQ(calls, error != 0 ? 1 : 0);
        EXPECT_EQ(Tree(folder.Path()), (std::vector<std::string>{"a.vk1 old", "a.vtr new"}));
        struct stat backup {}, now {};
        ::stat(folder.File("a.vk1").c_str(), &backup);
        ::stat(target.c_str(), &now);
        EXPECT_EQ(backup.st_ino == old.st_ino, r.linkError == 0) << "a hard link, or else a copy";
        EXPECT_EQ(backup.st_mode & 07777, 0640u);
        EXPECT_EQ(now.st_mode & 07777, 0640u);
    }
    EXPECT_EQ(recorder.Messages, std::vector<std::string>{});
}

TEST(SaveSafely, ReadOnlyFolderKeepsTheEarlierFile) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("in.vtr"), WriteProject(BulkyProject(1000)));
    const std::string target = folder.File("ro");
    CTmpfs fs(target, "size=1m");
    REQUIRE_MOUNTED(fs);
    WriteWholeFile(target + "/a.vtr", Bytes({1, 2, 3}));
    ASSERT_TRUE(fs.MakeReadOnly()) << std::strerror(errno);

    CRecorder recorder;
    ASSERT_TRUE(LoadGameFile(folder.File("in.vtr")));
    for (const std::string& name : {target + "/a.vtr", target + "/new.vtr"}) {
        recorder.Messages.clear();
        recorder.Events.clear();
        EXPECT_FALSE(SaveGameFile(name)) << name;
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate}) << name;
        EXPECT_EQ(recorder.Events.back(), "end") << "the progress window closes";
    }
    EXPECT_EQ(ReadWholeFile(target + "/a.vtr"), Bytes({1, 2, 3}));
    EXPECT_EQ(FolderContents(target), std::vector<std::string>{"a.vtr"});
}

// The new file does not fit: the earlier one stays under its name, and
// neither a truncated file, a backup nor the temporary one is left behind.
// The disk fills either while the file is being built (it is written as it
// grows) or only when its last bytes go out.
TEST(SaveSafely, FullDiskKeepsTheEarlierFile) {
    for (const std::size_t size : {std::size_t{200000}, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        CScratchFolder folder;
        WriteWholeFile(folder.File("in.vtr"), WriteProject(BulkyProject(size)));
        const std::string target = folder.File("small");
        CTmpfs fs(target, "size=64k");
        REQUIRE_MOUNTED(fs);
        const CBlock earlier = WriteProject(BulkyProject(100));
        WriteWholeFile(target + "/a.vtr", earlier);

        CRecorder recorder;
        ASSERT_TRUE(LoadGameFile(folder.File("in.vtr")));
        EXPECT_FALSE(SaveGameFile(target + "/a.vtr"));
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate});
        EXPECT_EQ(FolderContents(target), std::vector<std::string>{"a.vtr"});
        EXPECT_EQ(ReadWholeFile(target + "/a.vtr"), earlier);

        // Under a new name nothing is left either, and the disk is usable
        // again: a project that fits is saved over the earlier file.
        recorder.Messages.clear();
        EXPECT_FALSE(SaveGameFile(target + "/b.vtr"));
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate});
        EXPECT_EQ(FolderContents(target), std::vector<std::string>{"a.vtr"});
        WriteWholeFile(folder.File("small.vtr"), WriteProject(BulkyProject(1000)));
        ASSERT_TRUE(LoadGameFile(folder.File("small.vtr")));
        EXPECT_TRUE(SaveGameFile(target + "/a.vtr"));
        EXPECT_EQ(FolderContents(target), (std::vector<std::string>{"a.vk1", "a.vtr"}));
        EXPECT_EQ(ReadWholeFile(target + "/a.vk1"), earlier);
    }
}

// Conversions one after the other into one folder, each checked by what it
// reports, and the folder checked afterwards: every file as "v4 #ID" or
// "v5 #ID" (its header's version and game id), a link as "-> where".
// Whatever the sequence, the version-4 original (#1) survives its bytes
// unchanged under some name.
TEST(SaveSafely, BackupSequences) {
    const auto project = [](std::int32_t version, std::int32_t id) {
        TProject p = EmptyProject(version);
        p.GameId = id;
        return WriteProject(p);
    };
    const CBlock original = project(430, 1);
    struct Step {
        const char* source;
        const char* target;
        const char* result;  // "kept as NAME", "unchanged", "new" or "failed"
    };
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, std::int32_t>> files;  // name, game id; #1 the original, the others v4
        std::vector<Step> steps;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"in place twice", {{"game.vtr", 1}},
         {{"game.vtr", "game.vtr", "kept as game.vk1"}, {"game.vtr", "game.vtr", "unchanged"}},
         {"game.vk1 v4 #1", "game.vtr v5 #1"}},
        {"version 5 to another name", {{"game.vtr", 1}},
         {{"game.vtr", "game.vtr", "kept as game.vk1"}, {"game.vtr", "copy.vtr", "new"}},
         {"copy.vtr v5 #1", "game.vk1 v4 #1", "game.vtr v5 #1"}},
    };
    const auto label = [](const std::filesystem::path& path) {
        if (std::filesystem::is_symlink(path))
            return "-> " + std::filesystem::read_symlink(path).string();
        const CBlock bytes = ReadWholeFile(path.string());
        const auto int32 = [&](std::size_t at) {
            return bytes.size() < at + 4 ? -1 : bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
        };
        return std::string(int32(4) == 500 ? "v5 #" : "v4 #") + std::to_string(int32(12));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScratchFolder folder;
        for (const auto& [name, id] : c.files)
            WriteWholeFile(folder.File(name), id == 1 ? original : project(420, id));
        for (const Step& step : c.steps) {
            SCOPED_TRACE(std::string(step.source) + " to " + step.target);
            struct stat before {}, after {};
            ::stat(folder.File(step.target).c_str(), &before);
            const CConversionResult result = ConvertFile(folder.File(step.source), folder.File(step.target));
            ::stat(folder.File(step.target).c_str(), &after);
            const std::string said = !result.Converted ? "failed"
                                     : result.Unchanged ? "unchanged"
                                     : result.KeptAs.empty()
                                         ? "new"
                                         : "kept as " + std::filesystem::path(result.KeptAs).lexically_relative(folder.Path()).string();
            EXPECT_EQ(said, step.result);
            if (result.Unchanged) {
                EXPECT_TRUE(before.st_ino == after.st_ino && before.st_mtim.tv_nsec == after.st_mtim.tv_nsec &&
                            before.st_ctim.tv_sec == after.st_ctim.tv_sec && before.st_ctim.tv_nsec == after.st_ctim.tv_nsec)
                    << "not touched";
            }
        }
        std::vector<std::string> files;
        bool originalKept = false;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
            if (entry.is_directory() && !entry.is_symlink())
                continue;
            files.push_back(entry.path().lexically_relative(folder.Path()).string() + " " + label(entry.path()));
            originalKept = originalKept || (!entry.is_symlink() && ReadWholeFile(entry.path().string()) == original);
        }
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, c.after);
        EXPECT_TRUE(originalKept);
    }
}

}  // namespace
