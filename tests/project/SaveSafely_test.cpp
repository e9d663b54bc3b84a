// Saving never loses the earlier file: a folder that cannot be written and
// a disk that fills up while the new file is written.  Both use small file
// systems of their own (tmpfs), which needs the right to mount; without it
// the tests are skipped with a message.  (A target that is a directory, a
// write cut short by a file-size limit and converting a file onto itself are
// covered by the conversion tests.)
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "project/Resource_Main.h"
#include "testkit/ProjectFiles.h"
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

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A project whose converted file is about `bytes` long: one data file of
// incompressible bytes.
CBlock ProjectOfAbout(std::size_t bytes) {
    TProject p = EmptyProject(500);
    TDataFile data;
    data.FileName = "noise.bin";
    data.HasData = 1;
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < bytes; ++i) {
        state = state * 1103515245u + 12345u;
        data.Data.push_back(static_cast<std::uint8_t>(state >> 24));
    }
    p.DataFiles.Add("noise", data);
    return WriteProject(p);
}

TEST(SaveSafely, ReadOnlyFolderKeepsTheEarlierFile) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("in.vtr"), ProjectOfAbout(1000));
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
    EXPECT_EQ(Listing(target), std::vector<std::string>{"a.vtr"});
}

// The new file does not fit: the earlier one survives as its backup, and
// neither a truncated file nor the temporary one is left behind.  The disk
// fills either while the file is being built (it is written as it grows)
// or only when its last bytes go out.
TEST(SaveSafely, FullDiskKeepsTheEarlierFileAsItsBackup) {
    for (const std::size_t size : {std::size_t{200000}, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        CScratchFolder folder;
        WriteWholeFile(folder.File("in.vtr"), ProjectOfAbout(size));
        const std::string target = folder.File("small");
        CTmpfs fs(target, "size=64k");
        REQUIRE_MOUNTED(fs);
        const CBlock earlier = ProjectOfAbout(100);
        WriteWholeFile(target + "/a.vtr", earlier);

        CRecorder recorder;
        ASSERT_TRUE(LoadGameFile(folder.File("in.vtr")));
        EXPECT_FALSE(SaveGameFile(target + "/a.vtr"));
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate});
        EXPECT_EQ(Listing(target), std::vector<std::string>{"a.vk1"});
        EXPECT_EQ(ReadWholeFile(target + "/a.vk1"), earlier);

        // Under a new name nothing is left either, and the disk is usable
        // again: a project that fits is saved over the backup's original name.
        recorder.Messages.clear();
        EXPECT_FALSE(SaveGameFile(target + "/b.vtr"));
        EXPECT_EQ(recorder.Messages, std::vector<std::string>{CannotCreate});
        EXPECT_EQ(Listing(target), std::vector<std::string>{"a.vk1"});
        WriteWholeFile(folder.File("small.vtr"), ProjectOfAbout(1000));
        ASSERT_TRUE(LoadGameFile(folder.File("small.vtr")));
        EXPECT_TRUE(SaveGameFile(target + "/a.vtr"));
        EXPECT_EQ(Listing(target), (std::vector<std::string>{"a.vk1", "a.vtr"}));
        EXPECT_EQ(ReadWholeFile(target + "/a.vk1"), earlier);
    }
}

}  // namespace
