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
#include <memory>
#include <thread>

#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "format/core/Support_SafeSave.h"
#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace transvane {

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
    bool MakeReadOnly() { return ::mount(nullptr, FPath.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    std::string FPath;
    bool FMounted = false;
    std::string FError;
};

#define REQUIRE_MOUNTED(fs)                                       \
    if (!(fs).Mounted())                                          \
    GTEST_SKIP() << "cannot mount a tmpfs here (" << (fs).Error() \
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
        } else if (S_ISDIR(info.st_mode))
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
class CLoadedProject : public CProject {
public:
    CLoadedProject() {
        WriteWholeFile(FSource.File("in.vtr"), WriteProject(SampleProject(430)));
        if (!LoadGameFile(*this, FSource.File("in.vtr")))
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
        const char* cause;  // of the refusal; nullptr: saved
        std::vector<std::string> after;
    };
    const auto file = [](const char* name) {
        return [name](const CScratchFolder& f) { return WriteWholeFile(f.File(name), OldBytes), true; };
    };
    const char* const NotAFile = "not an ordinary file (a device, FIFO or socket)";
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
        {"new file", [](const CScratchFolder&) { return true; }, "a.vtr", nullptr, {"a.vtr new"}},
        {"existing file", file("a.vtr"), "a.vtr", nullptr, {"a.vk1 old", "a.vtr new"}},
        {"older backup moves down",
         [](const CScratchFolder& f) {
             WriteWholeFile(f.File("a.vtr"), OldBytes);
             WriteWholeFile(f.File("a.vk1"), Bytes({9}));
             return true;
         },
         "a.vtr",
         nullptr,
         {"a.vk1 old", "a.vk2 other", "a.vtr new"}},
        {"backup saved over itself", file("a.vk1"), "a.vk1", nullptr, {"a.vk1 new", "a.vk2 old"}},
        {"chain of links",
         link({{"l1.vtr", "l2.vtr"}, {"l2.vtr", "real/a.vtr"}}, true),
         "l1.vtr",
         nullptr,
         {"l1.vtr -> l2.vtr", "l2.vtr -> real/a.vtr", "real/", "real/a.vk1 old", "real/a.vtr new"}},
        {"absolute link",
         [](const CScratchFolder& f) {
             WriteWholeFile(f.File("a.vtr"), OldBytes);
             std::filesystem::create_symlink(f.File("a.vtr"), f.File("l.vtr"));
             return true;
         },
         "l.vtr",
         nullptr,
         {"a.vk1 old", "a.vtr new", "l.vtr -> (here)/a.vtr"}},
        {"dangling link",
         link({{"l.vtr", "real/a.vtr"}}, false),
         "l.vtr",
         nullptr,
         {"l.vtr -> real/a.vtr", "real/", "real/a.vtr new"}},
        {"dangling link, no folder",
         link({{"l.vtr", "gone/a.vtr"}}, false),
         "l.vtr",
         "No such file or directory",
         {"l.vtr -> gone/a.vtr", "real/"}},
        {"link loop",
         link({{"l1.vtr", "l2.vtr"}, {"l2.vtr", "l1.vtr"}}, false),
         "l1.vtr",
         "Too many levels of symbolic links",
         {"l1.vtr -> l2.vtr", "l2.vtr -> l1.vtr", "real/"}},
        {"missing folder",
         [](const CScratchFolder&) { return true; },
         "missing/a.vtr",
         "No such file or directory",
         {}},
        {"folder without write permission",
         [](const CScratchFolder& f) {
             // The superuser may write anywhere.
             return ::geteuid() != 0 && std::filesystem::create_directory(f.File("ro")) &&
                    ::chmod(f.File("ro").c_str(), 0555) == 0;
         },
         "ro/a.vtr",
         "Permission denied",
         {"ro/"}},
        {"folder",
         [](const CScratchFolder& f) { return std::filesystem::create_directory(f.File("d.vtr")); },
         "d.vtr",
         "Is a directory",
         {"d.vtr/"}},
        {"link to a folder",
         [](const CScratchFolder& f) {
             std::filesystem::create_directory(f.File("d"));
             std::filesystem::create_symlink("d", f.File("l.vtr"));
             return true;
         },
         "l.vtr",
         "Is a directory",
         {"d/", "l.vtr -> d"}},
        {"FIFO",
         [](const CScratchFolder& f) { return ::mkfifo(f.File("p.vtr").c_str(), 0600) == 0; },
         "p.vtr",
         NotAFile,
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
         "s.vtr",
         NotAFile,
         {"s.vtr ="}},
        // The numbers of the null device; making one needs CAP_MKNOD.
        {"character device",
         [](const CScratchFolder& f) { return ::mknod(f.File("c.vtr").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         "c.vtr",
         NotAFile,
         {"c.vtr %"}},
    };
    CLoadedProject project;
    CRecorder recorder(project.Core);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScratchFolder folder;
        if (!c.make(folder)) {
            std::printf("[ SKIPPED  ] %s: cannot be made here (%s)\n", c.what, std::strerror(errno));
            continue;
        }
        recorder.Messages.clear();
        recorder.Contexts.clear();
        EXPECT_EQ(SaveGameFile(project, folder.File(c.target)), c.cause == nullptr);
        EXPECT_EQ(recorder.Messages,
                  c.cause == nullptr ? std::vector<std::string>{} : std::vector<std::string>{CannotCreate});
        if (c.cause != nullptr && !recorder.Contexts.empty()) {
            EXPECT_EQ(recorder.Contexts[0].back(), "cause: " + std::string(c.cause));
        }
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
    CLoadedProject project;
    CRecorder recorder(project.Core);
    const CSaveCalls normal = SaveCalls();
    for (const Refusal r :
         {Refusal{"hard links work", 0, 0}, Refusal{"EPERM", EPERM, 0}, Refusal{"EXDEV", EXDEV, 0},
          Refusal{"EMLINK", EMLINK, 0}, Refusal{"ENOTSUP", ENOTSUP, 0}, Refusal{"folder sync EINVAL", 0, EINVAL}}) {
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
        const bool saved = SaveGameFile(project, target);
        SaveCalls() = normal;

        EXPECT_TRUE(saved);
        EXPECT_EQ(calls, error != 0 ? 1 : 0);
        EXPECT_EQ(Tree(folder.Path()), (std::vector<std::string>{"a.vk1 old", "a.vtr new"}));
        struct stat backup {
        }, now{};
        ::stat(folder.File("a.vk1").c_str(), &backup);
        ::stat(target.c_str(), &now);
        EXPECT_EQ(backup.st_ino == old.st_ino, r.linkError == 0) << "a hard link, or else a copy";
        EXPECT_EQ(backup.st_mode & 07777, 0640u);
        EXPECT_EQ(now.st_mode & 07777, 0640u);
    }
    EXPECT_EQ(recorder.Messages, std::vector<std::string>{});
}

TEST(SaveSafely, ReadOnlyFolderKeepsTheEarlierFile) {
    CProject project;
    CScratchFolder folder;
    WriteWholeFile(folder.File("in.vtr"), WriteProject(BulkyProject(1000)));
    const std::string target = folder.File("ro");
    CTmpfs fs(target, "size=1m");
    REQUIRE_MOUNTED(fs);
    WriteWholeFile(target + "/a.vtr", Bytes({1, 2, 3}));
    ASSERT_TRUE(fs.MakeReadOnly()) << std::strerror(errno);

    CRecorder recorder(project.Core);
    ASSERT_TRUE(LoadGameFile(project, folder.File("in.vtr")));
    for (const std::string& name : {target + "/a.vtr", target + "/new.vtr"}) {
        recorder.Messages.clear();
        recorder.Contexts.clear();
        recorder.Events.clear();
        EXPECT_FALSE(SaveGameFile(project, name)) << name;
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate}) << name;
        EXPECT_EQ(recorder.Contexts,
                  (std::vector<std::vector<std::string>>{{"file: " + name, "cause: Read-only file system"}}));
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
    CProject project;
    for (const std::size_t size : {std::size_t{200000}, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        CScratchFolder folder;
        WriteWholeFile(folder.File("in.vtr"), WriteProject(BulkyProject(size)));
        const std::string target = folder.File("small");
        CTmpfs fs(target, "size=64k");
        REQUIRE_MOUNTED(fs);
        const CBlock earlier = WriteProject(BulkyProject(100));
        WriteWholeFile(target + "/a.vtr", earlier);

        CRecorder recorder(project.Core);
        ASSERT_TRUE(LoadGameFile(project, folder.File("in.vtr")));
        EXPECT_FALSE(SaveGameFile(project, target + "/a.vtr"));
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate});
        EXPECT_EQ(recorder.Contexts.at(0).back(), "cause: No space left on device");
        EXPECT_EQ(FolderContents(target), std::vector<std::string>{"a.vtr"});
        EXPECT_EQ(ReadWholeFile(target + "/a.vtr"), earlier);

