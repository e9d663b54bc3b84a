// Test-file builder for the world sections: game options, rooms and game
// information, in every stored version.
//
// Each writer lays a section or record down through the stream's own write
// primitives, exactly as a file of the given version holds it, so tests can
// build whole projects of any shape.  The structures below hold the values
// to write; their defaults differ from the converter's own defaults so that
// a reader that drops a field is caught.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/core/Support_Stream.h"
#include "testkit/MediaFiles.h"

// ---------------------------------------------------------------------------
// Pictures and icons

// Image blocks come from the media builder (NoImageBlock, ColorRunsBlock,
// CompressedBmpBlock ...): the options hold them as the raw bytes to write.

// An icon file of the given size (at least 6): reserved 0, the type word,
// one image, then recognisable filler bytes.
CBlock TestIcon(std::size_t size = 766, std::uint16_t type = 1);

// ---------------------------------------------------------------------------
// Game options section (versions 400..500)

struct CTestOptions {
    bool OptionFlag1 = true;
    bool OptionFlag2 = true;   // 411 and later
    bool OptionFlag3 = false;
    std::int32_t WindowScale = 150;  // 420 and later
    std::int32_t FullScale = 75;     // 420 and later
    bool FullScreenMaximum = true;   // 400..419 only, in place of the scales
    bool OptionFlag4 = false;        // 420 and later
    bool SetResolution = false;      // 420 and later
    bool ExclusiveMode = true;
    std::int32_t ColorDepth = 1;
    std::int32_t Resolution = 3;
    std::int32_t Frequency = 2;  // 420 and later
    bool OptionFlag5 = true;
    bool OptionFlag6 = false;
    bool OptionFlag7 = true;  // 500 only
    bool OptionFlag8 = false;
    bool OptionFlag9 = true;
    bool OptionFlag10 = false;
    bool OptionFlag11 = false;
    // The version-4 block, 400..439 only.
    bool OldFlag = true;
    std::optional<CBlock> OldImage = ColorRunsBlock(FilledPixels(3, 2, 0x030201));  // written when held
    std::array<std::int32_t, 3> OldNumbers = {7, 8, 9};
    std::string OldText = "old";
    std::int32_t OldNumber = 11;
    bool OldSwitch = true;
    bool OptionFlag12 = false;
    bool OptionFlag13 = true;
    bool OptionFlag14 = true;
    // 411 and later an int32; 400..410 a bool (written as ProgressBarKind != 0).
    std::int32_t ProgressBarKind = 2;
    CBlock BarBackImage = ColorRunsBlock(FilledPixels(4, 1, 0x1E140A));   // when the kind is 2, 411+
    CBlock BarFrontImage = ColorRunsBlock(PatternPixels(2, 2, {0x3C3228, 0xFFFFFF}));  // when the kind is 2, 411+
    bool ShowLoadImage = true;
    CBlock LoadingImage = ColorRunsBlock(PatternPixels(5, 3, {0x5A5046, 0x000000, 0xFF0000}));  // when ShowLoadImage
    CBlock Icon = TestIcon();                                     // 410 and later
    bool DisplayErrors = false;  // 420 and later
    bool WriteErrors = true;
    bool AbortErrors = true;
    bool VariableErrors = true;
    std::string Author = "A. Author";  // 441 and later
    std::int32_t GameVersion = 321;
    double LastChanged = 40000.25;
    std::string Information = "Some words\r\nabout the game";
};

void WriteOptionsSection(CStream& stream, std::int32_t version, const CTestOptions& options = {});

// ---------------------------------------------------------------------------
// Rooms (list versions 400..420, record versions 400..500)

struct CTestLayer {
    bool Visible = true;
    bool LayerFlag = true;
    std::int32_t BackgroundIndex = 0;
    std::int32_t X = 5;
    std::int32_t Y = 6;
    bool TileH = false;
    bool TileV = true;
    std::int32_t SpeedH = 1;
    std::int32_t SpeedV = -2;

    bool operator==(const CTestLayer&) const = default;
};

struct CTestView {
    bool Visible = true;
    std::int32_t ViewX = 10;
    std::int32_t ViewY = 20;
    std::int32_t ViewWidth = 320;
    std::int32_t ViewHeight = 240;
    std::int32_t PortX = 1;
    std::int32_t PortY = 2;
    std::int32_t BorderH = 64;
    std::int32_t BorderV = 48;
    std::int32_t SpeedH = 3;
    std::int32_t SpeedV = 4;
    std::int32_t FollowObject = 0;

    bool operator==(const CTestView&) const = default;
};

struct CTestInstance {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t ObjectIndex = 0;
    std::int32_t Id = 100001;
    std::string Code;  // 500 only
    bool InstanceFlag = false;  // 500 only

    bool operator==(const CTestInstance&) const = default;
};

struct CTestTile {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t BackgroundIndex = 0;
    std::int32_t SourceX = 0;
    std::int32_t SourceY = 0;
    std::int32_t Width = 16;
    std::int32_t Height = 16;
    std::int32_t Depth = 1000000;
    std::int32_t Id = 10000001;

