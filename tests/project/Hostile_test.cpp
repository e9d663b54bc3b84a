// Hostile files through the load and save drivers: cut short, wrong
// versions, impossible counts, strings and blocks longer than the file,
// inflation bombs, and pictures or curves that together exhaust the load's
// budget (a huge single picture and deep trees are tried where pictures and
// trees are read).  Each file must end, fast
// and within the load budget, either in the behaviour the format gives or in
// "Error Loading: File seems to be corrupted." with an empty model; an
// accepted file must save and load again.
//
// The files are complete projects built by the tests' file builder.  A field
// to spoil is found by a distinctive value stored just in front of it (a
// sentinel), so the tests do not restate the layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <zlib.h>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "project/Resource_Tree.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "project/Project_Main.h"
#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/TestSupport.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Icon.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"
#include "format/world/Support_RichText.h"

namespace transvane {

namespace {

using namespace project;

const std::string Corrupted = "Error Loading: File seems to be corrupted.";
constexpr std::int32_t Huge = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Lowest = std::numeric_limits<std::int32_t>::min();

// Values stored in front of the fields the tests spoil; each occurs once.
constexpr std::int32_t SpriteValue3 = 0x5EED0001;    // then the image count
constexpr std::int32_t PathDepth = 0x5EED0002;       // then the point count
constexpr std::int32_t EventNumber = 0x5EED0003;     // then the tag and the action count
constexpr std::int32_t DefValue3 = 0x5EED0004;       // then the argument-kind count
constexpr std::int32_t Selector = 0x5EED0005;        // then a flag and the argument count
constexpr std::int32_t SecondSprite = 0x5EED0006;    // then the last row
constexpr std::int32_t LastLayerSpeed = 0x5EED0007;  // then a flag and the view count
constexpr std::int32_t LastFollow = 0x5EED0008;      // then the instance count
constexpr std::int32_t BackgroundFlag = 0x5EED0009;  // then a flag, the scheme and the block count
constexpr std::int32_t StaleRoom = 0x5EED000A;       // the tree's room order, after its count

const std::string SoundText = "sound-text";        // then the compressed block's count
const std::string RawSoundText = "raw-sound";      // then the raw block's count
const std::string DataFileName = "data-file";      // then a flag and the block's count
const std::string RoomCode = "room-code";          // then the layer count
const std::string InstanceCode = "instance-code";  // then a flag and the tile count
const std::string TimeLineName = "time-line";      // then the version and the entry count
const std::string TreeNodeName = "tree-node";      // then the child count
const std::string LibraryName = "library-name";    // after the library count
const std::string SpriteName = "sprite-name";
const std::string InformationText = "information-text";

// A small project that holds one record of every kind, each carrying the
// sentinels above.
TProject SmallProject() {
    TProject p = EmptyProject(500);

    TSound sound;
    sound.Text = SoundText;
    sound.Data = {1, 2, 3, 4, 5, 6, 7, 8};
    p.Sounds.Add("sound", sound);
    TSound raw;
    raw.Version = 400;
    raw.Text = RawSoundText;
    raw.Data = {9, 8, 7};
    p.Sounds.Add("raw", raw);

    TSprite sprite;
    sprite.Value3 = SpriteValue3;
    sprite.Images = {MakePicture(1, 3, 2, 1), MakePicture(2, 2, 2, 2)};
    p.Sprites.Add(SpriteName, sprite);

    TBackground background;
    background.Flag2 = BackgroundFlag;
    background.HasImage = 1;
    background.Image = MakePicture(10, 2, 3, 3);
    p.Backgrounds.Add("background", background);

    TPath path;
    path.ConnectionKind = 1;
    path.SmoothingDepth = PathDepth;
    path.Points = {{0, 0, 100}, {10, 20, 50}, {30, 0, 100}};
    p.Paths.Add("path", path);

    TScript script;
    script.Text = "x = 1;";
    p.Scripts.Add("script", script);

    TDataFile data;
    data.FileName = DataFileName;
    data.HasData = 1;
    data.Data = {'d', 'a', 't', 'a'};
    p.DataFiles.Add("data", data);

    TAction action;
    action.DefValue3 = DefValue3;
    action.Selector = Selector;
    TTimeLine timeLine;
    timeLine.Moments = {TMoment{5, TEvent{400, {OldAction(1)}}}};
    p.TimeLines.Add(TimeLineName, timeLine);

    TObject object;
    object.SecondSpriteIndex = SecondSprite;
    object.Rows[0] = {TNumberedEvent{EventNumber, TEvent{400, {action}}}};
    p.Objects.Add("object", object);

    TRoom room;
    room.Code = RoomCode;
    room.Layers[7].SpeedV = LastLayerSpeed;
    room.Views[7].FollowObject = LastFollow;
    room.Instances = {TInstance{1, 2, 0, 100001, InstanceCode, 0}};
    room.Tiles = {TTile{{0, 0, 0, 0, 0, 16, 16, 0, 10000001}}};
    p.Rooms.List = {420, {}};
    p.Rooms.List.Add("room", room);

    p.GameInformation.Text.assign(InformationText.begin(), InformationText.end());
    p.Libraries.Names = {LibraryName};
    p.Tree.RoomOrder = {StaleRoom};
    p.Tree.TopLevel[0].Children = {TNode{3, 2, 0, TreeNodeName, {}}};
    return p;
}

CBlock IntBytes(std::int32_t value) {
    CBlock bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

// Where the bytes occur; they must occur exactly once.
std::size_t Find(const CBlock& file, const CBlock& pattern) {
    const auto at = std::search(file.begin(), file.end(), pattern.begin(), pattern.end());
    if (at == file.end())
        throw std::logic_error("pattern not in the file");
    if (std::search(at + 1, file.end(), pattern.begin(), pattern.end()) != file.end())
        throw std::logic_error("pattern occurs more than once");
    return static_cast<std::size_t>(at - file.begin());
}
std::size_t After(const CBlock& file, std::int32_t sentinel) { return Find(file, IntBytes(sentinel)) + 4; }
std::size_t After(const CBlock& file, const std::string& text) {
    return Find(file, CBlock(text.begin(), text.end())) + text.size();
}
std::size_t Before(const CBlock& file, const std::string& text) { return Find(file, CBlock(text.begin(), text.end())); }

// The offsets of the thirteen sections of a version-500 file.
std::vector<std::size_t> SectionOffsets(const TProject& p) {
    std::vector<std::size_t> offsets;
    CStream s;
    WriteHeader(s, 500);
    const auto mark = [&] { offsets.push_back(s.Size()); };
    mark(), WriteOptions(s, p.Options);
    mark(), WriteList(s, p.Sounds);
    mark(), WriteList(s, p.Sprites);
    mark(), WriteList(s, p.Backgrounds);
    mark(), WriteList(s, p.Paths);
    mark(), WriteList(s, p.Scripts);
    mark(), WriteList(s, p.DataFiles);
    mark(), WriteList(s, p.TimeLines);
    mark(), WriteList(s, p.Objects);
    mark(), WriteRooms(s, p.Rooms);
    mark(), WriteGameInformation(s, p.GameInformation);
    mark(), WriteLibraries(s, p.Libraries);
    mark(), WriteTree(s, p.Tree);
    return offsets;
}

// What differs from the model of an empty project; empty when nothing does.
std::string ModelDifferences(CProject& project) {
    std::string differences;
    const auto expect = [&](bool same, const char* what) {
        if (!same)
            differences += std::string(what) + "; ";
    };
    expect(SoundList(project.Media).Count() == 0, "sounds");
    expect(SpriteList(project.Media).Count() == 0, "sprites");
    expect(BackgroundList(project.Media).Count() == 0, "backgrounds");
    expect(PathList(project.Behaviour).Count() == 0, "paths");
    expect(ScriptList(project.Media).Count() == 0, "scripts");
    expect(DataFileList(project.Media).Count() == 0, "data files");
    expect(TimeLineList(project.Behaviour).Count() == 0, "time lines");
    expect(ObjectList(project.Behaviour).Count() == 0, "objects");
    expect(RoomList(project.World).Count() == 0, "rooms");
    expect(GameInformation(project.World).Text == PlainTextToRtf(std::string()), "game information");
    expect(GameOptions(project.World).Icon == DefaultGameIcon() && GameOptions(project.World).Author.empty() &&
               !GameOptions(project.World).LoadingImage,
           "game options");
    CStream tree, defaultTree;
    SaveTree(project.Model, tree);
    const CBlock loaded = tree.Bytes();
    BuildTree(project.Model);
    SaveTree(project.Model, defaultTree);
    expect(loaded == defaultTree.Bytes(), "resource tree");
    return differences;
}

enum class EOutcome { Refused, Either };

// Converts the bytes through the drivers.  A refusal must end in the
// corrupted message with an empty model; an accepted file must save, and
// the saved file must load again.
void ExpectHandled(CProject& project, const CBlock& bytes, EOutcome outcome, const std::string& what) {
    SCOPED_TRACE(what);
    const TDriverRun run = RunDrivers(project, bytes);
    if (!run.Loaded) {
        ASSERT_FALSE(run.Messages.empty());
        EXPECT_EQ(run.Messages.back(), Corrupted);
        EXPECT_EQ(ModelDifferences(project), "");
        return;
    }
    EXPECT_NE(outcome, EOutcome::Refused) << "a file that must be refused was accepted";
    ASSERT_TRUE(run.Converted);
    EXPECT_TRUE(RunDrivers(run.Output).Loaded) << "the converted file does not load";
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        Project = SmallProject();
        File = WriteProject(Project);
        Offsets = SectionOffsets(Project);
    }
    // What the drivers load into.
    CProject project;
    TProject Project;
    CBlock File;
    std::vector<std::size_t> Offsets;
};

TEST_F(Hostile, TheSmallProjectConverts) {
    ASSERT_EQ(Offsets.size(), 13u);
    ExpectHandled(project, File, EOutcome::Either, "whole");
    EXPECT_EQ(SpriteList(project.Media).Count(), 1);
    EXPECT_EQ(ObjectList(project.Behaviour).Count(), 1);
}

// Every prefix: the file cut after each of its bytes.
TEST_F(Hostile, EveryPrefixIsCorruptedWithAnEmptyModel) {
    CScratchFolder folder;
    const std::string name = folder.File("cut.vtr");
    CRecorder recorder(project.Core);
    for (std::size_t cut = 0; cut < File.size(); ++cut) {
        WriteWholeFile(name, CBlock(File.begin(), File.begin() + static_cast<long>(cut)));
        recorder.Messages.clear();
        ASSERT_FALSE(LoadGameFile(project, name)) << "cut at " << cut;
        ASSERT_FALSE(recorder.Messages.empty());
        ASSERT_EQ(recorder.Messages.back(), Corrupted) << "cut at " << cut;
        ASSERT_EQ(ModelDifferences(project), "") << "cut at " << cut;
    }
}

TEST_F(Hostile, WrongVersionInEverySection) {
    const char* names[] = {"options",    "sounds",  "sprites", "backgrounds",      "paths",     "scripts", "data files",
                           "time lines", "objects", "rooms",   "game information", "libraries", "tree"};
    for (std::size_t section = 0; section < Offsets.size(); ++section)
        for (std::int32_t version : {Lowest, -1, 0, 399, 501, Huge})
            ExpectHandled(project, Patched(File, Offsets[section], version), EOutcome::Refused,
                          std::string(names[section]) + " version " + std::to_string(version));
}

// The version of the first record of each list: the list's version and
// count, the slot's flag and its name lie in front of it.
TEST_F(Hostile, WrongVersionInEveryRecord) {
    struct Case {
        std::size_t Section;
        std::size_t NameLength;
        std::vector<std::int32_t> Versions;
    };
    const Case cases[] = {
        {1, 5, {399, 401, 439, 441, 500}},  // sound
        {2, SpriteName.size(), {399, 401, 500}},
        {3, 10, {399, 401, 500}},      // background
        {4, 4, {400, 419, 421, 500}},  // path
        {5, 6, {399, 401, 500}},       // script
        {6, 4, {400, 439, 441, 500}},  // data file
        {7, TimeLineName.size(), {400, 499, 501}},
        {8, 6, {399, 401, 429, 431, 500}},  // object
        {9, 4, {399, 501, -1}},             // room
    };
    for (const Case& c : cases)
        for (std::int32_t version : c.Versions)
            ExpectHandled(project, Patched(File, Offsets[c.Section] + 16 + c.NameLength, version), EOutcome::Refused,
                          "record of section " + std::to_string(c.Section) + " version " + std::to_string(version));
}

// Every count of the format set to the largest int32 (which no file can
// satisfy) and to negative values.
TEST_F(Hostile, HugeAndNegativeCounts) {
    struct Case {
        const char* What;
        std::size_t At;
    };
    const std::size_t tree = Offsets[12];
    const std::vector<Case> counts = {
        {"sound slots", Offsets[1] + 4},
        {"sprite slots", Offsets[2] + 4},
        {"background slots", Offsets[3] + 4},
        {"path slots", Offsets[4] + 4},
        {"script slots", Offsets[5] + 4},
        {"data file slots", Offsets[6] + 4},
        {"time line slots", Offsets[7] + 4},
        {"object slots", Offsets[8] + 4},
        {"room slots", Offsets[9] + 4},
        {"libraries", Offsets[11] + 4},
        {"tree room order", tree + 4},
        {"sprite images", After(File, SpriteValue3)},
        {"path points", After(File, PathDepth)},
        {"object last row", After(File, SecondSprite)},
        {"event actions", After(File, EventNumber) + 4},
        {"action argument kinds", After(File, DefValue3)},
        {"action arguments", After(File, Selector) + 4},
        {"time line entries", After(File, TimeLineName) + 4},
        {"room layers", After(File, RoomCode)},
        {"room views", After(File, LastLayerSpeed) + 4},
        {"room instances", After(File, LastFollow)},
        {"room tiles", After(File, InstanceCode) + 4},
        {"tree children", After(File, TreeNodeName)},
    };
    for (const Case& c : counts) {
        ExpectHandled(project, Patched(File, c.At, Huge), EOutcome::Refused, std::string(c.What) + " 2147483647");
        for (std::int32_t negative : {-1, -2, Lowest})
            ExpectHandled(project, Patched(File, c.At, negative), EOutcome::Either,
                          std::string(c.What) + " " + std::to_string(negative));
    }
}

// Strings and blocks whose count reaches past the end of the file.
TEST_F(Hostile, StringsAndBlocksLongerThanTheFile) {
    struct Case {
        const char* What;
        std::size_t At;
    };
    const std::vector<Case> lengths = {
        {"sprite name", Before(File, SpriteName) - 4},      {"sound text", Before(File, SoundText) - 4},
        {"room code", Before(File, RoomCode) - 4},          {"tree node name", Before(File, TreeNodeName) - 4},
        {"library name", Before(File, LibraryName) - 4},    {"information block", Before(File, InformationText) - 4},
        {"raw sound block", After(File, RawSoundText)},     {"compressed sound block", After(File, SoundText)},
        {"data file block", After(File, DataFileName) + 4}, {"picture block", After(File, BackgroundFlag) + 8},
    };
    for (const Case& c : lengths) {
        const auto rest = static_cast<std::int32_t>(File.size() - c.At - 4);
        for (std::int32_t length : {rest + 1, rest + 1000, Huge})
            ExpectHandled(project, Patched(File, c.At, length), EOutcome::Refused,
                          std::string(c.What) + " of " + std::to_string(length));
    }
    // The icon block: its count stands in front of the icon's bytes.
    const std::size_t icon = Find(File, TestIcon()) - 4;
    ExpectHandled(project, Patched(File, icon, Huge), EOutcome::Refused, "icon block");
    ExpectHandled(project, Patched(File, icon, -1), EOutcome::Refused, "icon block of -1 bytes");
}

// A damaged file says where reading stopped and why, in words about the
// file: a count no writer makes, a compressed block cut short, a picture
// block of an unknown scheme.
TEST_F(Hostile, DamageIsReportedWithItsPlaceAndCause) {
    const std::size_t images = After(File, SpriteValue3);  // the count, then the first image's scheme
    const std::size_t sound = After(File, SoundText);      // the compressed block's count
    std::int32_t packed = 0;
    std::memcpy(&packed, File.data() + sound, 4);
    struct Case {
        const char* What;
        CBlock File;
        std::string Section, Place, Cause;
    };
    const std::string sounds = "Sounds (from byte " + std::to_string(Offsets[1]) + ")";
    const std::string sprites = "Sprites (from byte " + std::to_string(Offsets[2]) + ")";
    const Case cases[] = {
        {"negative count", Patched(File, images, -5), sprites, "sprite 0 \"sprite-name\"",
         "a count of -5 where a count was expected"},
        {"compressed block cut short", Patched(File, sound, packed - 3), sounds, "sound 0 \"sound\"",
         "the compressed data ends early"},
        {"unknown picture scheme", Patched(File, images + 4, 7), sprites, "sprite 0 \"sprite-name\", image 0",
         "a picture block of unknown scheme 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        CBlock output;
        const transvane::CResult result = transvane::ConvertBytes(c.File, output);
        ASSERT_EQ(result.Error, transvane::EErrorCode::Damaged);
        ASSERT_EQ(Texts(result.Messages), std::vector<std::string>{Corrupted});
        const std::vector<std::string>& context = result.Messages.back().Context;
        ASSERT_EQ(context.size(), 4u);
        EXPECT_EQ(context[0], "section: " + c.Section);
        EXPECT_EQ(context[1], "place: " + c.Place);
        EXPECT_TRUE(context[2].starts_with("stopped at: byte ")) << context[2];
        EXPECT_EQ(context[3], "cause: " + c.Cause);
    }
}

// A zlib stream of `bytes` zero bytes, built by hand at the best ratio
// deflate allows: one dynamic Huffman block whose codes are a literal 0
// (2 bits), the end of the block (2 bits) and a 258-byte match (1 bit) at
// distance 1 (1 bit), so every 258 bytes cost two bits.  Gigabytes cost
// megabytes without being compressed here.
CBlock ZeroBomb(std::uint64_t bytes) {
    CBlock out = {0x78, 0x9C};
    std::uint64_t bits = 0;
    int used = 0;
    const auto put = [&](std::uint32_t value, int count) {  // least significant bit first
        bits |= std::uint64_t{value} << used;
        used += count;
        while (used >= 8) {
            out.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            used -= 8;
        }
    };
    const auto code = [&](std::uint32_t value, int count) {  // Huffman codes: most significant bit first
        for (int i = count - 1; i >= 0; --i)
            put(value >> i & 1, 1);
    };
    put(1, 1);   // the final block
    put(2, 2);   // dynamic Huffman codes
    put(29, 5);  // 286 literal and length codes
    put(0, 5);   // one distance code
    put(14, 4);  // 18 code-length codes, in their fixed order:
    // 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1 -> 18 takes 1 bit, 2 and 1 two
    for (int length : {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2})
        put(static_cast<std::uint32_t>(length), 3);
    // Canonical code-length codes: 18 -> 0, 1 -> 10, 2 -> 11.  The lengths:
    // literal 0: 2; 1..255: 0; 256: 2; 257..284: 0; 285: 1; distance 0: 1.
    code(3, 2);               // 2
    code(0, 1), put(127, 7);  // 138 zeros
    code(0, 1), put(106, 7);  // 117 zeros
    code(3, 2);               // 2
    code(0, 1), put(17, 7);   // 28 zeros
    code(2, 2);               // 1
    code(2, 2);               // 1
    // Canonical codes: 285 -> 0, literal 0 -> 10, end of block -> 11.
    code(2, 2);  // the literal 0
    for (std::uint64_t done = 1; done + 258 <= bytes; done += 258)
        put(0, 2);  // length 258, distance 1
    code(3, 2);     // end of block
    put(0, 7);
    // Adler-32 of n zero bytes: the low sum stays 1, the high one is n.
    const std::uint64_t n = 1 + (bytes - 1) / 258 * 258;
    const auto high = static_cast<std::uint8_t>(n % 65521 >> 8);
    const auto low = static_cast<std::uint8_t>(n % 65521);
    out.insert(out.end(), {high, low, 0, 1});
    return out;
}

TEST(ZeroBomb, InflatesToZeros) {
    for (std::uint64_t size : {std::uint64_t{1}, std::uint64_t{1 + 258 * 100}, std::uint64_t{1 + 258 * 3000}})
        EXPECT_EQ(InflateBlock(ZeroBomb(size), MaxBlockSize), CBlock(size, 0)) << size;
}

// Lowers the floor of the load budget for one test, so that exhausting it
// takes megabytes rather than the default's hundreds.
class CBudgetFloor {
public:
    CBudgetFloor(CCoreState& core, std::size_t floor) : FCore(core) { core.BudgetFloor = floor; }
    ~CBudgetFloor() { FCore.BudgetFloor = LoadBudgetFloor; }
    CBudgetFloor(const CBudgetFloor&) = delete;
    CBudgetFloor& operator=(const CBudgetFloor&) = delete;

private:
    CCoreState& FCore;
};

// Replaces the compressed block whose count lies at `at` by another one.
CBlock WithBlock(const CBlock& file, std::size_t at, const CBlock& compressed) {
    std::int32_t stored = 0;
    std::memcpy(&stored, file.data() + at, 4);
    CBlock out(file.begin(), file.begin() + static_cast<long>(at));
    const CBlock count = IntBytes(static_cast<std::int32_t>(compressed.size()));
    out.insert(out.end(), count.begin(), count.end());
    out.insert(out.end(), compressed.begin(), compressed.end());
    out.insert(out.end(), file.begin() + static_cast<long>(at + 4 + static_cast<std::size_t>(stored)), file.end());
    return out;
}

// A data file whose block inflates to three gigabytes, more than a block of
// the format can hold: a corrupted file, ended once the load's budget is
// spent.
TEST_F(Hostile, InflationBomb) {
    ExpectHandled(project, WithBlock(File, After(File, DataFileName) + 4, ZeroBomb(std::uint64_t{3} << 30)),
                  EOutcome::Refused, "a block of three gigabytes");
}

// Sounds whose blocks are each modest but together inflate to forty times
// the budget (lowered here to 16 MB): the budget spans the whole load.
TEST_F(Hostile, InflationBombsAcrossManyBlocks) {
    const CBudgetFloor floor(project.Core, std::size_t{16} << 20);
    TProject p = Project;
    p.Sounds.Slots.clear();
    for (int i = 0; i < 40; ++i) {
        TSound sound;
        sound.Text = "bomb " + std::to_string(10 + i);
        p.Sounds.Add("bomb", sound);
    }
    CBlock many = WriteProject(p);
    const CBlock bomb = ZeroBomb(std::uint64_t{15} << 20);
    for (int i = 0; i < 40; ++i)
        many = WithBlock(many, After(many, "bomb " + std::to_string(10 + i)), bomb);
    ExpectHandled(project, many, EOutcome::Refused, "forty sounds of 15 MB");
    // One sound alone fits.
    const CBlock one = WithBlock(File, After(File, SoundText), bomb);
    ExpectHandled(project, one, EOutcome::Either, "one sound of 15 MB");
    EXPECT_EQ(SoundList(project.Media).Count(), 2);
}

// Empty runs cost four bytes a row: a file of many wide pictures with no
// runs would claim gigabytes of pixels; the load's budget (lowered here to
// 64 MB) refuses it.
TEST_F(Hostile, ManyCheapPicturesExhaustTheBudget) {
    const CBudgetFloor floor(project.Core, std::size_t{64} << 20);
    TProject p = Project;
    TSprite& sprite = p.Sprites.Slots[0]->Record;
    sprite.Images.clear();
    for (int i = 0; i < 400; ++i)
        sprite.Images.push_back(MakePicture(-1, 0, 0, 0));
    CBlock file = WriteProject(p);
    // Each NoImage block becomes a colour-run picture of 1048576 x 1 pixels
    // with one empty row: 16 bytes in the file, 3 MB in memory.
    CStream wide;
    wide.WriteInt(1);
    wide.WriteInt(1 << 20);
    wide.WriteInt(1);
    wide.WriteInt(0);
    const std::size_t images = After(file, SpriteValue3) + 4;
    CBlock spoiled(file.begin(), file.begin() + static_cast<long>(images));
    for (int i = 0; i < 400; ++i)
        spoiled.insert(spoiled.end(), wide.Bytes().begin(), wide.Bytes().end());
    spoiled.insert(spoiled.end(), file.begin() + static_cast<long>(images + 400 * 4), file.end());
    ExpectHandled(project, spoiled, EOutcome::Refused, "400 pictures of a million pixels");
}

// A closed smooth path of three points computes a curve of 766 points,
// some 24 KB from a hundred stored bytes: a file of a thousand of them is
// refused once the curves exceed the budget (lowered here to 8 MB), and a
// few of them load.
TEST_F(Hostile, ManySmoothPathsExhaustTheBudget) {
    const CBudgetFloor floor(project.Core, std::size_t{8} << 20);
    TProject p = Project;
    TPath closed;
    closed.ConnectionKind = 1;
    closed.EndAction = 2;
    closed.SmoothingDepth = 8;
    closed.Points = {{0, 0, 100}, {10, 20, 50}, {30, 0, 100}};
    p.Paths.Slots.clear();
    for (int i = 0; i < 10; ++i)
        p.Paths.Add("p", closed);
    ExpectHandled(project, WriteProject(p), EOutcome::Either, "ten paths");
    EXPECT_EQ(PathList(project.Behaviour).Count(), 10);
    for (int i = 10; i < 1000; ++i)
        p.Paths.Add("p", closed);
    ExpectHandled(project, WriteProject(p), EOutcome::Refused, "a thousand paths");
}

}  // namespace

}  // namespace transvane