        // Under a new name nothing is left either, and the disk is usable
        // again: a project that fits is saved over the earlier file.
        recorder.Messages.clear();
        EXPECT_FALSE(SaveGameFile(project, target + "/b.vtr"));
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate});
        EXPECT_EQ(FolderContents(target), std::vector<std::string>{"a.vtr"});
        WriteWholeFile(folder.File("small.vtr"), WriteProject(BulkyProject(1000)));
        ASSERT_TRUE(LoadGameFile(project, folder.File("small.vtr")));
        EXPECT_TRUE(SaveGameFile(project, target + "/a.vtr"));
        EXPECT_EQ(FolderContents(target), (std::vector<std::string>{"a.vk1", "a.vtr"}));
        EXPECT_EQ(ReadWholeFile(target + "/a.vk1"), earlier);
    }
}

// The program's list holds every temporary file of the saves in flight,
// however many, so that its signal handler removes them all; a save that
// ends, committed or not, takes its file off the list.
TEST(SaveSafely, PendingFilesHoldEverySaveInFlight) {
    CScratchFolder folder;
    CPendingFiles pending;
    constexpr int Saves = 40;  // more than a chunk of entries holds
    {
        std::vector<std::unique_ptr<CSafeSave>> saves;
        for (int i = 0; i < Saves; ++i)
            saves.push_back(std::make_unique<CSafeSave>(folder.File(std::to_string(i) + ".vtr"),
                                                        CBackupSeries{".vk", 1}, &pending));
        EXPECT_EQ(pending.ArmedCount(), std::size_t{Saves});
        EXPECT_EQ(FolderContents(folder.Path()).size(), std::size_t{Saves});
        saves[0]->Commit();
        EXPECT_EQ(pending.ArmedCount(), std::size_t{Saves - 1});
        pending.RemoveAll();  // what the handler does
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::string>{"0.vtr"});
    }
    EXPECT_EQ(pending.ArmedCount(), 0u);
}