    bool operator==(const CTestTile&) const = default;
};

struct CTestRoom {
    std::string Caption = "The hall";
    std::int32_t Width = 800;
    std::int32_t Height = 600;
    std::int32_t SnapX = 8;
    std::int32_t SnapY = 4;
    std::int32_t Speed = 60;
    bool RoomFlag = true;
    std::int32_t BackColor = 0x123456;
    bool BackColorFlag = false;
    std::string Code = "room_code();";  // 411 and later
    // Written with their own count, which may be anything from 0 up.
    std::vector<CTestLayer> Layers = std::vector<CTestLayer>(8);
    bool ViewsEnabled = true;
    std::vector<CTestView> Views = std::vector<CTestView>(8);
    std::vector<CTestInstance> Instances;
    std::vector<CTestTile> Tiles;  // 420 and later
    // 500 only, in file order: bool, int, int, nine bools, bool, seven ints.
    // Written with WriteInt, so give the bools as 0 or 1.
    std::array<std::int32_t, 20> Settings = {1, 2, 3, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 4, 5, 6, 7, 8, 9, 10};

    bool operator==(const CTestRoom&) const = default;
};

// The record count items are written as the vectors' sizes.
void WriteRoomRecord(CStream& stream, std::int32_t version, const CTestRoom& room = {});

struct CTestRoomSlot {
    std::optional<CTestRoom> Room;  // none: an empty slot
    std::string Name = "room";
    std::int32_t RecordVersion = 500;

    bool operator==(const CTestRoomSlot&) const = default;
};

struct CTestRooms {
    std::vector<CTestRoomSlot> Slots;
    std::int32_t InstanceIdCounter = 100500;
    std::int32_t TileIdCounter = 10000500;  // 420 and later

    bool operator==(const CTestRooms&) const = default;
};

void WriteRoomsSection(CStream& stream, std::int32_t listVersion, const CTestRooms& rooms = {});

// ---------------------------------------------------------------------------
// Game information (versions 400 and 430)

// A small formatted document to store as the text.
CBlock TestRtfDocument();

struct CTestGameInformation {
    std::int32_t BackgroundColor = 0x00336699;
    bool MimicMainForm = true;         // 430 only
    CBlock Text = TestRtfDocument();  // the block's bytes as stored

    bool operator==(const CTestGameInformation&) const = default;
};

void WriteGameInformationSection(CStream& stream, std::int32_t version,
                                 const CTestGameInformation& information = {});

// ---------------------------------------------------------------------------
// Independent readers of what the converter writes, and what it should write

// The pixels of an image block as the tests build them (schemes -1, 0, 1, 2
// and 10 holding a standard 24-bit BMP); nullopt for -1.
std::optional<CTestPixels> TestBlockPixels(const CBlock& block);

// A version-500 options section.  Every bool is checked to be stored as 1 or
// 0; images are compared by their pixels.
struct CWrittenOptions {
    std::vector<std::int32_t> Head;  // the version up to ProgressBarKind: 23 numbers
    bool BarImagesPresent = false;
    std::optional<CTestPixels> BarBack, BarFront;
    bool ShowLoadImage = false;
    std::optional<CTestPixels> Loading;
    CBlock Icon;
    std::vector<std::int32_t> Errors;  // the four error settings
    std::string Author;
    std::int32_t GameVersion = 0;
    double LastChanged = 0;  // the time of saving: compare it on its own
    std::string Information;

    bool operator==(const CWrittenOptions&) const = default;
};
CWrittenOptions ReadWrittenOptions(CStream& stream);
// What the converter writes for a section of the stored version, with
// LastChanged 0 and the given icon standing for the default game icon of a
// section that holds none (before 410).
CWrittenOptions ExpectedWrittenOptions(const CTestOptions& stored, std::int32_t version,
                                       const CBlock& defaultIcon);

// A version-500 room record (8 layers, 8 views) and a version-420 rooms
// section, read back into the builder's structures.
CTestRoom ReadWrittenRoom(CStream& stream);
CTestRooms ReadWrittenRooms(CStream& stream);
// What the converter writes for a record or section of the stored version
// (an empty code before 411, no tiles before 420, empty instance codes and
// zero editor settings before 500, layers and views cut or padded to 8),
// keeping the instances whose object and the tiles whose background exist.
using CExists = bool (*)(std::int32_t index);
CTestRoom ExpectedWrittenRoom(CTestRoom stored, std::int32_t version, CExists objectExists,
                              CExists backgroundExists);
CTestRooms ExpectedWrittenRooms(const CTestRooms& stored, std::int32_t listVersion,
                                CExists objectExists, CExists backgroundExists);

// A version-430 game-information section; the text is the block's bytes.
CTestGameInformation ReadWrittenGameInformation(CStream& stream);

// ---------------------------------------------------------------------------
// Spoiled files

// Copies of the bytes, each cut short at some point or with a few bytes
// overwritten by hostile values (0, -1, huge counts), chosen by a fixed
// pseudo-random sequence so that failures repeat.
std::vector<CBlock> SpoiledCopies(const CBlock& bytes, int count, unsigned seed = 1);
