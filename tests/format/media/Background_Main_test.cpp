#include "format/media/Background_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/PictureFiles.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// A background list of an empty slot and this record.
CStream BackgroundsSection(const TBackground& b) {
    return CStream(ListBytes(TList<TBackground>{400, {std::nullopt, TSlot<TBackground>{"b", b}}}));
}

TEST(Backgrounds, WithoutAnImageTheRecordIs28Bytes) {
    CProject project;
    CStream in = BackgroundsSection({.Width = 640, .Height = -480, .Transparent = 5, .Flag1 = -1, .Flag2 = 2});
    ASSERT_TRUE(LoadBackgrounds(project.Media, in));
    ASSERT_NE(GetBackground(project.Media, 1), nullptr);
    EXPECT_FALSE(GetBackground(project.Media, 1)->Image.has_value());
    EXPECT_EQ(GetBackground(project.Media, 0), nullptr);
    EXPECT_EQ(GetBackground(project.Media, 2), nullptr);

    CStream out;
    ASSERT_TRUE(GetBackground(project.Media, 1)->Save(out));
    EXPECT_EQ(out.Bytes(), RecordBytes(TBackground{.Width = 640, .Height = -480, .Transparent = 1, .Flag1 = 0}));
    EXPECT_EQ(out.Size(), 28u);
}

TEST(Backgrounds, ImagesOfEverySchemeAreWrittenAsScheme10) {
    CProject project;
    const TPicture pixels = PatternPixels(9, 7, {0x010203, 0xFFFFFF, 0x00FF00, 0x808080});
    const CBlock blocks[] = {PlainBmpBlock(MakeBmp(pixels)), ColorRunsBlock(pixels), PaletteRunsBlock(pixels),
                             CompressedBmpBlock(MakeBmp(pixels, {.TopDown = true}))};
    for (const CBlock& block : blocks) {
        CStream in = BackgroundsSection({.Width = 9, .Height = 7, .HasImage = 1, .Image = StoredPicture(block)});
        ASSERT_TRUE(LoadBackgrounds(project.Media, in));
        EXPECT_EQ(in.Remaining(), 0u);
        CStream out;
        ASSERT_TRUE(SaveBackgrounds(project.Media, out));
        out.SetPosition(0);
        for (std::int32_t expected : {400, 2, 0, 1})
            EXPECT_EQ(out.ReadInt(), expected);
        EXPECT_EQ(out.ReadString(), "b");
        for (std::int32_t expected : {400, 9, 7, 0, 1, 1, 1})
            EXPECT_EQ(out.ReadInt(), expected);
        EXPECT_EQ(ReadWrittenImage(out), pixels);
        EXPECT_EQ(out.Remaining(), 0u);
    }
}

TEST(Backgrounds, ImageFlagWithoutAnImageFailsTheRead) {
    CProject project;
    const std::vector<std::pair<const char*, TBackground>> records = {
        {"image flag with a NoImage block", {.HasImage = 1, .Image = {.Scheme = -1}}},
    };
    for (const auto& [what, record] : records) {
        CRecorder recorder(project.Core);
        CStream in = BackgroundsSection(record);
        EXPECT_FALSE(LoadBackgrounds(project.Media, in)) << what;
    }
}

}  // namespace

}  // namespace transvane
