#include "format/world/Option_Main.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <set>

#include "testkit/MediaFiles.h"
#include "testkit/TestSupport.h"
#include "testkit/WorldFiles.h"
#include "format/world/Option_Icon.h"

namespace {

CWrittenOptions ReadWritten(const CBlock& bytes) {
    CStream s = StreamOf(bytes);
    CWrittenOptions w = ReadWrittenOptions(s);
    EXPECT_EQ(s.Remaining(), 0u);
    return w;
}

CBlock SaveNow() {
    CStream out;
    EXPECT_TRUE(SaveOptions(out));
    return out.TakeBytes();
}

bool LoadFrom(std::int32_t version, const CTestOptions& options) {
    CStream file;
    WriteOptionsSection(file, version, options);
    CStream in(file.Bytes());
    const bool ok = LoadOptions(in);
    if (ok) {
        EXPECT_EQ(in.Remaining(), 0u) << version;
    }
    return ok;
}

// Within a minute of now.
void ExpectNow(double dateTime) { EXPECT_LT(std::fabs(dateTime - CurrentDateTime()), 1.0 / 1440); }

TEST(GameOptions, EveryVersionIsWrittenAs500) {
    const CTestOptions o;
    for (std::int32_t v : {400, 410, 411, 419, 420, 430, 439, 440, 441, 499, 500}) {
        SCOPED_TRACE(v);
        GameOptions().Changed = true;
        ASSERT_TRUE(LoadFrom(v, o));
        EXPECT_FALSE(GameOptions().Changed);
        if (v >= 441)
            EXPECT_EQ(GameOptions().LastChanged, o.LastChanged);
        else
            ExpectNow(GameOptions().LastChanged);

        CWrittenOptions w = ReadWritten(SaveNow());
        ExpectNow(w.LastChanged);  // the time of saving, never the stored one
        w.LastChanged = 0;
        EXPECT_EQ(w, ExpectedWrittenOptions(o, v, DefaultGameIcon()));
        EXPECT_TRUE(w.Loading.has_value());
        EXPECT_EQ(w.BarImagesPresent, v >= 411);
    }
}

TEST(GameOptions, OldSwitchesTranslate) {
    for (bool maximum : {false, true}) {
        for (std::int32_t kind : {0, 1}) {
            CTestOptions o;
            o.FullScreenMaximum = maximum;
            o.ExclusiveMode = !maximum;
            o.ProgressBarKind = kind;
            o.OldImage.reset();
            ASSERT_TRUE(LoadFrom(400, o));
            EXPECT_EQ(GameOptions().FullScale, maximum ? 0 : 100);
            EXPECT_EQ(GameOptions().SetResolution, !maximum);
            EXPECT_EQ(GameOptions().ProgressBarKind, kind);
            EXPECT_FALSE(GameOptions().BarBackImage || GameOptions().BarFrontImage);
        }
    }
}

TEST(GameOptions, PicturesOfEveryEncodingAreRewritten) {
    const CTestPixels picture = PatternPixels(7, 5, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    CTestOptions o;
    o.BarBackImage = PaletteRunsBlock(picture);
    o.BarFrontImage = CompressedBmpBlock(MakeBmp(picture));
    o.LoadingImage = PlainBmpBlock(MakeBmp(picture));
    ASSERT_TRUE(LoadFrom(441, o));
    CWrittenOptions w = ReadWritten(SaveNow());
    EXPECT_EQ(w.BarBack, picture);
    EXPECT_EQ(w.BarFront, picture);
    EXPECT_EQ(w.Loading, picture);
    w.LastChanged = 0;
    EXPECT_EQ(w, ExpectedWrittenOptions(o, 441, DefaultGameIcon()));
}

TEST(GameOptions, BarImagesOnlyForAnOwnBar) {
    // Kind 2 without pictures: two NoImage blocks.
    CTestOptions o;
    o.BarBackImage = NoImageBlock();
    o.BarFrontImage = NoImageBlock();
    o.ShowLoadImage = false;
    ASSERT_TRUE(LoadFrom(500, o));
    CWrittenOptions w = ReadWritten(SaveNow());
    EXPECT_TRUE(w.BarImagesPresent);
    EXPECT_FALSE(w.BarBack || w.BarFront);
    EXPECT_FALSE(w.ShowLoadImage);

    // Held pictures are not written for another kind, nor a loading image
    // that is switched off.
    ASSERT_TRUE(LoadFrom(500, CTestOptions{}));
    ASSERT_TRUE(GameOptions().BarBackImage && GameOptions().LoadingImage);
    GameOptions().ProgressBarKind = 1;
    GameOptions().ShowLoadImage = false;
    w = ReadWritten(SaveNow());
    EXPECT_FALSE(w.BarImagesPresent);
    EXPECT_FALSE(w.ShowLoadImage);
}

TEST(GameOptions, ClearedRecordIs2374Bytes) {
    ClearOptions();
    EXPECT_FALSE(GameOptions().LoadingImage || GameOptions().BarBackImage || GameOptions().BarFrontImage);
    EXPECT_EQ(GameOptions().ProgressBarKind, 1);
    ExpectNow(GameOptions().LastChanged);
    const CBlock saved = SaveNow();
    EXPECT_EQ(saved.size(), 2374u);
    const CWrittenOptions w = ReadWritten(saved);
    EXPECT_EQ(w.Icon.size() + 4, 2242u);
    EXPECT_EQ(w.Head, (std::vector<std::int32_t>{500, 0, 0, 1, 100, 100, 1, 0, 0, 0, 1, 4,
                                                 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 1}));
    EXPECT_EQ(w.Errors, (std::vector<std::int32_t>{1, 0, 0, 0}));
    EXPECT_EQ(w.GameVersion, 100);
}

TEST(GameOptions, IconBlockIsChecked) {
    struct Case {
        const char* what;
        CBlock icon;
        bool accepted;
    };
    const Case cases[] = {
        {"icon", TestIcon(766, 1), true},
        {"type 0", TestIcon(6, 0), true},
        {"big icon", TestIcon(4286, 1), true},
        {"cursor", TestIcon(766, 2), false},
        {"type 256", TestIcon(766, 256), false},
        {"short", Bytes({0, 0, 1, 0, 1}), false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        CTestOptions o;
        o.Icon = c.icon;
        if (c.accepted) {
            ASSERT_TRUE(LoadFrom(410, o)) << c.what;
            EXPECT_EQ(GameOptions().Icon, c.icon) << c.what;
            EXPECT_EQ(ReadWritten(SaveNow()).Icon, c.icon) << c.what;
        } else {
            EXPECT_THROW(LoadFrom(500, o), EReadError) << c.what;
        }
    }
}

TEST(GameOptions, RefusedVersionsReadNothingMore) {
    for (std::int32_t v : {0, 399, 501}) {
        CStream file;
        WriteOptionsSection(file, v);
        CStream in(file.Bytes());
        EXPECT_FALSE(LoadOptions(in)) << v;
        EXPECT_EQ(in.Position(), 4u) << v;
    }
}

TEST(GameOptions, CutShortFails) {
    CStream file;
    WriteOptionsSection(file, 430);
    for (std::size_t keep : {std::size_t{6}, file.Size() / 2, file.Size() - 1}) {
        CStream in(CBlock(file.Bytes().begin(), file.Bytes().begin() + static_cast<std::ptrdiff_t>(keep)));
        EXPECT_ANY_THROW(LoadOptions(in)) << keep;
    }
}

TEST(GameOptions, DefaultIconIsA32x32At8Bits) {
    const CBlock& icon = DefaultGameIcon();
    ASSERT_EQ(icon.size(), 2238u);
    CStream s = StreamOf(icon);
    EXPECT_EQ(s.ReadInt(), 0x00010000);  // reserved 0, type 1
    s.SetPosition(4);
    EXPECT_EQ(icon[4] | icon[5] << 8, 1);  // one image
    EXPECT_EQ(icon[6], 32);
    EXPECT_EQ(icon[7], 32);
    EXPECT_EQ(icon[12] | icon[13] << 8, 8);  // bits per pixel
    s.SetPosition(14);
    EXPECT_EQ(s.ReadInt(), 2216);  // bytes of the image
    EXPECT_EQ(s.ReadInt(), 22);    // where they start
    EXPECT_EQ(s.ReadInt(), 40);
    EXPECT_EQ(s.ReadInt(), 32);
    EXPECT_EQ(s.ReadInt(), 64);  // colour image and mask
    EXPECT_NO_THROW(CheckIcon(icon));
    // A real picture: several colours, some pixels transparent, some not.
    const std::size_t pixels = 22 + 40 + 1024;
    std::set<std::uint8_t> used(icon.begin() + pixels, icon.begin() + pixels + 1024);
    EXPECT_GE(used.size(), 4u);
    std::set<std::uint8_t> mask(icon.begin() + pixels + 1024, icon.end());
    EXPECT_TRUE(mask.count(0) && mask.count(0xFF));
}

TEST(GameOptions, SpoiledSectionsFailCleanly) {
    for (std::int32_t v : {400, 430, 500}) {
        CStream file;
        WriteOptionsSection(file, v);
        for (const CBlock& copy : SpoiledCopies(file.Bytes(), 300, static_cast<unsigned>(v))) {
            CStream in(copy);
            try {
                if (LoadOptions(in))
                    SaveNow();
            } catch (const EReadError&) {
            } catch (const EZCompressionError&) {
            }
        }
    }
}

TEST(DateTime, CountsDaysFrom30December1899) {
    EXPECT_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(EncodeDateTime(1900, 1, 1, 0, 0, 0), 2.0);
    EXPECT_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0), 36526.5);
    EXPECT_EQ(EncodeDateTime(2026, 12, 8, 18, 0, 0), 46364.75);
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 0, 0, 0), -1.0);
    const double now = CurrentDateTime();
    EXPECT_GT(now, 45000.0);  // after 2023
    EXPECT_LT(now, 80000.0);
}

