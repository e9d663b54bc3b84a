#include "format/media/Background_Main.h"

#include <gtest/gtest.h>

#include "testkit/MediaFiles.h"
#include "testkit/TestSupport.h"

namespace {

CStream BackgroundsSection(const std::vector<CTestSlot>& slots, std::int32_t version = 400) {
    CStream stream;
    WriteListSection(stream, version, slots);
    stream.SetPosition(0);
    return stream;
}

TEST(Backgrounds, WithoutAnImageTheRecordIs28Bytes) {
    const CBlock record = BackgroundRecord({.Width = 640, .Height = -480, .Transparent = 5, .Flag1 = -1, .Flag2 = 2});
    CStream in = BackgroundsSection({Present("bg", record)});
    ASSERT_TRUE(LoadBackgrounds(in));
    ASSERT_NE(GetBackground(0), nullptr);
    EXPECT_FALSE(GetBackground(0)->Image.has_value());

    CStream out;
    ASSERT_TRUE(GetBackground(0)->Save(out));
    CStream expected;
    for (std::int32_t value : {400, 640, -480, 1, 0, 1, 0})
        expected.WriteInt(value);
    EXPECT_EQ(out.Bytes(), expected.Bytes());
    EXPECT_EQ(out.Size(), 28u);
}

TEST(Backgrounds, ImagesOfEverySchemeAreWrittenAsScheme10) {
    const CTestPixels pixels = PatternPixels(9, 7, {0x010203, 0xFFFFFF, 0x00FF00, 0x808080});
    const CBlock blocks[] = {PlainBmpBlock(MakeBmp(pixels)), ColorRunsBlock(pixels), PaletteRunsBlock(pixels),
                             CompressedBmpBlock(MakeBmp(pixels, {.TopDown = true}))};
    for (const CBlock& block : blocks) {
        CStream in = BackgroundsSection(
            {Empty(), Present("b", BackgroundRecord({.Width = 9, .Height = 7, .HasImage = 1, .ImageBlock = block}))});
        ASSERT_TRUE(LoadBackgrounds(in));
        EXPECT_EQ(in.Remaining(), 0u);
        CStream out;
        ASSERT_TRUE(SaveBackgrounds(out));
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

TEST(Backgrounds, GetBackgroundAndEmptySlots) {
    CStream in = BackgroundsSection({Present("a", BackgroundRecord({})), {-1, "", {}}, {0, "", {}}});
    ASSERT_TRUE(LoadBackgrounds(in));
    EXPECT_EQ(BackgroundList().Count(), 3);
    EXPECT_NE(GetBackground(0), nullptr);
    EXPECT_EQ(GetBackground(-1), nullptr);
    EXPECT_EQ(GetBackground(1), nullptr);
    EXPECT_EQ(GetBackground(2), nullptr);
    EXPECT_EQ(GetBackground(3), nullptr);
    ClearBackgrounds();
    CStream out;
    ASSERT_TRUE(SaveBackgrounds(out));
    EXPECT_EQ(out.Bytes(), Bytes({0x90, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(Backgrounds, RejectedRecordsFailTheRead) {
    const std::vector<std::pair<const char*, CBlock>> records = {
        {"record version 440", BackgroundRecord({.Version = 440})},
        {"image flag with a NoImage block", BackgroundRecord({.HasImage = 1, .ImageBlock = NoImageBlock()})},
        {"image flag with an unknown scheme", BackgroundRecord({.HasImage = 2, .ImageBlock = Bytes({7, 0, 0, 0})})},
    };
    for (const auto& [what, record] : records) {
        CRecorder recorder;
        CStream in = BackgroundsSection({Present("ok", BackgroundRecord({})), Present("bad", record)});
        EXPECT_FALSE(LoadBackgrounds(in)) << what;
        EXPECT_NE(GetBackground(0), nullptr);
    }
    CStream version = BackgroundsSection({}, 500);
    EXPECT_FALSE(LoadBackgrounds(version));
    CStream negative = BackgroundsSection({});
    negative.SetPosition(4);
    negative.WriteInt(-2);
    negative.SetPosition(0);
    EXPECT_THROW(LoadBackgrounds(negative), EReadError);
}

}  // namespace
