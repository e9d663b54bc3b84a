#include "format/media/Sound_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

CBlock SoundsSection(const TSound& sound) { return ListBytes(TList<TSound>{400, {TSlot<TSound>{"snd", sound}}}); }

TEST(Sounds, BothVersionsAreWrittenAsVersion440) {
    CProject project;
    const std::pair<const char*, TSound> cases[] = {
        {"raw data",
         {.Version = 400,
          .Kind = 0,
          .Text = "boom.wav",
          .Data = NoiseBytes(1000),
          .Flag1 = 5,
          .Value = -9,
          .Flag2 = -1}},
        {"compressed data",
         {.Version = 440,
          .Kind = 3,
          .Text = "music.mid",
          .Data = NoiseBytes(70000),
          .Flag1 = 1,
          .Value = 0,
          .Flag2 = 1}},
        {"negative kind has data", {.Version = 400, .Kind = -2, .Text = "", .Data = NoiseBytes(3)}},
        {"empty data", {.Version = 440, .Kind = 1, .Text = "\xE9t\xE9", .Data = {}}},
        {"no data, version 400", {.Version = 400, .Kind = -1, .Text = "silent", .Flag1 = 1, .Value = 77}},
        {"no data, version 440", {.Version = 440, .Kind = -1, .Text = "", .Flag2 = 3}},
    };
    for (const auto& [what, stored] : cases) {
        SCOPED_TRACE(what);
        CStream in(SoundsSection(stored));
        ASSERT_TRUE(LoadSounds(project.Media, in));
        EXPECT_EQ(in.Remaining(), 0u);
        ASSERT_NE(SoundList(project.Media).Get(0), nullptr);
        EXPECT_EQ(SoundList(project.Media).Get(0)->SoundData, stored.Data);
        CStream out;
        ASSERT_TRUE(SaveSounds(project.Media, out));

        TSound expected = stored;
        expected.Version = 440;
        if (expected.Kind == -1)
            expected.Data.clear();
        expected.Flag1 = expected.Flag1 > 0;
        expected.Flag2 = expected.Flag2 > 0;
        EXPECT_EQ(out.Bytes(), SoundsSection(expected));
    }
}

TEST(Sounds, BrokenBlocks) {
    CProject project;
    // A raw block longer than the stream, a compressed block that isn't
    // zlib.  The record starts after the list head, the flag and the name.
    const std::size_t record = 12 + 4 + 3;
    CStream longBlock(
        Patched(SoundsSection({.Version = 400, .Kind = 0, .Text = "", .Data = NoiseBytes(10)}), record + 12, 0x7F));
    EXPECT_THROW(LoadSounds(project.Media, longBlock), EReadError);

    CBlock compressed = SoundsSection({.Version = 440, .Kind = 0, .Text = "", .Data = NoiseBytes(100)});
    compressed[record + 16] ^= 0x55;
    compressed[record + 17] ^= 0x55;
    CStream corrupt(compressed);
    EXPECT_THROW(LoadSounds(project.Media, corrupt), EZCompressionError);
}

}  // namespace

}  // namespace transvane
