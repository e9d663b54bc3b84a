#include "format/media/Sound_Main.h"

#include <gtest/gtest.h>

#include "testkit/MediaFiles.h"
#include "testkit/TestSupport.h"

namespace {

CStream SoundsSection(const std::vector<CTestSlot>& slots, std::int32_t version = 400) {
    CStream stream;
    WriteListSection(stream, version, slots);
    stream.SetPosition(0);
    return stream;
}

CBlock SomeData(std::size_t size) {
    CBlock data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>(i * 131 + i / 7);
    return data;
}

struct CSoundCase {
    const char* What;
    CTestSound Stored;
};

TEST(Sounds, BothVersionsAreWrittenAsVersion440) {
    const std::vector<CSoundCase> cases = {
        {"raw data", {.Version = 400, .Kind = 0, .Text = "boom.wav", .Data = SomeData(1000), .Flag1 = 5,
                      .Value = -9, .Flag2 = -1}},
        {"compressed data", {.Version = 440, .Kind = 3, .Text = "music.mid", .Data = SomeData(70000), .Flag1 = 1,
                             .Value = 0, .Flag2 = 1}},
        {"negative kind has data", {.Version = 400, .Kind = -2, .Text = "", .Data = SomeData(3)}},
        {"empty data", {.Version = 440, .Kind = 1, .Text = "\xE9t\xE9", .Data = {}}},
        {"no data, version 400", {.Version = 400, .Kind = -1, .Text = "silent", .Flag1 = 1, .Value = 77}},
        {"no data, version 440", {.Version = 440, .Kind = -1, .Text = "", .Flag2 = 3}},
    };
    for (const CSoundCase& c : cases) {
        SCOPED_TRACE(c.What);
        CStream in = SoundsSection({Present("snd", SoundRecord(c.Stored))});
        ASSERT_TRUE(LoadSounds(in));
        EXPECT_EQ(in.Remaining(), 0u);
        CStream out;
        ASSERT_TRUE(SaveSounds(out));

        CTestSound expected = c.Stored;
        expected.Version = 440;
        if (expected.Kind == -1)
            expected.Data.clear();
        expected.Flag1 = expected.Flag1 > 0;
        expected.Flag2 = expected.Flag2 > 0;
        CStream written;
        WriteListSection(written, 400, {Present("snd", SoundRecord(expected))});
        EXPECT_EQ(out.Bytes(), written.Bytes());
    }
}

TEST(Sounds, NoDataMeansNoBlock) {
    CSound sound;
    sound.SoundText = "x";
    CStream out;
    ASSERT_TRUE(sound.Save(out));
    CStream expected;
    expected.WriteInt(440);
    expected.WriteInt(-1);
    expected.WriteString("x");
    for (std::int32_t value : {0, 1, 0})
        expected.WriteInt(value);
    EXPECT_EQ(out.Bytes(), expected.Bytes());
}

TEST(Sounds, DataIsKeptByteForByte) {
    const CBlock data = SomeData(4096);
    CStream in = SoundsSection({Empty(), Present("a", SoundRecord({.Version = 400, .Kind = 0, .Data = data}))});
    ASSERT_TRUE(LoadSounds(in));
    ASSERT_NE(SoundList().Get(1), nullptr);
    EXPECT_EQ(SoundList().Get(1)->SoundData, data);
    EXPECT_EQ(SoundList().Get(0), nullptr);
    ClearSounds();
    EXPECT_EQ(SoundList().Count(), 0);
}

TEST(Sounds, RejectedAndBrokenRecords) {
    for (std::int32_t version : {420, 399, 500, 0}) {
        CStream in = SoundsSection({Present("ok", SoundRecord({})), Present("bad", SoundRecord({.Version = version}))});
        EXPECT_FALSE(LoadSounds(in)) << version;
        EXPECT_NE(SoundList().Get(0), nullptr) << "slots before the failure stay until the project is cleared";
    }
    CStream listVersion = SoundsSection({}, 440);
    EXPECT_FALSE(LoadSounds(listVersion));

    // A raw block longer than the stream, a compressed block that isn't
    // zlib, a file cut inside a record.
    CBlock raw = SoundRecord({.Version = 400, .Kind = 0, .Text = "", .Data = SomeData(10)});
    raw[12] = 0x7F;  // block size
    CStream longBlock = SoundsSection({Present("s", raw)});
    EXPECT_THROW(LoadSounds(longBlock), EReadError);

    CBlock compressed = SoundRecord({.Version = 440, .Kind = 0, .Text = "", .Data = SomeData(100)});
    compressed[16] ^= 0x55;
    compressed[17] ^= 0x55;
    CStream corrupt = SoundsSection({Present("s", compressed)});
    EXPECT_THROW(LoadSounds(corrupt), EZCompressionError);

    CStream whole = SoundsSection({Present("s", SoundRecord({.Kind = -1}))});
    CStream cut(CBlock(whole.Bytes().begin(), whole.Bytes().end() - 2));
    EXPECT_THROW(LoadSounds(cut), EReadError);

    CStream negative = SoundsSection({});
    negative.SetPosition(4);
    negative.WriteInt(-1);
    negative.SetPosition(0);
    EXPECT_THROW(LoadSounds(negative), EReadError);
}

}  // namespace
