#include "format/world/Option_Main.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <set>

#include "format/world/Option_Icon.h"
#include "project/Project_Main.h"
#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// Options whose values differ from a new project's, so that a field the
// reader drops is caught.
TOptions RichOptions(std::int32_t version) {
    TOptions o;
    o.Version = version;
    o.Flags = {1, 1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 1};
    o.WindowScale = 150;
    o.FullScale = 75;
    o.FullMaxSwitch = 1;
    o.ExclusiveMode = 1;
    o.ColorDepth = 1;
    o.Resolution = 3;
    o.Frequency = 2;
    o.OldBlock = {1, 1, MakePicture(1, 3, 2, 1), {7, 8, 9}, "old", 11, 1};
    o.ProgressBarKind = 2;
    o.BarBackImage = MakePicture(1, 4, 1, 2);
    o.BarFrontImage = MakePicture(1, 2, 2, 3);
    o.ShowLoadImage = 1;
    o.LoadingImage = MakePicture(1, 5, 3, 4);
    o.Icon = TestIcon();
    o.Errors = {0, 1, 1, 1};
    o.Author = "A. Author";
    o.GameVersion = 321;
    o.LastChanged = 40000.25;
    o.Information = "Some words\r\nabout the game";
    return o;
}

// What the converter writes for the stored options, LastChanged 0.
TOptions Expected(const TOptions& stored) {
    TProject project = EmptyProject(500);
    project.Options = stored;
    TOptions expected = ExpectedConversion(project).Project.Options;
    if (!expected.Icon)
        expected.Icon = DefaultGameIcon();
    return expected;
}

CBlock Section(const TOptions& options) {
    CStream stream;
    WriteOptions(stream, options);
    return stream.TakeBytes();
}

CBlock SaveNow(CWorldModel& world) {
    CStream out;
    EXPECT_TRUE(SaveOptions(world, out));
    return out.TakeBytes();
}

// What SaveOptions writes, read back independently.
TOptions Written(CWorldModel& world) { return ReadOptionsSection(SaveNow(world)); }

bool LoadFrom(CWorldModel& world, const TOptions& options) {
    CStream in(Section(options));
    const bool ok = LoadOptions(world, in);
    if (ok) {
        EXPECT_EQ(in.Remaining(), 0u) << options.Version;
    }
    return ok;
}

// Within a minute of now.
void ExpectNow(double dateTime) { EXPECT_LT(std::fabs(dateTime - CurrentDateTime()), 1.0 / 1440); }

TEST(GameOptions, EveryVersionIsWrittenAs500) {
    CProject project;
    for (std::int32_t v : {400, 410, 411, 419, 420, 430, 439, 440, 441, 499, 500}) {
        SCOPED_TRACE(v);
        const TOptions o = RichOptions(v);
        GameOptions(project.World).Changed = true;
        ASSERT_TRUE(LoadFrom(project.World, o));
        EXPECT_FALSE(GameOptions(project.World).Changed);
        if (v >= 441)
            EXPECT_EQ(GameOptions(project.World).LastChanged, o.LastChanged);
        else
            ExpectNow(GameOptions(project.World).LastChanged);

        TOptions w = Written(project.World);
        ExpectNow(w.LastChanged);  // the time of saving, never the stored one
        w.LastChanged = 0;
        EXPECT_EQ(w, Expected(o));
        EXPECT_TRUE(w.LoadingImage.has_value());
        EXPECT_EQ(w.BarBackImage.has_value(), v >= 411);
    }
}

TEST(GameOptions, OldSwitchesTranslate) {
    CProject project;
    for (std::int32_t maximum : {0, 1}) {
        for (std::int32_t kind : {0, 1}) {
            TOptions o = RichOptions(400);
            o.FullMaxSwitch = maximum;
            o.ExclusiveMode = 1 - maximum;
            o.ProgressBarKind = kind;
            o.OldBlock.HasImage = 0;
            ASSERT_TRUE(LoadFrom(project.World, o));
            EXPECT_EQ(GameOptions(project.World).FullScale, maximum ? 0 : 100);
            EXPECT_EQ(GameOptions(project.World).SetResolution, !maximum);
            EXPECT_EQ(GameOptions(project.World).ProgressBarKind, kind);
            EXPECT_FALSE(GameOptions(project.World).BarBackImage || GameOptions(project.World).BarFrontImage);
        }
    }
}

