#include "format/media/DataFile_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// A data-file list of an empty slot and this record.
CBlock DataFilesSection(const TDataFile& d) {
    return ListBytes(TList<TDataFile>{440, {std::nullopt, TSlot<TDataFile>{"data", d}}});
}

TEST(DataFiles, EveryFieldIsCarried) {
    CProject project;
    const CBlock data = NoiseBytes(5000);
    const std::pair<const char*, TDataFile> cases[] = {
        {"data", {.FileName = "level1.dat", .HasData = 1, .Data = data, .ExportMode = 1}},
        {"HasData with no bytes", {.FileName = "empty.txt", .HasData = 1, .Data = {}}},
        {"HasData stored as 5", {.FileName = "f", .HasData = 5, .Data = Bytes({1, 2, 3})}},
        {"no data", {.FileName = "none", .HasData = 0, .ExportMode = 0}},
        {"HasData stored as -1", {.FileName = "", .HasData = -1}},
        {"ExportMode outside 0..3", {.FileName = "font.ttf", .ExportMode = 77, .Flag1 = 1, .Flag2 = 0, .Flag3 = 0}},
        {"negative ExportMode, flags 5 and -1", {.ExportMode = -4, .Flag1 = 5, .Flag2 = -1, .Flag3 = 2}},
    };
    for (const auto& [what, stored] : cases) {
        SCOPED_TRACE(what);
        CStream in(DataFilesSection(stored));
        ASSERT_TRUE(LoadDataFiles(project.Media, in));
        EXPECT_EQ(in.Remaining(), 0u);
        CStream out;
        ASSERT_TRUE(SaveDataFiles(project.Media, out));

        TDataFile expected = stored;
        expected.HasData = expected.HasData > 0;
        expected.Flag1 = expected.Flag1 > 0;
        expected.Flag2 = expected.Flag2 > 0;
        expected.Flag3 = expected.Flag3 > 0;
        EXPECT_EQ(out.Bytes(), DataFilesSection(expected));
        if (expected.HasData != 0) {
            EXPECT_EQ(DataFileList(project.Media).Get(1)->Data, stored.Data);
        }
    }
}

TEST(DataFiles, BrokenBlocks) {
    CProject project;
    CBlock corrupt = DataFilesSection({.FileName = "", .HasData = 1, .Data = CBlock(64, 7)});
    const std::size_t record = 16 + 4 + 4;  // after the list head, two flags and the name
    corrupt[record + 16] ^= 0xFF;           // inside the zlib stream
    corrupt[record + 17] ^= 0xFF;
    CStream in(corrupt);
    EXPECT_THROW(LoadDataFiles(project.Media, in), EZCompressionError);

    const CBlock whole = DataFilesSection({.HasData = 1, .Data = CBlock(64, 7)});
    CStream cut(CBlock(whole.begin(), whole.end() - 20));
    EXPECT_THROW(LoadDataFiles(project.Media, cut), std::exception);
}

}  // namespace

}  // namespace transvane
