#include "format/media/Sprite_Main.h"
#include "format/media/Support_Bitmap24.h"

#include <gtest/gtest.h>

#include "testkit/MediaFiles.h"
#include "testkit/TestSupport.h"

namespace {

const std::vector<std::uint32_t> Colours = {0x102030, 0xFFFFFF, 0x000000, 0xA0B0C0, 0x0000FF};

CStream SpritesSection(const std::vector<CTestSlot>& slots, std::int32_t version = 400) {
    CStream stream;
    WriteListSection(stream, version, slots);
    stream.SetPosition(0);
    return stream;
}

TEST(Sprites, FieldsAndSubimagesAreCarried) {
    const CTestPixels runs = PatternPixels(6, 4, Colours);
    const CTestPixels palette = PatternPixels(3, 5, Colours);
    const CTestPixels plain = PatternPixels(2, 2, Colours);
    const CTestSprite stored{.Width = 64, .Height = -7, .Left = 1, .Top = 2, .Right = 3, .Bottom = 4,
                             .Transparent = 5, .Value1 = -123, .Flag1 = -1, .Flag2 = 0, .Flag3 = 7,
                             .Value2 = 0x7FFFFFFF, .Value3 = -1,
                             .ImageBlocks = {ColorRunsBlock(runs), PaletteRunsBlock(palette),
                                             PlainBmpBlock(MakeBmp(plain)), CompressedBmpBlock(MakeBmp(plain))}};
    CStream in = SpritesSection({Present("spr_hero", SpriteRecord(stored))});
    ASSERT_TRUE(LoadSprites(in));
    EXPECT_EQ(in.Remaining(), 0u);
    const CSprite* sprite = SpriteList().Get(0);
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->Bounds, (CSpriteBounds{1, 2, 3, 4}));
    EXPECT_TRUE(sprite->Transparent);
    EXPECT_FALSE(sprite->SpriteFlag1);

    CStream out;
    ASSERT_TRUE(SaveSprites(out));
    out.SetPosition(0);
    EXPECT_EQ(out.ReadInt(), 400);
    EXPECT_EQ(out.ReadInt(), 1);
    EXPECT_EQ(out.ReadInt(), 1);
    EXPECT_EQ(out.ReadString(), "spr_hero");
    // The integers unchanged, the rectangle as Left, Right, Bottom, Top, the
    // flags as 0 or 1.
    for (std::int32_t expected : {400, 64, -7, 1, 3, 4, 2, 1, -123, 0, 0, 1, 0x7FFFFFFF, -1, 4})
        EXPECT_EQ(out.ReadInt(), expected);
    for (const CTestPixels& pixels : {runs, palette, plain, plain})
        EXPECT_EQ(ReadWrittenImage(out), pixels);
    EXPECT_EQ(out.Remaining(), 0u);
}

TEST(Sprites, OnlyTheMiddleSlotHoldsASprite) {
    CStream in = SpritesSection({Empty(), Present("middle", SpriteRecord({})), {-3, "", {}}});
    ASSERT_TRUE(LoadSprites(in));
    ASSERT_EQ(SpriteList().Count(), 3);
    EXPECT_EQ(SpriteList().Name(0), "");
    EXPECT_EQ(SpriteList().Name(1), "middle");
    EXPECT_EQ(SpriteList().Name(2), "");
    EXPECT_FALSE(SpriteExists(-1));
    EXPECT_FALSE(SpriteExists(0));
    EXPECT_TRUE(SpriteExists(1));
    EXPECT_FALSE(SpriteExists(2));
    EXPECT_FALSE(SpriteExists(3));

    CStream out;
    ASSERT_TRUE(SaveSprites(out));
    CStream expected;
    WriteListSection(expected, 400, {Empty(), Present("middle", SpriteRecord({})), Empty()});
    EXPECT_EQ(out.Bytes(), expected.Bytes()) << "a sprite with no subimages ends with its count 0";
}

TEST(Sprites, ClearEmptiesTheList) {
    CStream in = SpritesSection({Present("a", SpriteRecord({}))});
    ASSERT_TRUE(LoadSprites(in));
    SpriteList().Changed = true;
    ClearSprites();
    EXPECT_EQ(SpriteList().Count(), 0);
    EXPECT_FALSE(SpriteList().Changed);
    CStream out;
    ASSERT_TRUE(SaveSprites(out));
    EXPECT_EQ(out.Bytes(), Bytes({0x90, 1, 0, 0, 0, 0, 0, 0}));

    CSprite sprite;
    sprite.Images.push_back(NewBitmap24(2, 2));
    sprite.Width = 5;
    sprite.Clear();
    EXPECT_TRUE(sprite.Images.empty());
    EXPECT_EQ(sprite.Width, 32);
    EXPECT_TRUE(sprite.SpriteFlag2);
}

struct CRejectCase {
    const char* What;
    CStream Section;
};

TEST(Sprites, RejectedRecordsFailTheRead) {
    const CBlock image = CompressedBmpBlock(MakeBmp(FilledPixels(2, 2, 0x123456)));
    const std::vector<std::pair<const char*, CBlock>> records = {
        {"record version 500", SpriteRecord({.Version = 500})},
        {"record version 410", SpriteRecord({.Version = 410})},
        {"a NoImage subimage", SpriteRecord({.ImageBlocks = {image, NoImageBlock()}})},
        {"an unknown scheme", SpriteRecord({.ImageBlocks = {Bytes({3, 0, 0, 0})}})},
        {"an undecodable BMP", SpriteRecord({.ImageBlocks = {CompressedBmpBlock(Bytes({'B', 'X'}))}})},
    };
    for (const auto& [what, record] : records) {
        CRecorder recorder;
        CStream in = SpritesSection({Present("ok", SpriteRecord({})), Present("bad", record)});
        EXPECT_FALSE(LoadSprites(in)) << what;
        EXPECT_TRUE(SpriteExists(0)) << "slots before the failure stay until the project is cleared";
    }
    CStream version = SpritesSection({}, 401);
    EXPECT_FALSE(LoadSprites(version));
}

TEST(Sprites, HostileCountsFailBeforeAllocating) {
    CStream negativeSlots = SpritesSection({});
    negativeSlots.SetPosition(4);
    negativeSlots.WriteInt(-1);
    negativeSlots.SetPosition(0);
    EXPECT_THROW(LoadSprites(negativeSlots), EReadError);

    CStream manySlots = SpritesSection({});
    manySlots.SetPosition(4);
    manySlots.WriteInt(0x7FFFFFFF);
    manySlots.SetPosition(0);
    EXPECT_THROW(LoadSprites(manySlots), EReadError);

    for (std::int32_t count : {-1, 0x40000000}) {
        CBlock record = SpriteRecord({});
        CStream patch(std::move(record));
        patch.SetPosition(14 * 4);
        patch.WriteInt(count);
        CStream in = SpritesSection({Present("s", patch.TakeBytes())});
        EXPECT_THROW(LoadSprites(in), EReadError) << count;
    }
    CStream cut = SpritesSection({Present("s", SpriteRecord({.ImageBlocks = {ColorRunsBlock(FilledPixels(3, 3, 0))}}))});
    CStream shortened(CBlock(cut.Bytes().begin(), cut.Bytes().end() - 5));
    EXPECT_THROW(LoadSprites(shortened), EReadError);
}

}  // namespace
