#include "format/media/Sprite_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/PictureFiles.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

const std::vector<std::uint32_t> Colours = {0x102030, 0xFFFFFF, 0x000000, 0xA0B0C0, 0x0000FF};

CStream SpritesSection(const TSprite& sprite) {
    return CStream(ListBytes(TList<TSprite>{400, {TSlot<TSprite>{"spr_hero", sprite}}}));
}

TEST(Sprites, FieldsAndSubimagesAreCarried) {
    CProject project;
    const TPicture runs = PatternPixels(6, 4, Colours);
    const TPicture palette = PatternPixels(3, 5, Colours);
    const TPicture plain = PatternPixels(2, 2, Colours);
    const TSprite stored{
        .Width = 64,
        .Height = -7,
        .Left = 1,
        .Top = 2,
        .Right = 3,
        .Bottom = 4,
        .Transparent = 5,
        .Value1 = -123,
        .Flag1 = -1,
        .Flag2 = 0,
        .Flag3 = 7,
        .Value2 = 0x7FFFFFFF,
        .Value3 = -1,
        .Images = {StoredPicture(ColorRunsBlock(runs)), StoredPicture(PaletteRunsBlock(palette)),
                   StoredPicture(PlainBmpBlock(MakeBmp(plain))), StoredPicture(CompressedBmpBlock(MakeBmp(plain)))}};
    CStream in = SpritesSection(stored);
    ASSERT_TRUE(LoadSprites(project.Media, in));
    EXPECT_EQ(in.Remaining(), 0u);
    const CSprite* sprite = SpriteList(project.Media).Get(0);
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->Bounds, (CSpriteBounds{1, 2, 3, 4}));
    EXPECT_TRUE(sprite->Transparent);
    EXPECT_FALSE(sprite->SpriteFlag1);
    EXPECT_TRUE(SpriteExists(project.Media, 0));
    EXPECT_FALSE(SpriteExists(project.Media, 1));

    CStream out;
    ASSERT_TRUE(SaveSprites(project.Media, out));
    out.SetPosition(0);
    for (std::int32_t expected : {400, 1, 1})
        EXPECT_EQ(out.ReadInt(), expected);
    EXPECT_EQ(out.ReadString(), "spr_hero");
    // The integers unchanged, the rectangle as Left, Right, Bottom, Top, the
    // flags as 0 or 1.
    for (std::int32_t expected : {400, 64, -7, 1, 3, 4, 2, 1, -123, 0, 0, 1, 0x7FFFFFFF, -1, 4})
        EXPECT_EQ(out.ReadInt(), expected);
    for (const TPicture& pixels : {runs, palette, plain, plain})
        EXPECT_EQ(ReadWrittenImage(out), pixels);
    EXPECT_EQ(out.Remaining(), 0u);
}

TEST(Sprites, RejectedRecordsFailTheRead) {
    CProject project;
    const TPicture image = StoredPicture(CompressedBmpBlock(MakeBmp(FilledPixels(2, 2, 0x123456))));
    const std::vector<std::pair<const char*, TSprite>> records = {
        {"record version 410", {.Version = 410}},
        {"a NoImage subimage", {.Images = {image, TPicture{.Scheme = -1}}}},
        {"an undecodable BMP", {.Images = {StoredPicture(CompressedBmpBlock(Bytes({'B', 'X'})))}}},
    };
    for (const auto& [what, record] : records) {
        CRecorder recorder(project.Core);
        CStream in = SpritesSection(record);
        EXPECT_FALSE(LoadSprites(project.Media, in)) << what;
    }
}

TEST(Sprites, HostileImageCountsFailBeforeAllocating) {
    CProject project;
    // The image count follows the name "spr_hero" and fourteen numbers.
    const CBlock section = ListBytes(TList<TSprite>{400, {TSlot<TSprite>{"spr_hero", {}}}});
    for (std::int32_t count : {-1, 0x40000000}) {
        CStream in(Patched(section, 12 + 4 + 8 + 14 * 4, count));
        EXPECT_THROW(LoadSprites(project.Media, in), EReadError) << count;
    }
    CStream unknownScheme = SpritesSection({.Images = {TPicture{.Scheme = 3}}});
    EXPECT_THROW(LoadSprites(project.Media, unknownScheme), EReadError);
    const CBlock cut = SpritesSection({.Images = {StoredPicture(ColorRunsBlock(FilledPixels(3, 3, 0)))}}).Bytes();
    CStream shortened(CBlock(cut.begin(), cut.end() - 5));
    EXPECT_THROW(LoadSprites(project.Media, shortened), EReadError);
}

}  // namespace

}  // namespace transvane
