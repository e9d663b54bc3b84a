#include "format/media/DataFile_Main.h"

#include <cstring>
#include <gtest/gtest.h>

#include "project/Resource_Main.h"
#include "testkit/MediaFiles.h"
#include "testkit/TestSupport.h"

namespace {

struct CDataFileCase {
    const char* What;
    CTestDataFile Stored;
};

TEST(DataFiles, EveryFieldIsCarried) {
    CBlock data(5000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i ^ (i >> 3));
    const std::vector<CDataFileCase> cases = {
        {"data", {.FileName = "level1.dat", .HasData = 1, .Data = data, .ExportMode = 1}},
        {"HasData with no bytes", {.FileName = "empty.txt", .HasData = 1, .Data = {}}},
        {"HasData stored as 5", {.FileName = "f", .HasData = 5, .Data = Bytes({1, 2, 3})}},
        {"no data", {.FileName = "none", .HasData = 0, .ExportMode = 0}},
        {"HasData stored as -1", {.FileName = "", .HasData = -1}},
        {"ExportMode outside 0..3", {.FileName = "font.ttf", .ExportMode = 77, .Flag1 = 1, .Flag2 = 0, .Flag3 = 0}},
        {"negative ExportMode, flags 5 and -1", {.ExportMode = -4, .Flag1 = 5, .Flag2 = -1, .Flag3 = 2}},
    };
    for (const CDataFileCase& c : cases) {
        SCOPED_TRACE(c.What);
        CStream in;
        WriteListSection(in, 440, {Empty(), Present("data", DataFileRecord(c.Stored))});
        in.SetPosition(0);
        ASSERT_TRUE(LoadDataFiles(in));
        EXPECT_EQ(in.Remaining(), 0u);
        CStream out;
        ASSERT_TRUE(SaveDataFiles(out));

        CTestDataFile expected = c.Stored;
        expected.HasData = expected.HasData > 0;
        expected.Flag1 = expected.Flag1 > 0;
        expected.Flag2 = expected.Flag2 > 0;
        expected.Flag3 = expected.Flag3 > 0;
        CStream written;
        WriteListSection(written, 440, {Empty(), Present("data", DataFileRecord(expected))});
        EXPECT_EQ(out.Bytes(), written.Bytes());
        if (expected.HasData != 0) {
            EXPECT_EQ(DataFileList().Get(1)->Data, c.Stored.Data);
        }
    }
}

TEST(DataFiles, WithoutDataNoBlockIsWritten) {
    CDataFile file;
    file.FileName = "a";
    CStream out;
    ASSERT_TRUE(file.Save(out));
    CStream expected;
    expected.WriteInt(440);
    expected.WriteString("a");
    for (std::int32_t value : {0, 2, 0, 1, 1})
        expected.WriteInt(value);
    EXPECT_EQ(out.Bytes(), expected.Bytes());
}

TEST(DataFiles, OlderFilesGetAnEmptySection) {
    // The section is read only from version 440 on; before that the list
    // stays as ClearGame left it and is written as 440, 0.
    const CSection* sections = GameSections();
    const CSection* row = nullptr;
    for (int i = 0; i < GameSectionCount(); ++i)
        if (std::strcmp(sections[i].Name, "Data files") == 0)
            row = &sections[i];
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->PresentFrom, 440);
    row->Clear();
    CStream out;
    ASSERT_TRUE(row->Save(out));
    EXPECT_EQ(out.Bytes(), Bytes({0xB8, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(DataFiles, RejectedAndBrokenRecords) {
    for (std::int32_t version : {400, 441, 500}) {
        CStream in;
        WriteListSection(in, 440, {Present("a", DataFileRecord({})), Present("b", DataFileRecord({.Version = version}))});
        in.SetPosition(0);
        EXPECT_FALSE(LoadDataFiles(in)) << version;
        EXPECT_NE(DataFileList().Get(0), nullptr);
    }
    CStream list;
    WriteListSection(list, 400, {});
    list.SetPosition(0);
    EXPECT_FALSE(LoadDataFiles(list));

    CBlock record = DataFileRecord({.FileName = "", .HasData = 1, .Data = CBlock(64, 7)});
    record[16] ^= 0xFF;  // inside the zlib stream
    record[17] ^= 0xFF;
    CStream corrupt;
    WriteListSection(corrupt, 440, {Present("c", record)});
    corrupt.SetPosition(0);
    EXPECT_THROW(LoadDataFiles(corrupt), EZCompressionError);

    CStream whole;
    WriteListSection(whole, 440, {Present("c", DataFileRecord({.HasData = 1, .Data = CBlock(64, 7)}))});
    CStream cut(CBlock(whole.Bytes().begin(), whole.Bytes().end() - 20));
    EXPECT_THROW(LoadDataFiles(cut), std::exception);

    ClearDataFiles();
    EXPECT_EQ(DataFileList().Count(), 0);
}

}  // namespace
