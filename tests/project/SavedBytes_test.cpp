// The exact bytes the converter writes for a set of varied projects, pinned
// by size and CRC-32.  The values were taken from the plain sequential
// writer before any work on speed; the faster stream, image and block code
// and the parallel block compressor must reproduce them byte for byte.
// The compressed blocks are as the compressing library writes them: one
// set of values for libdeflate 1.14 at level 6, one for zlib alone (the
// build without libdeflate).  Any other change of them is a change of the
// file the converter writes.
//
// Two things in an output legitimately vary from run to run and are zeroed
// before the checksum: the GUID of a version-400 file (it has none, so the
// converter makes one) and the time of saving stamped into the game options.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <functional>

#include "project/Resource_Main.h"
#include "format/core/Support_Stream.h"
#include "project/Project_Main.h"
#include "testkit/PictureFiles.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"
#include "format/world/Option_Main.h"

namespace transvane {

namespace {

using namespace project;

struct TSaved {
    std::size_t Size = 0;
    std::uint32_t Crc = 0;
    bool operator==(const TSaved&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TSaved& saved) {
    return out << "{" << saved.Size << ", 0x" << std::hex << saved.Crc << std::dec << "}";
}

// Loads the file image, saves the model, zeroes what varies and sums it up.
TSaved LoadAndSave(const CBlock& file) {
    CProject project;
    CRecorder recorder(project.Core);
    CStream in(file);
    ClearGame(project);
    if (!LoadGame(project, in)) {
        ADD_FAILURE() << "the project does not load";
        return {};
    }
    CStream out;
    EXPECT_TRUE(SaveGame(project, out, false));
    CStream options;
    SaveOptions(project.World, options);
    CBlock bytes = out.TakeBytes();
    constexpr std::size_t HeaderSize = 32;
    if (bytes.size() < HeaderSize + options.Size()) {
        ADD_FAILURE() << "output too short";
        return {};
    }
    std::memset(bytes.data() + 16, 0, 16);
    // The options section ends with real LastChanged, string Information.
    const std::size_t stamp = HeaderSize + options.Size() - 4 - GameOptions(project.World).Information.size() - 8;
    std::memset(bytes.data() + stamp, 0, 8);
    const auto crc = static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
    return {bytes.size(), crc};
}

// Sound, data and picture bytes that neither repeat nor look random.
CBlock Waveform(std::size_t size, std::uint32_t seed) {
    CBlock bytes(size);
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<std::uint8_t>((i * i / 7 + (i >> 5)) ^ ((state >> 24) & 3));
    }
    return bytes;
}

// Blocks well beyond the 32 KiB zlib chunks, images that must be decoded
// (other depths, bit fields, top-down, run-length, colour tables), sounds of
// both layouts, data files and a sprite of many subimages.
CBlock LargeProject() {
    TProject p = EmptyProject(440);
    p.Sounds.Add("raw", {.Version = 400, .Kind = 1, .Text = "a.wav", .Data = Waveform(300000, 1)});
    p.Sounds.Add("packed", {.Version = 440, .Kind = 2, .Text = "b.mid", .Data = Waveform(70000, 2)});
    p.Sounds.AddEmpty();
    p.Sounds.Add("empty", {.Version = 400, .Kind = 0});

    const TPicture photo = PatternPixels(301, 203, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000});
    const TPicture small = PatternPixels(37, 11, {0xFF00FF, 0x00FFFF, 0x000000});
    TSprite many;
    for (CBlock block : {
             CompressedBmpBlock(MakeBmp(photo)),
             PlainBmpBlock(MakeBmp(photo, {.BitCount = 8})),
             CompressedBmpBlock(MakeBmp(photo, {.BitCount = 4, .RunLength = 4})),
             CompressedBmpBlock(MakeBmp(
                 small,
                 {.BitCount = 32, .BitFields = true, .RedMask = 0xFF0000, .GreenMask = 0xFF00, .BlueMask = 0xFF})),
             CompressedBmpBlock(MakeBmp(small, {.BitCount = 24, .TopDown = true})),
             PlainBmpBlock(MakeBmp(small, {.BitCount = 16})),
             CompressedBmpBlock(
                 MakeBmp(PatternPixels(37, 11, {0x000000, 0xFFFFFF}), {.BitCount = 1, .HeaderSize = 12})),
             CompressedBmpBlock(MakeBmp(small, {.BitCount = 8, .RunLength = 8, .ImageSizeField = false})),
             ColorRunsBlock(photo),
             PaletteRunsBlock(photo),
         })
        many.Images.push_back(StoredPicture(std::move(block)));
    for (std::uint32_t i = 0; i < 40; ++i)
        many.Images.push_back(StoredPicture(
            ColorRunsBlock(PatternPixels(static_cast<std::int32_t>(5 + i * 3), 9, {0x102030u * i, 0xFFFFFF}))));
    p.Sprites.Add("many", many);
    p.Sprites.AddEmpty();
    p.Sprites.Add("none", {});
    p.Backgrounds.Add(
        "sky", {.HasImage = 1,
                .Image = StoredPicture(CompressedBmpBlock(MakeBmp(PatternPixels(640, 120, {0x336699, 0x6699CC}))))});
    p.DataFiles.Add("level", {.FileName = "level.dat", .HasData = 1, .Data = Waveform(250000, 3)});
    p.DataFiles.Add("nothing", {.FileName = "none", .HasData = 1});
    return WriteProject(p);
}

struct TCase {
    const char* Name;
    std::function<CBlock()> Make;
    TSaved Expected;
};

TEST(SavedBytes, VariedProjectsAreWrittenExactlyAsBefore) {
    CProject project;
    // Blocks under 4 KiB are zlib's with either build; only the large
    // project's sound and pictures differ.  Its waveforms shrink by less
    // than 1 % and are stored.
#if TRANSVANE_LIBDEFLATE
    const TSaved large = {632269, 0xd7c29e47};
#else
    const TSaved large = {631727, 0xa40a2e02};
#endif
    const TCase cases[] = {
        {"sample 400", [] { return WriteProject(SampleProject(400, 1)); }, {9349, 0xdcce6f7d}},
        {"sample 410", [] { return WriteProject(SampleProject(410, 2)); }, {7870, 0x509da6a2}},
        {"sample 420", [] { return WriteProject(SampleProject(420, 3)); }, {8137, 0xeec9e078}},
        {"sample 430", [] { return WriteProject(SampleProject(430, 4)); }, {8121, 0xa03504ec}},
        {"sample 440", [] { return WriteProject(SampleProject(440, 5)); }, {8684, 0x332883bf}},
        {"sample 441", [] { return WriteProject(SampleProject(441, 6)); }, {8690, 0xce531f40}},
        {"sample 500", [] { return WriteProject(SampleProject(500, 7)); }, {9587, 0xc3e92761}},
        {"large 440", LargeProject, large},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LoadAndSave(c.Make()), c.Expected) << c.Name;
}

}  // namespace

}  // namespace transvane