// A save onto game.vtr with all nine backups there, stopped at each of its
// calls in turn: the link that makes the hidden backup (call 0), then the
// renames (the dropped vk8 set aside, vk7 to vk8 .. vk1 to vk2, the backup
// to vk1, the new file to game.vtr).  Interrupted, it either never starts
// the rotation or finishes it with the new file in place; a rename refused
// puts back every one before it.  Either way the series stays whole and
// nothing hidden is left.
TEST(SaveSafely, AStoppedRotationLeavesTheSeriesWhole) {
    static int calls = 0;
    static int stopAt = 0;
    static bool refuse = false;
    static CPendingFiles* pending = nullptr;
    static std::thread handler;
    static CSaveCalls normal = SaveCalls();
    // The handler's part, on a thread of its own as a signal may be.
    static const auto interrupt = [] {
        handler = std::thread([] {
            pending->Stop();
            pending->RemoveAll();
        });
        while (!pending->Stopped())
            std::this_thread::yield();
    };
    SaveCalls().Link = [](const char* from, const char* to) {
        if (calls++ == stopAt && !refuse)
            interrupt();
        return normal.Link(from, to);
    };
    SaveCalls().Rename = [](const char* from, const char* to) {
        if (calls++ != stopAt)
            return normal.Rename(from, to);
        if (refuse)
            return errno = EACCES, -1;
        interrupt();
        return normal.Rename(from, to);
    };
    const auto content = [](int i) { return Bytes("content " + std::to_string(i)); };  // 0: game.vtr
    for (const bool refused : {false, true})
        for (int at = refused ? 1 : 0; at <= 10; ++at) {
            SCOPED_TRACE((refused ? "refused at call " : "interrupted at call ") + std::to_string(at));
            CScratchFolder folder;
            for (int i = 0; i <= 9; ++i)
                WriteWholeFile(folder.File(i == 0 ? "game.vtr" : "game.vk" + std::to_string(i)), content(i));
            CPendingFiles files;
            pending = &files;
            calls = 0;
            stopAt = at;
            refuse = refused;
            bool saved = true;
            try {
                SaveToFileSafely(CMemoryStream(Bytes("new")), folder.File("game.vtr"), {".vk", 9}, &files);
            } catch (const EFileError&) {
                saved = false;
            }
            if (handler.joinable())
                handler.join();
            // The names left and the content each holds, by the number it had.
            std::vector<std::string> now;
            for (const std::string& name : FolderContents(folder.Path())) {
                const CBlock bytes = ReadWholeFile(folder.File(name));
                int was = -1;
                for (int i = 0; i <= 9; ++i)
                    was = bytes == content(i) ? i : was;
                now.push_back(name + (was < 0 ? " new" : " " + std::to_string(was)));
            }
            const bool rotated = at > 0 && !refused;
            std::vector<std::string> expected = {"game.vk1 " + std::string(rotated ? "0" : "1")};
            for (int i = 2; i <= 8; ++i)
                expected.push_back("game.vk" + std::to_string(i) + " " + std::to_string(rotated ? i - 1 : i));
            expected.push_back("game.vk9 9");
            expected.push_back(rotated ? "game.vtr new" : "game.vtr 0");
            EXPECT_EQ(now, expected);
            EXPECT_EQ(saved, rotated);
        }
    SaveCalls() = normal;
}

