#include "format/media/Support_Bitmap24.h"

#include <gtest/gtest.h>

#include "testkit/ExpectedConversion.h"
#include "testkit/PictureFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

const std::string SaveError = "Internal error in Bitmap24_SaveToStream.";

const std::vector<std::uint32_t> Primaries = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                              0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
const std::vector<std::uint32_t> TrueColours = {0x123456, 0xFEDCBA, 0x0080FF, 0x7F7F01, 0xFFFFFF, 0x000000};

TPicture White(std::int32_t width, std::int32_t height) { return FilledPixels(width, height, 0xFFFFFF); }

// Reads one image block from the bytes, checking that exactly the block was
// consumed, and writes the image back.
struct CRoundTrip {
    std::optional<TPicture> Pixels;
    std::vector<std::string> Messages;
};

CRoundTrip RoundTrip(const CBlock& block) {
    CCoreState core;
    CRecorder recorder(core);
    CStream in(core, block);
    std::optional<CBlock> image = Bitmap24_LoadFromStream(in);
    EXPECT_EQ(in.Remaining(), 0u) << "the block is consumed exactly";
    CStream out(core);
    Bitmap24_SaveToStream(image ? &*image : nullptr, out);
    out.SetPosition(0);
    CRoundTrip result{ReadWrittenImage(out), recorder.Messages};
    EXPECT_EQ(out.Remaining(), 0u);
    return result;
}

struct CEncodingCase {
    const char* What;
    TPicture Pixels;
    CBlock Block;
    bool ShowsSaveError;  // images of another depth than 24 bits
};

