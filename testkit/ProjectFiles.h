// Complete project files for tests, described as plain values.
//
// A TProject describes what a project file holds, section by section, in the
// terms of the stored layouts: every record carries the version (tag) it is
// stored with, and stored booleans are kept as the int32 they occupy, so a
// test can ask for a flag stored as 5 or -1.  WriteProject turns such a
// description into the bytes of a project file of any header version from
// 400 to 500, writing only the sections and fields that version and each
// record's own version hold.
//
// The record and list writers below also lay down one record or section
// alone, so the suites of single sections build their input with the same
// code as whole files.
//
// The same types describe what a converted file must hold: ReadProject
// (ProjectReader.h) parses a version-500 file into a TProject, and
// ExpectedConversion says what the converter must turn a source description
// into, so tests compare the two section by section.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/core/Support_Random.h"
#include "format/core/Support_Stream.h"

namespace transvane {

namespace project {

// ---- pictures ------------------------------------------------------------

// A picture as pixels, with the image-block scheme it is stored with:
// -1 no image, 0 plain BMP, 1 colour runs, 2 palette runs, 10 compressed
// BMP, anything else an unknown scheme (the scheme word alone is written).
// A test that needs a block the pixels cannot describe (a BMP of another
// depth, a broken one) gives its bytes as Block, which is then written as
// it is.
struct TPicture {
    std::int32_t Scheme = 10;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint32_t> Pixels{};  // 0x00RRGGBB, top row first
    CBlock Block{};
    bool operator==(const TPicture&) const = default;
};

// A picture of the given size whose pixels follow a pattern drawn from seed.
TPicture MakePicture(std::int32_t scheme, std::int32_t width, std::int32_t height, std::uint32_t seed, int colours = 6);
// A picture stored as exactly these image-block bytes.
TPicture StoredPicture(CBlock block);

// The bytes of a bottom-up 24-bit BMP file holding the picture.
CBlock EncodeBmp24(const TPicture& picture);

// An icon file of the given size (at least 6): reserved 0, the type word,
// one image, then recognisable filler bytes.  The default is the icon the
// builder stores when a description names none.
CBlock TestIcon(std::size_t size = 766, std::uint16_t type = 1);

// ---- the slot list shared by every resource kind ---------------------------

template <class T>
struct TSlot {
    std::string Name{};
    T Record{};
    bool operator==(const TSlot&) const = default;
};

template <class T>
struct TList {
    std::int32_t Version = 0;
    std::vector<std::optional<TSlot<T>>> Slots{};  // nullopt: an empty slot
    bool operator==(const TList&) const = default;