TEST(DateTime, DecodesToTheNearestSecond) {
    struct CCase {
        double Days;
        std::optional<std::array<int, 6>> Expected;  // year, month, day, hour, minute, second
    } const cases[] = {
        {0.0, {{1899, 12, 30, 0, 0, 0}}},
        {36526.5, {{2000, 1, 1, 12, 0, 0}}},
        {-1.25, {{1899, 12, 28, 18, 0, 0}}},  // the fraction counts forward from the day before
        {1.0 - 1e-9, {{1899, 12, 31, 0, 0, 0}}},  // rounding carries into the next day
        {EncodeDateTime(1600, 2, 29, 23, 59, 59), {{1600, 2, 29, 23, 59, 59}}},
        {3e6 + 1, std::nullopt},
        {-3e6 - 1, std::nullopt},
        {std::numeric_limits<double>::infinity(), std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
    };
    for (const CCase& c : cases) {
        const std::optional<CDateTime> t = DecodeDateTime(c.Days);
        ASSERT_EQ(t.has_value(), c.Expected.has_value()) << c.Days;
        if (t) {
            EXPECT_EQ((std::array<int, 6>{t->Year, static_cast<int>(t->Month), static_cast<int>(t->Day), t->Hour,
                                          t->Minute, t->Second}),
                      *c.Expected)
                << c.Days;
        }
    }
}

}  // namespace