TEST(Bitmap24, EveryEncodingRoundTripsToTheSamePixels) {
    const TPicture eight = PatternPixels(5, 3, Primaries);
    const TPicture two = PatternPixels(11, 4, {0x000000, 0xFFFFFF});
    const TPicture four = PatternPixels(6, 3, {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF});
    const TPicture deep = PatternPixels(7, 5, TrueColours);
    const TPicture wide = PatternPixels(600, 2, Primaries);  // runs longer than 255 pixels
    const TPicture plain = FilledPixels(300, 2, 0x336699);
    const std::vector<CEncodingCase> cases = {
        {"colour runs", deep, ColorRunsBlock(deep), false},
        {"colour runs longer than a byte", plain, ColorRunsBlock(plain), false},
        {"palette runs", eight, PaletteRunsBlock(eight), false},
        {"palette runs, wide", wide, PaletteRunsBlock(wide), false},
        {"plain 24-bit", deep, PlainBmpBlock(MakeBmp(deep)), false},
        {"plain 24-bit top-down", deep, PlainBmpBlock(MakeBmp(deep, {.TopDown = true})), false},
        {"plain 24-bit, no image size", deep, PlainBmpBlock(MakeBmp(deep, {.ImageSizeField = false})), false},
        {"plain 24-bit, core header", deep, PlainBmpBlock(MakeBmp(deep, {.HeaderSize = 12})), false},
        {"plain 24-bit, unused colour table", deep, PlainBmpBlock(MakeBmp(deep, {.ColoursUsed = 3})), false},
        {"plain 1-bit", two, PlainBmpBlock(MakeBmp(two, {.BitCount = 1})), true},
        {"plain 2-bit", four, PlainBmpBlock(MakeBmp(four, {.BitCount = 2})), true},
        {"plain 4-bit", eight, PlainBmpBlock(MakeBmp(eight, {.BitCount = 4})), true},
        {"plain 8-bit", eight, PlainBmpBlock(MakeBmp(eight, {.BitCount = 8})), true},
        {"plain 8-bit, short table", eight, PlainBmpBlock(MakeBmp(eight, {.BitCount = 8, .ColoursUsed = 8})), true},
        {"plain 8-bit, core header", eight, PlainBmpBlock(MakeBmp(eight, {.BitCount = 8, .HeaderSize = 12})), true},
        {"plain 8-bit top-down", eight, PlainBmpBlock(MakeBmp(eight, {.BitCount = 8, .TopDown = true})), true},
        {"plain 4-bit, core header", eight, PlainBmpBlock(MakeBmp(eight, {.BitCount = 4, .HeaderSize = 12})), true},
        {"plain 16-bit", eight, PlainBmpBlock(MakeBmp(eight, {.BitCount = 16})), true},
        {"plain 16-bit 5-6-5", eight,
         PlainBmpBlock(MakeBmp(
             eight, {.BitCount = 16, .BitFields = true, .RedMask = 0xF800, .GreenMask = 0x07E0, .BlueMask = 0x001F})),
         true},
        {"plain 32-bit", deep, PlainBmpBlock(MakeBmp(deep, {.BitCount = 32})), true},
        {"plain 32-bit, masks in a 108-byte header", deep,
         PlainBmpBlock(MakeBmp(deep, {.BitCount = 32,
                                      .HeaderSize = 108,
                                      .BitFields = true,
                                      .RedMask = 0x000000FF,
                                      .GreenMask = 0x0000FF00,
                                      .BlueMask = 0x00FF0000})),
         true},
        {"plain 32-bit, 124-byte header, top-down", deep,
         PlainBmpBlock(MakeBmp(deep, {.BitCount = 32, .HeaderSize = 124, .TopDown = true})), true},
        {"plain 32-bit, 10-bit fields", eight,
         PlainBmpBlock(MakeBmp(eight, {.BitCount = 32,
                                       .BitFields = true,
                                       .RedMask = 0x3FF00000,
                                       .GreenMask = 0x000FFC00,
                                       .BlueMask = 0x000003FF})),
         true},
        {"plain RLE8", wide, PlainBmpBlock(MakeBmp(wide, {.BitCount = 8, .RunLength = 8})), true},
        {"plain RLE4", four, PlainBmpBlock(MakeBmp(four, {.BitCount = 4, .RunLength = 4})), true},
        {"compressed 24-bit", deep, CompressedBmpBlock(MakeBmp(deep)), false},
        {"compressed 24-bit, odd padding", deep, CompressedBmpBlock(MakeBmp(deep, {.PaddingByte = 0xAB})), false},
        {"compressed 24-bit top-down", deep, CompressedBmpBlock(MakeBmp(deep, {.TopDown = true})), false},
        {"compressed 8-bit", eight, CompressedBmpBlock(MakeBmp(eight, {.BitCount = 8})), true},
        {"compressed 1-bit", two, CompressedBmpBlock(MakeBmp(two, {.BitCount = 1})), true},
        {"compressed 16-bit", eight, CompressedBmpBlock(MakeBmp(eight, {.BitCount = 16})), true},
        {"compressed 32-bit", deep, CompressedBmpBlock(MakeBmp(deep, {.BitCount = 32})), true},
        {"compressed RLE8 without image size", eight,
         CompressedBmpBlock(MakeBmp(eight, {.BitCount = 8, .RunLength = 8, .ImageSizeField = false})), true},
    };
    for (const CEncodingCase& c : cases) {
        SCOPED_TRACE(c.What);
        const CRoundTrip result = RoundTrip(c.Block);
        ASSERT_TRUE(result.Pixels.has_value());
        EXPECT_EQ(*result.Pixels, c.Pixels);
        EXPECT_EQ(result.Messages, c.ShowsSaveError ? std::vector<std::string>{SaveError} : std::vector<std::string>{});
        // The written block reads back and writes again to the same bytes.
        CStream written;
        const CBlock bmp = MakeBmp(c.Pixels);
        Bitmap24_SaveToStream(&bmp, written);
        CStream again(written.Bytes());
        std::optional<CBlock> reread = Bitmap24_LoadFromStream(again);
        ASSERT_TRUE(reread.has_value());
        CStream rewritten;
        Bitmap24_SaveToStream(&*reread, rewritten);
        EXPECT_EQ(rewritten.Bytes(), written.Bytes());
    }
}

TEST(Bitmap24, StandardBitmapIsWrittenAsItIs) {
    const CBlock bmp = MakeBmp(PatternPixels(5, 4, TrueColours), {.PaddingByte = 0x5A});
    CStream in(CompressedBmpBlock(bmp));
    std::optional<CBlock> image = Bitmap24_LoadFromStream(in);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image, bmp) << "kept as the bytes of the BMP file";
    CStream out;
    Bitmap24_SaveToStream(&*image, out);
    out.SetPosition(0);
    EXPECT_EQ(out.ReadInt(), 10);
    EXPECT_EQ(out.ReadCompressedBlock(), bmp) << "not decoded and re-encoded";
}