    void Add(std::string name, T record) { Slots.push_back(TSlot<T>{std::move(name), std::move(record)}); }
    void AddEmpty() { Slots.push_back(std::nullopt); }
};

// ---- media ------------------------------------------------------------------

struct TSound {
    std::int32_t Version = 440;  // 400: raw block, 440: compressed block
    std::int32_t Kind = 0;       // -1: no data block
    std::string Text{};
    CBlock Data{};
    std::int32_t Flag1 = 0;
    std::int32_t Value = 1;
    std::int32_t Flag2 = 0;
    bool operator==(const TSound&) const = default;
};

struct TSprite {
    std::int32_t Version = 400;
    std::int32_t Width = 32;
    std::int32_t Height = 32;
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    std::int32_t Transparent = 1;
    std::int32_t Value1 = 0;
    std::int32_t Flag1 = 1;
    std::int32_t Flag2 = 1;
    std::int32_t Flag3 = 0;
    std::int32_t Value2 = 0;
    std::int32_t Value3 = 0;
    std::vector<TPicture> Images{};
    bool operator==(const TSprite&) const = default;
};

struct TBackground {
    std::int32_t Version = 400;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Transparent = 0;
    std::int32_t Flag1 = 1;
    std::int32_t Flag2 = 1;
    std::int32_t HasImage = 0;  // as stored; the image follows when > 0
    TPicture Image{};
    bool operator==(const TBackground&) const = default;
};

struct TScript {
    std::int32_t Version = 400;
    std::string Text{};
    bool operator==(const TScript&) const = default;
};

struct TDataFile {
    std::int32_t Version = 440;
    std::string FileName{};
    std::int32_t HasData = 0;  // the compressed block follows when > 0
    CBlock Data{};
    std::int32_t ExportMode = 2;
    std::int32_t Flag1 = 0;
    std::int32_t Flag2 = 1;
    std::int32_t Flag3 = 1;
    bool operator==(const TDataFile&) const = default;
};

// ---- behaviour --------------------------------------------------------------

struct TPathPoint {
    double X = 0;
    double Y = 0;
    double Speed = 100;
    // The converter copies a point's bytes: compared as bytes, a NaN the
    // file holds equals itself.
    bool operator==(const TPathPoint& other) const {
        const auto bits = [](const TPathPoint& p) {
            return std::array{std::bit_cast<std::uint64_t>(p.X), std::bit_cast<std::uint64_t>(p.Y),
                              std::bit_cast<std::uint64_t>(p.Speed)};
        };
        return bits(*this) == bits(other);
    }
};

struct TPath {
    std::int32_t Version = 420;
    std::int32_t ConnectionKind = 0;
    std::int32_t EndAction = 2;
    std::int32_t SmoothingDepth = 4;
    std::vector<TPathPoint> Points{};
    bool operator==(const TPath&) const = default;
};

// An action record.  Tag 400 stores only ActionId (the old number),
// Selector, ActionFlag and Arguments; tag 440 stores every field.  The
// stored counts of argument kinds and arguments are the vectors' sizes.
struct TAction {
    std::int32_t Tag = 440;
    std::int32_t LibraryId = 1;
    std::int32_t ActionId = 101;
    std::int32_t DefValue1 = 0;
    std::int32_t DefFlag1 = 0;
    std::int32_t DefFlag2 = 0;
    std::int32_t DefFlag3 = 0;
    std::int32_t DefValue2 = 0;
    std::string DefText1{};
    std::string DefText2{};
    std::int32_t DefValue3 = 0;
    std::vector<std::int32_t> ArgumentKinds = std::vector<std::int32_t>(8, 0);
    std::int32_t Selector = -1;
    std::int32_t ActionFlag = 0;
    std::vector<std::string> Arguments = std::vector<std::string>(8, "0");
    std::int32_t TailFlag = 0;
    bool operator==(const TAction&) const = default;
};

// A tag-400 action record with an old action number.
TAction OldAction(std::int32_t number, std::vector<std::string> arguments = {}, std::int32_t selector = -1,
                  std::int32_t actionFlag = 0);
// The tag-440 record the converter writes for an action of library 1: the
// arguments padded with "0" to eight, the tail flag set by an eighth "1".
TAction ConvertedAction(std::int32_t actionId, std::vector<std::string> arguments = {}, std::int32_t selector = -1,
                        std::int32_t actionFlag = 0);

struct TEvent {
    std::int32_t Tag = 400;
    std::vector<TAction> Actions{};
    bool operator==(const TEvent&) const = default;
};

struct TNumberedEvent {
    std::int32_t Number = 0;
    TEvent Event{};
    bool operator==(const TNumberedEvent&) const = default;
};

struct TObject {
    std::int32_t Version = 430;  // 400: rows 0..8 and no row count
    std::int32_t SpriteIndex = -1;
    std::int32_t Flag1 = 0;
    std::int32_t Flag2 = 1;
    std::int32_t Value = 0;
    std::int32_t Flag3 = 0;
    std::int32_t RelatedObjectIndex = -100;
    std::int32_t SecondSpriteIndex = -1;
    // Rows 0 .. Rows.size() - 1, each its entries in stored order.  A
    // version-430 record stores Rows.size() - 1 as its last row; a
    // version-400 record must have exactly nine rows.
    std::vector<std::vector<TNumberedEvent>> Rows = std::vector<std::vector<TNumberedEvent>>(11);
    bool operator==(const TObject&) const = default;
};

struct TMoment {
    std::int32_t Moment = 0;
    TEvent Event{};
    bool operator==(const TMoment&) const = default;
};

struct TTimeLine {
    std::int32_t Version = 500;
    std::vector<TMoment> Moments{};
    bool operator==(const TTimeLine&) const = default;
};

struct TLibraries {
    std::int32_t Version = 500;
    std::vector<std::string> Names{};
    bool operator==(const TLibraries&) const = default;
};

// ---- world ------------------------------------------------------------------

struct TLayer {
    std::int32_t Visible = 0;
    std::int32_t LayerFlag = 0;
    std::int32_t BackgroundIndex = -1;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t TileH = 1;
    std::int32_t TileV = 1;
    std::int32_t SpeedH = 0;
    std::int32_t SpeedV = 0;
    bool operator==(const TLayer&) const = default;
};

struct TView {
    std::int32_t Visible = 0;
    std::int32_t ViewX = 0;
    std::int32_t ViewY = 0;
    std::int32_t ViewWidth = 640;
    std::int32_t ViewHeight = 480;
    std::int32_t PortX = 0;
    std::int32_t PortY = 0;
    std::int32_t BorderH = 32;
    std::int32_t BorderV = 32;
    std::int32_t SpeedH = -1;
    std::int32_t SpeedV = -1;
    std::int32_t FollowObject = -1;
    bool operator==(const TView&) const = default;
};

struct TInstance {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t ObjectIndex = 0;
    std::int32_t Id = 100001;
    std::string Code{};             // stored from record version 500
    std::int32_t InstanceFlag = 0;  // stored from record version 500
    bool operator==(const TInstance&) const = default;
};

struct TTile {
    std::array<std::int32_t, 9> Values{};  // X, Y, BackgroundIndex, SourceX, SourceY, Width, Height, Depth, Id
    bool operator==(const TTile&) const = default;
};

struct TRoom {
    std::int32_t Version = 500;
    std::string Caption{};
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t SnapX = 16;
    std::int32_t SnapY = 16;
    std::int32_t Speed = 30;
    std::int32_t RoomFlag = 0;
    std::int32_t BackColor = 0xC0C0C0;
    std::int32_t BackColorFlag = 1;
    std::string Code{};                                   // from record version 411
    std::vector<TLayer> Layers = std::vector<TLayer>(8);  // stored count = size
    std::int32_t ViewsEnabled = 0;
    std::vector<TView> Views = std::vector<TView>(8);
    std::vector<TInstance> Instances{};
    std::vector<TTile> Tiles{};               // from record version 420
    std::array<std::int32_t, 20> Settings{};  // record version 500 only
    bool operator==(const TRoom&) const = default;
};

struct TRooms {
    TList<TRoom> List{400, {}};  // list version 400..420
    std::int32_t InstanceIdCounter = 100000;
    std::int32_t TileIdCounter = 10000000;  // stored from list version 420
    bool operator==(const TRooms&) const = default;
};

// The version-4 block of option sections before 440: read and dropped.
struct TOldOptionsBlock {
    std::int32_t Bool1 = 0;
    std::int32_t HasImage = 0;
    TPicture Image{};
    std::array<std::int32_t, 3> Ints{};
    std::string Text{};
    std::int32_t Int4 = 0;
    std::int32_t Bool2 = 0;
    bool operator==(const TOldOptionsBlock&) const = default;
};

struct TOptions {
    std::int32_t Version = 500;
    std::array<std::int32_t, 14> Flags{0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0};  // OptionFlag1..14
    std::int32_t WindowScale = 100;                                                // from 420
    std::int32_t FullScale = 100;                                                  // from 420
    std::int32_t FullMaxSwitch = 0;                                                // before 420, in place of the scales
    std::int32_t SetResolution = 0;                                                // from 420
    std::int32_t ExclusiveMode = 0;
    std::int32_t ColorDepth = 0;
    std::int32_t Resolution = 1;
    std::int32_t Frequency = 4;              // from 420
    TOldOptionsBlock OldBlock{};             // before 440
    std::int32_t ProgressBarKind = 1;        // int32 from 411, a bool before
    std::optional<TPicture> BarBackImage{};  // from 411, when the kind is 2
    std::optional<TPicture> BarFrontImage{};
    std::int32_t ShowLoadImage = 0;
    std::optional<TPicture> LoadingImage{};          // when ShowLoadImage > 0
    std::optional<CBlock> Icon{};                    // from 410; nullopt: the default icon
    std::array<std::int32_t, 4> Errors{1, 0, 0, 0};  // from 420
    std::string Author{};                            // from 441
    std::int32_t GameVersion = 100;                  // from 441
    double LastChanged = 0;                          // from 441
    std::string Information{};                       // from 441
    bool operator==(const TOptions&) const = default;
};

struct TGameInformation {
    std::int32_t Version = 430;  // 400 or 430
    std::int32_t BackgroundColor = static_cast<std::int32_t>(0x80000018u);
    std::int32_t MimicMainForm = 0;  // stored from 430
    CBlock Text{};
    bool operator==(const TGameInformation&) const = default;
};

// ---- the tree ---------------------------------------------------------------

struct TNode {
    std::int32_t NodeKind = 3;
    std::int32_t ResourceKind = 0;
    std::int32_t ResourceIndex = 0;
    std::string Name{};
    std::vector<TNode> Children{};
    bool operator==(const TNode&) const = default;
};

struct TTree {
    std::int32_t Version = 500;
    std::vector<std::int32_t> RoomOrder{};
    // The top-level records exactly as stored: eleven for a version-500
    // section, fewer for older ones (no Paths before 420, no Data Files
    // before 440, no Time Lines before 500).
    std::vector<TNode> TopLevel{};
    bool operator==(const TTree&) const = default;
};

// The default top-level records of a tree section of the given version.
std::vector<TNode> DefaultTopLevel(std::int32_t sectionVersion);

// A version-500 tree section whose Rooms group holds a chain of `depth`
// nested groups, the innermost holding one room entry when `room` is given:
// nesting that no reader may follow by recursion.
CBlock DeepTreeSection(int depth, std::optional<std::int32_t> room = std::nullopt);

// ---- the whole project --------------------------------------------------------

struct TProject {
    std::int32_t Version = 500;
    std::int32_t Flag = 0;
    std::int32_t GameId = 4242;
    CGuid Guid{};
    TOptions Options{};
    TList<TSound> Sounds{400, {}};
    TList<TSprite> Sprites{400, {}};
    TList<TBackground> Backgrounds{400, {}};
    TList<TPath> Paths{420, {}};
    TList<TScript> Scripts{400, {}};
    TList<TDataFile> DataFiles{440, {}};
    TList<TTimeLine> TimeLines{500, {}};
    TList<TObject> Objects{400, {}};
    TRooms Rooms{};
    TGameInformation GameInformation{};
    TLibraries Libraries{};
    TTree Tree{};
};

// An empty project whose every section is in the newest layout that the
// given header version can hold (default tree, empty lists).
TProject EmptyProject(std::int32_t headerVersion);

// A project that uses every section and layout variant that the header
// version can hold: records of several versions, pictures of every scheme,
// stored booleans other than 0 and 1, empty slots, dangling references,
// old action numbers (one not in the table), nested tree groups.
TProject SampleProject(std::int32_t headerVersion, std::uint32_t seed = 1);

// A project drawn from seed: every section the header version holds, with
// records, section and record versions, picture schemes, counts (also
// counts above what the model keeps), stored flags and references drawn
// at random.  Loadable by construction: what it draws, the converter must
// accept.
TProject RandomProject(std::int32_t headerVersion, std::uint32_t seed);

// A version-500 project whose converted file is about `bytes` long: data
// files (pieces of them, of equal size) of bytes that do not compress.
TProject BulkyProject(std::size_t bytes, std::size_t pieces = 1);

// The writers, each writing a record or section as described (its version,
// its records' versions) whatever the header version.
void WriteRecord(CStream& stream, const TSound& sound);
void WriteRecord(CStream& stream, const TSprite& sprite);
void WriteRecord(CStream& stream, const TBackground& background);
void WriteRecord(CStream& stream, const TPath& path);
void WriteRecord(CStream& stream, const TScript& script);
void WriteRecord(CStream& stream, const TDataFile& dataFile);
void WriteRecord(CStream& stream, const TTimeLine& timeLine);
void WriteRecord(CStream& stream, const TObject& object);
void WriteRecord(CStream& stream, const TRoom& room);
void WriteRecord(CStream& stream, const TAction& action);
void WriteRecord(CStream& stream, const TEvent& event);

// Every list section: its version, the slot count, then for each slot the
// "exists" flag and, in a present slot, the name and the record.  Where
// each slot ends is noted in slotEnds, when given.
template <class T>
void WriteList(CStream& stream, const TList<T>& list, std::vector<std::size_t>* slotEnds = nullptr) {
    stream.WriteInt(list.Version);
    stream.WriteInt(static_cast<std::int32_t>(list.Slots.size()));
    for (const auto& slot : list.Slots) {
        stream.WriteBool(slot.has_value());
        if (slot) {
            stream.WriteString(slot->Name);
            WriteRecord(stream, slot->Record);
        }
        if (slotEnds != nullptr)
            slotEnds->push_back(stream.Position());
    }
}

void WriteOptions(CStream& stream, const TOptions& options);
// The room list and the id counters.
void WriteRooms(CStream& stream, const TRooms& rooms, std::vector<std::size_t>* slotEnds = nullptr);
void WriteGameInformation(CStream& stream, const TGameInformation& information);
void WriteLibraries(CStream& stream, const TLibraries& libraries);
void WriteTree(CStream& stream, const TTree& tree);

void WritePicture(CStream& stream, const TPicture& picture);
void WriteNode(CStream& stream, const TNode& node);

// A record or a list section alone, as bytes.
template <class T>
CBlock RecordBytes(const T& record) {
    CStream stream;
    WriteRecord(stream, record);
    return stream.TakeBytes();
}
template <class T>
CBlock ListBytes(const TList<T>& list) {
    CStream stream;
    WriteList(stream, list);
    return stream.TakeBytes();
}

// The whole file: the header, then every section that the header version
// holds, in file order.
CBlock WriteProject(const TProject& project);

// ---- damaged files ----------------------------------------------------------

// Where a section of the file WriteProject writes lies, named as the
// converter names it, and where each of its slots ends (list sections).
struct TSectionLayout {
    std::string Name;
    std::size_t Start = 0, End = 0;
    std::vector<std::size_t> SlotEnds{};
};
std::vector<TSectionLayout> ProjectLayout(const TProject& project);

// The file with the compressed block that holds data broken: its stored
// length kept, its zlib header spoilt.  std::invalid_argument when no
// block holds the data.
CBlock BreakCompressedBlock(CBlock file, const CBlock& data);

}  // namespace project

}  // namespace transvane