// Conversions one after the other into one folder, each checked by what it
// reports, and the folder checked afterwards: every file as "v4 #ID" or
// "v5 #ID" (its header's version and game id), a link as "-> where".
// Whatever the sequence, the version-4 original (#1) survives with its
// bytes unchanged under some name.
TEST(SaveSafely, BackupSequences) {
    const auto project = [](std::int32_t version, std::int32_t id) {
        TProject p = EmptyProject(version);
        p.GameId = id;
        return WriteProject(p);
    };
    const CBlock original = project(430, 1);
    struct Step {
        std::string source, target;
        std::string result;  // "kept as NAME[, dropped NAME]", "unchanged", "new" or "failed: CAUSE"
    };
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::int32_t>> files;  // name, game id: #1 the original, others v4 too
        std::vector<std::pair<const char*, const char*>> links;   // name, where it points
        std::vector<Step> steps;
        std::vector<std::string> after;  // src/ holds sources and is not shown
        bool refuseHardLinks = false;
    };
    // Ten more projects saved over game.vtr: nine backups fill up, and the
    // tenth save drops the second oldest, not the original.
    Case rotations{"nine rotations, then one more", {{"game.vtr", 1}}, {}, {}, {}};
    for (std::int32_t id = 2; id <= 11; ++id) {
        rotations.files.emplace_back("src/p" + std::to_string(id) + ".vtr", id);
        rotations.steps.push_back({"src/p" + std::to_string(id) + ".vtr", "game.vtr",
                                   id == 11 ? "kept as game.vk1, dropped game.vk8" : "kept as game.vk1"});
    }
    for (std::int32_t number = 1; number <= 8; ++number)
        rotations.after.push_back("game.vk" + std::to_string(number) + " v5 #" + std::to_string(11 - number));
    rotations.after.insert(rotations.after.end(), {"game.vk9 v4 #1", "game.vtr v5 #11"});

    const std::string oldestKept =
        "failed: no backup name is left for what it holds (the oldest backup, .vk9, is never replaced)";
    const Case cases[] = {
        {"in place twice",
         {{"game.vtr", 1}},
         {},
         {{"game.vtr", "game.vtr", "kept as game.vk1"}, {"game.vtr", "game.vtr", "unchanged"}},
         {"game.vk1 v4 #1", "game.vtr v5 #1"}},
        {"version 5 to another name",
         {{"game.vtr", 1}},
         {},
         {{"game.vtr", "game.vtr", "kept as game.vk1"}, {"game.vtr", "copy.vtr", "new"}},
         {"copy.vtr v5 #1", "game.vk1 v4 #1", "game.vtr v5 #1"}},
        {"backup as source, in place",
         {{"game.vk1", 1}, {"game.vtr", 2}},
         {},
         {{"game.vk1", "game.vk1", "kept as game.vk2"}},
         {"game.vk1 v5 #1", "game.vk2 v4 #1", "game.vtr v4 #2"}},
        {"onto a backup",
         {{"game.vtr", 1}, {"game.vk1", 2}},
         {},
         {{"game.vtr", "game.vk1", "kept as game.vk2"}},
         {"game.vk1 v5 #1", "game.vk2 v4 #2", "game.vtr v4 #1"}},
        {"backup back to its project",
         {{"game.vtr", 2}, {"game.vk1", 1}},
         {},
         {{"game.vk1", "game.vtr", "kept as game.vk1"}},
         {"game.vk1 v4 #2", "game.vk2 v4 #1", "game.vtr v5 #1"}},
        rotations,
        {"a free number ends the moves",
         {{"game.vtr", 1}, {"game.vk1", 2}, {"game.vk3", 3}},
         {},
         {{"game.vtr", "game.vtr", "kept as game.vk1"}},
         {"game.vk1 v4 #1", "game.vk2 v4 #2", "game.vk3 v4 #3", "game.vtr v5 #1"}},
        {"the oldest backup is never replaced",
         {{"game.vk9", 1}, {"game.vtr", 2}, {"game.vk8", 3}},
         {},
         {{"game.vk9", "game.vk9", oldestKept},
          {"game.vtr", "game.vk9", oldestKept},
          {"game.vtr", "game.vk8", oldestKept}},
         {"game.vk8 v4 #3", "game.vk9 v4 #1", "game.vtr v4 #2"}},
        {"through a link",
         {{"real/game.vtr", 1}, {"real/game.vk1", 2}},
         {{"link.vtr", "real/game.vtr"}},
         {{"link.vtr", "link.vtr", "kept as real/game.vk1"}},
         {"link.vtr -> real/game.vtr", "real/game.vk1 v4 #1", "real/game.vk2 v4 #2", "real/game.vtr v5 #1"}},
        {"a backup that links to the project",
         {{"game.vtr", 1}},
         {{"game.vk1", "game.vtr"}},
         {{"game.vtr", "game.vtr", "kept as game.vk1"}},
         {"game.vk1 v4 #1", "game.vk2 -> game.vtr", "game.vtr v5 #1"}},
        // Only the series' files move: a folder of the user's stays put.
        {"a folder in a backup's place",
         {{"game.vtr", 1}, {"game.vk1/keep.vtr", 2}},
         {},
         {{"game.vtr", "game.vtr",
           "failed: game.vk1 has a backup's name but is no ordinary file; move it out of the way"}},
         {"game.vk1/keep.vtr v4 #2", "game.vtr v4 #1"}},
        // A series in capitals stays one series; two spellings of it are
        // the user's to sort out.
        {"capitals, in place",
         {{"GAME.VTR", 1}, {"GAME.VK1", 2}},
         {},
         {{"GAME.VTR", "GAME.VTR", "kept as GAME.VK1"}},
         {"GAME.VK1 v4 #1", "GAME.VK2 v4 #2", "GAME.VTR v5 #1"}},
        {"capitals, the first backup",
         {{"GAME.VTR", 1}},
         {},
         {{"GAME.VTR", "GAME.VTR", "kept as GAME.VK1"}},
         {"GAME.VK1 v4 #1", "GAME.VTR v5 #1"}},
        {"the series' case wins over the project's",
         {{"GAME.VTR", 1}, {"GAME.vk2", 2}, {"GAME.vk9", 3}},
         {},
         {{"GAME.VTR", "GAME.VTR", "kept as GAME.vk1"}},
         {"GAME.VTR v5 #1", "GAME.vk1 v4 #1", "GAME.vk2 v4 #2", "GAME.vk9 v4 #3"}},
        {"a series in two cases",
         {{"GAME.VTR", 1}, {"GAME.vk1", 2}, {"GAME.VK2", 3}},
         {},
         {{"GAME.VTR", "GAME.VTR",
           "failed: its backups are named in two cases, GAME.VK2 and GAME.vk1; rename them to one case, or move one "
           "series away"}},
         {"GAME.VK2 v4 #3", "GAME.VTR v4 #1", "GAME.vk1 v4 #2"}},
        {"hard links refused",
         {{"game.vtr", 1}, {"game.vk1", 2}},
         {},
         {{"game.vtr", "game.vtr", "kept as game.vk1"}},
         {"game.vk1 v4 #1", "game.vk2 v4 #2", "game.vtr v5 #1"},
         true},
    };
    const auto label = [](const std::filesystem::path& path) {
        if (std::filesystem::is_symlink(path))
            return "-> " + std::filesystem::read_symlink(path).string();
        const CBlock bytes = ReadWholeFile(path.string());
        const auto int32 = [&](std::size_t at) {
            return bytes.size() < at + 4 ? -1
                                         : bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
        };
        return std::string(int32(4) == 500 ? "v5 #" : "v4 #") + std::to_string(int32(12));
    };
    const CSaveCalls normal = SaveCalls();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScratchFolder folder;
        for (const auto& [name, id] : c.files) {
            std::filesystem::create_directories(std::filesystem::path(folder.File(name)).parent_path());
            WriteWholeFile(folder.File(name), id == 1 ? original : project(420, id));
        }
        for (const auto& [name, to] : c.links)
            std::filesystem::create_symlink(to, folder.File(name));
        if (c.refuseHardLinks)
            SaveCalls().Link = [](const char*, const char*) { return errno = EPERM, -1; };
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.source + " to " + step.target);
            struct stat before {
            }, after{};
            ::stat(folder.File(step.target).c_str(), &before);
            const std::string predicted = BackupKeptAs(folder.File(step.target));
            transvane::COptions replace;
            replace.Force = true;
            const std::string droppedPredicted = BackupDroppedBy(folder.File(step.target), MaxBackups);
            const transvane::CResult result =
                transvane::ConvertFile(folder.File(step.source), folder.File(step.target), replace);
            ::stat(folder.File(step.target).c_str(), &after);
            const auto relative = [&](const std::string& name) {
                return std::filesystem::path(name).lexically_relative(folder.Path()).string();
            };
            std::string said = result.Unchanged ? "unchanged" : result.KeptAs.empty() ? "new" : "kept as ";
            if (!result.KeptAs.empty())
                said += relative(result.KeptAs);
            if (!result.Dropped.empty())
                said += ", dropped " + relative(result.Dropped);
            if (!result.Ok()) {
                said = "failed: " + result.Messages.at(0).Context.back().substr(std::strlen("cause: "));
                if (const std::size_t at = said.find(folder.Path() + "/"); at != std::string::npos)
                    said.erase(at, folder.Path().size() + 1);
            }
            EXPECT_EQ(said, step.result);
            // What the window asks about before a save is what the save does.
            if (!result.Unchanged) {
                EXPECT_EQ(predicted, result.KeptAs);
                EXPECT_EQ(result.Ok() ? droppedPredicted : "", result.Dropped);
            }
            if (result.Unchanged) {
                EXPECT_TRUE(before.st_ino == after.st_ino && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
                            before.st_mtim.tv_nsec == after.st_mtim.tv_nsec &&
                            before.st_ctim.tv_sec == after.st_ctim.tv_sec &&
                            before.st_ctim.tv_nsec == after.st_ctim.tv_nsec)
                    << "not touched";
            }
        }
        SaveCalls() = normal;
        std::vector<std::string> files;
        bool originalKept = false;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
            const std::string name = entry.path().lexically_relative(folder.Path()).string();
            if ((entry.is_directory() && !entry.is_symlink()) || name.starts_with("src/"))
                continue;
            files.push_back(name + " " + label(entry.path()));
            originalKept = originalKept || (!entry.is_symlink() && ReadWholeFile(entry.path().string()) == original);
        }
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, c.after);
        EXPECT_TRUE(originalKept) << "the original survives";
    }
}