TEST(Bitmap24, NoImageIsFourBytes) {
    CStream in(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 7}));
    EXPECT_FALSE(Bitmap24_LoadFromStream(in).has_value());
    EXPECT_EQ(in.Position(), 4u);
    CStream out;
    Bitmap24_SaveToStream(nullptr, out);
    EXPECT_EQ(out.Bytes(), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(Bitmap24, NewBitmapIsWhiteAndAtLeastOnePixel) {
    EXPECT_EQ(ReadWrittenBmp(NewBitmap24(3, 2)), White(3, 2));
    EXPECT_EQ(ReadWrittenBmp(NewBitmap24(0, -5)), White(1, 1));
    EXPECT_EQ(ReadWrittenBmp(NewBitmap24(-1, 4)), White(1, 4));
    EXPECT_THROW(NewBitmap24(1 << 15, 1 << 14), EReadError);
}

struct CRunCase {
    const char* What;
    CBlock Block;
    TPicture Expected;
};

// Each block reads as the expected pixels, showing these messages on the
// way back out.
void ExpectRoundTrips(const std::vector<CRunCase>& cases, const std::vector<std::string>& messages) {
    for (const CRunCase& c : cases) {
        SCOPED_TRACE(c.What);
        const CRoundTrip result = RoundTrip(c.Block);
        ASSERT_TRUE(result.Pixels.has_value());
        EXPECT_EQ(*result.Pixels, c.Expected);
        EXPECT_EQ(result.Messages, messages);
    }
}

TEST(Bitmap24, RunEdgeCases) {
    const std::uint32_t red = 0xFF0000, blue = 0x0000FF;
    auto row = [](std::initializer_list<std::uint32_t> colours) {
        return TPicture{10, static_cast<std::int32_t>(colours.size()), 1, colours, {}};
    };
    const std::uint32_t white = 0xFFFFFF, black = 0x000000;
    TRunRows manyRuns(1);
    manyRuns[0].assign(70000, TColourRun{0, red});
    manyRuns[0].push_back({2, blue});
    const std::vector<CRunCase> cases = {
        {"height 0", ColorRunsBlock(4, 0, {}), White(4, 1)},
        {"width and height below 1", ColorRunsBlock(-2, 0, {}), White(1, 1)},
        {"short row stays white", ColorRunsBlock(4, 1, {{{1, red}, {1, blue}}}), row({red, blue, white, white})},
        {"zero-length runs consume their colour", ColorRunsBlock(3, 1, {{{0, blue}, {2, red}, {0, blue}, {1, blue}}}),
         row({red, red, blue})},
        {"runs past the row end are cut", ColorRunsBlock(3, 1, {{{2, red}, {200, blue}, {5, red}}}),
         row({red, red, blue})},
        {"a row of no runs", ColorRunsBlock(2, 2, {{}, {{2, red}}}), TPicture{10, 2, 2, {white, white, red, red}, {}}},
        {"more runs than the authoring tool writes", ColorRunsBlock(2, 1, manyRuns), row({blue, blue})},
        {"palette runs, zero-length and short", PaletteRunsBlock({red, blue}, 4, 1, {{{0, 1}, {1, 0}, {2, 1}}}),
         row({red, blue, blue, white})},
        {"palette index beyond the palette is black", PaletteRunsBlock({red, blue}, 3, 1, {{{1, 1}, {1, 2}, {1, 255}}}),
         row({blue, black, black})},
        {"empty palette", PaletteRunsBlock({}, 2, 1, {{{2, 0}}}), row({black, black})},
        {"palette of more than 256 entries",
         [&] {
             std::vector<std::uint32_t> palette(300, black);
             palette[255] = red;
             palette[299] = blue;
             return PaletteRunsBlock(palette, 1, 1, {{{1, 255}}});
         }(),
         row({red})},
    };
    ExpectRoundTrips(cases, {});
}

// A run-length BMP written by hand, to reach the absolute and delta codes.
// Four pixels wide, two high; colour 0 of the palette is grey.
CBlock HandMadeRle8(const CBlock& data) {
    // Both rows grey, red, green, blue: the colour table takes them in
    // that order.
    const TPicture order{
        10, 4, 2, {0x808080, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0xFF0000, 0x00FF00, 0x0000FF}, {}};
    CBlock bmp = MakeBmp(order, {.BitCount = 8, .ColoursUsed = 4});
    const std::size_t dataAt = 14 + 40 + 16;
    bmp.resize(dataAt);
    bmp[30] = 1;  // compression RLE8
    const auto size = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        bmp[34 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    bmp.insert(bmp.end(), data.begin(), data.end());
    return bmp;
}

TEST(Bitmap24, RunLengthBmpCodes) {
    const std::uint32_t grey = 0x808080, red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
    auto pixels = [](std::initializer_list<std::uint32_t> colours) { return TPicture{10, 4, 2, colours, {}}; };
    const std::vector<CRunCase> cases = {
        {"absolute run, end of line, delta",
         PlainBmpBlock(HandMadeRle8(Bytes({0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 1, 1, 0, 1}))),
         pixels({grey, grey, red, grey, red, green, blue, grey})},
        {"runs past the row end and a delta past the last row",
         PlainBmpBlock(HandMadeRle8(Bytes({200, 3, 0, 0, 0, 2, 1, 9, 7, 2}))),
         pixels({grey, grey, grey, grey, blue, blue, blue, blue})},
        {"absolute run cut by the end of the data", PlainBmpBlock(HandMadeRle8(Bytes({0, 5, 2, 2}))),
         pixels({grey, grey, grey, grey, green, green, grey, grey})},
        {"no data at all", CompressedBmpBlock(HandMadeRle8({})),
         pixels({grey, grey, grey, grey, grey, grey, grey, grey})},
    };
    ExpectRoundTrips(cases, {SaveError});  // an 8-bit BMP, written as 24 bits
}

// No writer makes another scheme, and nothing tells how long such a block
// is: the file is damaged, and says so quietly through the load.
TEST(Bitmap24, UnknownSchemeIsADamagedFile) {
    for (std::int32_t scheme : {3, -2, 9, 11}) {
        CCoreState core;
        CRecorder recorder(core);
        CStream in(core);
        in.WriteInt(scheme);
        in.WriteInt(1234);
        in.SetPosition(0);
        try {
            Bitmap24_LoadFromStream(in);
            ADD_FAILURE() << scheme << " was read";
        } catch (const EReadError& error) {
            EXPECT_EQ(error.what(), "a picture block of unknown scheme " + std::to_string(scheme));
        }
        EXPECT_TRUE(recorder.Messages.empty());
    }
}

TEST(Bitmap24, UndecodableBmpYieldsNone) {
    const TPicture pixels = PatternPixels(3, 3, Primaries);
    auto spoil = [&](std::size_t at, std::uint8_t value, TBmpShape shape = {}) {
        CBlock bmp = MakeBmp(pixels, shape);
        bmp[at] = value;
        return bmp;
    };
    CBlock shortData = MakeBmp(pixels);
    shortData.pop_back();
    const std::vector<std::pair<const char*, CBlock>> cases = {
        {"signature", spoil(0, 'X')},
        {"planes", spoil(26, 2)},
        {"bit count", spoil(28, 12)},
        {"compression", spoil(30, 4)},
        {"RLE8 at 24 bits", spoil(30, 1)},
        {"header too short", spoil(14, 14)},
        {"data short", shortData},
        {"nothing but a file header", CBlock(shortData.begin(), shortData.begin() + 16)},
        {"image size smaller than the rows", spoil(34, 1)},
    };
    for (const auto& [what, bmp] : cases) {
        SCOPED_TRACE(what);
        CCoreState core;
        CRecorder recorder(core);
        CStream plain(core, PlainBmpBlock(bmp));
        EXPECT_FALSE(Bitmap24_LoadFromStream(plain).has_value());
        CStream compressed(core, CompressedBmpBlock(bmp));
        EXPECT_FALSE(Bitmap24_LoadFromStream(compressed).has_value());
        EXPECT_EQ(compressed.Remaining(), 0u) << "the compressed block is consumed whole";
        EXPECT_TRUE(recorder.Messages.empty());
        EXPECT_THROW(Bitmap24_SaveToStream(&bmp, compressed), std::invalid_argument);
    }
    // A run-length BMP in place needs its image size to tell its length.
    CStream rle(PlainBmpBlock(MakeBmp(pixels, {.BitCount = 8, .RunLength = 8, .ImageSizeField = false})));
    EXPECT_FALSE(Bitmap24_LoadFromStream(rle).has_value());
}

TEST(Bitmap24, ShortAndCorruptBlocksFailTheRead) {
    const CBlock runs = ColorRunsBlock(PatternPixels(4, 3, Primaries));
    for (std::size_t cut : {4u, 8u, 12u, 20u}) {
        CStream in(CBlock(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_THROW(Bitmap24_LoadFromStream(in), EReadError) << cut;
    }
    CBlock compressed = CompressedBmpBlock(MakeBmp(PatternPixels(4, 3, Primaries)));
    compressed[10] ^= 0xFF;
    CStream corrupt(compressed);
    EXPECT_THROW(Bitmap24_LoadFromStream(corrupt), EZCompressionError);
    CStream cutPlain(CBlock(compressed.begin(), compressed.begin() + 20));
    EXPECT_THROW(Bitmap24_LoadFromStream(cutPlain), EReadError);
    CStream negativeRuns(ColorRunsBlock(2, 1, {}));
    negativeRuns.SetPosition(negativeRuns.Size());
    negativeRuns.WriteInt(-1);
    negativeRuns.SetPosition(0);
    EXPECT_THROW(Bitmap24_LoadFromStream(negativeRuns), EReadError);
}

TEST(Bitmap24, HostileSizesAreCorruptFilesNotAllocations) {
    // Each must fail at once, before anything of its claimed size exists.
    CStream rows(ColorRunsBlock(1, 1 << 30, {}));
    EXPECT_THROW(Bitmap24_LoadFromStream(rows), EReadError) << "more rows than bytes";
    CStream huge(ColorRunsBlock(1 << 15, 1 << 14, TRunRows(1 << 14)));
    EXPECT_THROW(Bitmap24_LoadFromStream(huge), EReadError) << "above the pixel bound";
    CStream sparse(ColorRunsBlock(1 << 14, 1 << 8, TRunRows(1 << 8)));
    EXPECT_THROW(Bitmap24_LoadFromStream(sparse), EReadError) << "four million pixels from a kilobyte";
    CStream wideRow(PaletteRunsBlock({}, 1 << 28, 0, {}));
    EXPECT_THROW(Bitmap24_LoadFromStream(wideRow), EReadError) << "one row of 2^28 pixels from nothing";
    CStream palette(Bytes({2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_THROW(Bitmap24_LoadFromStream(palette), EReadError) << "palette larger than the data";

    // A run-length BMP of 2^28 pixels that ends at once.
    CBlock rle = MakeBmp(White(2, 2), {.BitCount = 8, .RunLength = 8});
    rle[18] = 0, rle[19] = 0x40, rle[20] = 0, rle[21] = 0;  // width 16384
    rle[22] = 0, rle[23] = 0x40, rle[24] = 0, rle[25] = 0;  // height 16384
    CStream bigRle(CompressedBmpBlock(rle));
    EXPECT_THROW(Bitmap24_LoadFromStream(bigRle), EReadError);
    // A plain BMP above the bound with its data absent.
    CBlock plain = MakeBmp(White(2, 2), {.BitCount = 1});
    plain[21] = 0x7F;
    plain[25] = 0x7F;
    CStream bigPlain(PlainBmpBlock(plain));
    EXPECT_THROW(Bitmap24_LoadFromStream(bigPlain), EReadError);
}

TEST(Bitmap24, ImagesWithoutPixelsAreWrittenOnePixelWide) {
    // A BMP of width 0 decodes to nothing; it is written as white pixels,
    // one column wide, so that every written BMP is an ordinary one.
    CBlock bmp = MakeBmp(White(1, 3));
    bmp[18] = 0;
    const CRoundTrip result = RoundTrip(CompressedBmpBlock(bmp));
    ASSERT_TRUE(result.Pixels.has_value());
    EXPECT_EQ(*result.Pixels, White(1, 3));
}

}  // namespace

}  // namespace transvane