TEST(GameOptions, PicturesOfEveryEncodingAreRewritten) {
    CProject project;
    TOptions o = RichOptions(441);
    o.BarBackImage = MakePicture(2, 7, 5, 9, 4);
    o.BarFrontImage = MakePicture(10, 7, 5, 9, 4);
    o.LoadingImage = MakePicture(0, 7, 5, 9, 4);
    ASSERT_TRUE(LoadFrom(project.World, o));
    TOptions w = Written(project.World);
    const TPicture picture = MakePicture(10, 7, 5, 9, 4);
    EXPECT_EQ(w.BarBackImage, picture);
    EXPECT_EQ(w.BarFrontImage, picture);
    EXPECT_EQ(w.LoadingImage, picture);
    w.LastChanged = 0;
    EXPECT_EQ(w, Expected(o));
}

TEST(GameOptions, BarImagesOnlyForAnOwnBar) {
    CProject project;
    // Kind 2 without pictures: two NoImage blocks.
    TOptions o = RichOptions(500);
    o.BarBackImage.reset();
    o.BarFrontImage.reset();
    o.ShowLoadImage = 0;
    ASSERT_TRUE(LoadFrom(project.World, o));
    TOptions w = Written(project.World);
    EXPECT_EQ(w.ProgressBarKind, 2);
    EXPECT_FALSE(w.BarBackImage || w.BarFrontImage);
    EXPECT_EQ(w.ShowLoadImage, 0);

    // Held pictures are not written for another kind, nor a loading image
    // that is switched off (the independent reader would find bytes left).
    ASSERT_TRUE(LoadFrom(project.World, RichOptions(500)));
    ASSERT_TRUE(GameOptions(project.World).BarBackImage && GameOptions(project.World).LoadingImage);
    GameOptions(project.World).ProgressBarKind = 1;
    GameOptions(project.World).ShowLoadImage = false;
    w = Written(project.World);
    EXPECT_FALSE(w.BarBackImage || w.BarFrontImage);
    EXPECT_EQ(w.ShowLoadImage, 0);
    EXPECT_FALSE(w.LoadingImage);
}

TEST(GameOptions, IconBlockIsChecked) {
    CProject project;
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
        TOptions o = RichOptions(c.accepted ? 410 : 500);
        o.Icon = c.icon;
        if (c.accepted) {
            ASSERT_TRUE(LoadFrom(project.World, o)) << c.what;
            EXPECT_EQ(GameOptions(project.World).Icon, c.icon) << c.what;
            EXPECT_EQ(Written(project.World).Icon, c.icon) << c.what;
        } else {
            EXPECT_THROW(LoadFrom(project.World, o), EReadError) << c.what;
        }
    }
}

TEST(GameOptions, RefusedVersionsReadNothingMore) {
    CProject project;
    for (std::int32_t v : {0, 399, 501}) {
        CStream in(Section(RichOptions(v)));
        EXPECT_FALSE(LoadOptions(project.World, in)) << v;
        EXPECT_EQ(in.Position(), 4u) << v;
    }
}

TEST(GameOptions, DefaultIconIsA32x32At8Bits) {
    const CBlock& icon = DefaultGameIcon();
    ASSERT_EQ(icon.size(), 2238u);
    CStream s(icon);
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
    CProject project;
    for (std::int32_t v : {400, 430, 500}) {
        for (const CBlock& copy : SpoiledCopies(Section(RichOptions(v)), 300, static_cast<unsigned>(v))) {
            CStream in(copy);
            try {
                if (LoadOptions(project.World, in))
                    SaveNow(project.World);
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
        {-1.25, {{1899, 12, 28, 18, 0, 0}}},      // the fraction counts forward from the day before
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

}  // namespace transvane