// What the command line says of a backup, and of a file it leaves alone.
TEST(SaveSafely, CommandLineSaysWhereTheEarlierFileWent) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("game.vtr"), WriteProject(EmptyProject(430)));
    const CRunResult first = RunCli({"convert", "game.vtr", "game.vtr"}, folder.Path());
    EXPECT_EQ(first.Status, 0);
    EXPECT_EQ(first.Err,
              "transvane-cli: 1 version-4 options block dropped (transvane-cli check game.vtr lists them)\n"
              "transvane-cli: the earlier game.vtr was kept as game.vk1\n");
    const CRunResult second = RunCli({"convert", "game.vtr", "game.vtr"}, folder.Path());
    EXPECT_EQ(second.Status, 0);
    EXPECT_EQ(second.Err, "transvane-cli: game.vtr was already version 5; left unchanged\n");
    const CRunResult empty = RunCli({"convert", "game.vtr", ""}, folder.Path());
    EXPECT_EQ(empty.Status, 2);
    EXPECT_EQ(empty.Err, "transvane-cli: TARGET cannot be an empty name\nTry 'transvane-cli --help'.\n");
    EXPECT_EQ(FolderContents(folder.Path()), (std::vector<std::string>{"game.vk1", "game.vtr"}));
}

}  // namespace

}  // namespace transvane
