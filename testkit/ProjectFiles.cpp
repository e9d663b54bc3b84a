#include "testkit/ProjectFiles.h"

#include <algorithm>
#include <random>
#include <stdexcept>

#include "testkit/PictureFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace project {

namespace {

TAction NewAction(std::int32_t library, std::int32_t id, std::vector<std::string> arguments) {
    TAction action;
    action.LibraryId = library;
    action.ActionId = id;
    for (std::size_t i = 0; i < arguments.size() && i < 8; ++i)
        action.Arguments[i] = arguments[i];
    return action;
}

void WriteOptionalPicture(CStream& stream, const std::optional<TPicture>& picture) {
    if (picture)
        WritePicture(stream, *picture);
    else
        stream.WriteInt(-1);
}

}  // namespace

CBlock TestIcon(std::size_t size, std::uint16_t type) {
    if (size < 6)
        throw std::invalid_argument("an icon file has at least its 6-byte header");
    CBlock icon(size);
    icon[2] = static_cast<std::uint8_t>(type & 0xFF);
    icon[3] = static_cast<std::uint8_t>(type >> 8);
    icon[4] = 1;
    for (std::size_t i = 6; i < size; ++i)
        icon[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return icon;
}

TPicture MakePicture(std::int32_t scheme, std::int32_t width, std::int32_t height, std::uint32_t seed, int colours) {
    TPicture picture{scheme, width, height, {}, {}};
    std::uint32_t state = seed * 2654435761u + 12345u;
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < colours; ++i) {
        state = state * 1103515245u + 12345u;
        palette.push_back((state >> 4) & 0xFFFFFF);
    }
    const std::size_t count =
        static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
    std::uint32_t current = palette.empty() ? 0 : palette[0];
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        if (!palette.empty() && (state >> 16) % 5 == 0)
            current = palette[(state >> 8) % palette.size()];
        picture.Pixels.push_back(current);
    }
    return picture;
}

TPicture StoredPicture(CBlock block) {
    TPicture picture;
    picture.Block = std::move(block);
    return picture;
}

CBlock EncodeBmp24(const TPicture& picture) { return MakeBmp(picture); }

void WritePicture(CStream& stream, const TPicture& picture) {
    if (!picture.Block.empty()) {
        stream.Write(picture.Block);
        return;
    }
    switch (picture.Scheme) {
    case 0: stream.Write(PlainBmpBlock(EncodeBmp24(picture))); break;
    case 1: stream.Write(ColorRunsBlock(picture)); break;
    case 2: stream.Write(PaletteRunsBlock(picture)); break;
    case 10: stream.Write(CompressedBmpBlock(EncodeBmp24(picture))); break;
    default:
        stream.WriteInt(picture.Scheme);  // -1 and unknown schemes are the scheme word alone
        break;
    }
}

TAction OldAction(std::int32_t number, std::vector<std::string> arguments, std::int32_t selector,
                  std::int32_t actionFlag) {
    TAction action;
    action.Tag = 400;
    action.LibraryId = 0;
    action.ActionId = number;
    action.Selector = selector;
    action.ActionFlag = actionFlag;
    action.Arguments = std::move(arguments);
    action.ArgumentKinds.clear();
    return action;
}

TAction ConvertedAction(std::int32_t actionId, std::vector<std::string> arguments, std::int32_t selector,
                        std::int32_t actionFlag) {
    TAction action = NewAction(1, actionId, std::move(arguments));
    action.Selector = selector;
    action.ActionFlag = actionFlag;
    action.TailFlag = action.Arguments[7] == "1" ? 1 : 0;
    return action;
}

void WriteRecord(CStream& stream, const TAction& action) {
    stream.WriteInt(action.Tag);
    if (action.Tag == 400) {
        stream.WriteInt(action.ActionId);
    } else if (action.Tag == 440) {
        stream.WriteInt(action.LibraryId);
        stream.WriteInt(action.ActionId);
        stream.WriteInt(action.DefValue1);
        stream.WriteInt(action.DefFlag1);
        stream.WriteInt(action.DefFlag2);
        stream.WriteInt(action.DefFlag3);
        stream.WriteInt(action.DefValue2);
        stream.WriteString(action.DefText1);
        stream.WriteString(action.DefText2);
        stream.WriteInt(action.DefValue3);
        stream.WriteInt(static_cast<std::int32_t>(action.ArgumentKinds.size()));
        for (std::int32_t kind : action.ArgumentKinds)
            stream.WriteInt(kind);
    } else {
        return;  // an unknown tag is the tag alone
    }
    stream.WriteInt(action.Selector);
    stream.WriteInt(action.ActionFlag);
    stream.WriteInt(static_cast<std::int32_t>(action.Arguments.size()));
    for (const std::string& argument : action.Arguments)
        stream.WriteString(argument);
    if (action.Tag == 440)
        stream.WriteInt(action.TailFlag);
}

void WriteRecord(CStream& stream, const TEvent& event) {
    stream.WriteInt(event.Tag);
    if (event.Tag != 400)
        return;
    stream.WriteInt(static_cast<std::int32_t>(event.Actions.size()));
    for (const TAction& action : event.Actions)
        WriteRecord(stream, action);
}

void WriteNode(CStream& stream, const TNode& node) {
    stream.WriteInt(node.NodeKind);
    stream.WriteInt(node.ResourceKind);
    stream.WriteInt(node.ResourceIndex);
    stream.WriteString(node.Name);
    stream.WriteInt(static_cast<std::int32_t>(node.Children.size()));
    for (const TNode& child : node.Children)
        WriteNode(stream, child);
}

void WriteOptions(CStream& stream, const TOptions& o) {
    const std::int32_t v = o.Version;
    stream.WriteInt(v);
    stream.WriteInt(o.Flags[0]);
    if (v >= 411)
        stream.WriteInt(o.Flags[1]);
    stream.WriteInt(o.Flags[2]);
    if (v < 420) {
        stream.WriteInt(o.FullMaxSwitch);
    } else {
        stream.WriteInt(o.WindowScale);
        stream.WriteInt(o.FullScale);
        stream.WriteInt(o.Flags[3]);
        stream.WriteInt(o.SetResolution);
    }
    stream.WriteInt(o.ExclusiveMode);
    stream.WriteInt(o.ColorDepth);
    stream.WriteInt(o.Resolution);
    if (v >= 420)
        stream.WriteInt(o.Frequency);
    stream.WriteInt(o.Flags[4]);
    stream.WriteInt(o.Flags[5]);
    if (v >= 500)
        stream.WriteInt(o.Flags[6]);
    for (std::size_t i = 7; i <= 10; ++i)
        stream.WriteInt(o.Flags[i]);
    if (v < 440) {
        stream.WriteInt(o.OldBlock.Bool1);
        stream.WriteInt(o.OldBlock.HasImage);
        if (o.OldBlock.HasImage > 0)
            WritePicture(stream, o.OldBlock.Image);
        for (std::int32_t value : o.OldBlock.Ints)
            stream.WriteInt(value);
        stream.WriteString(o.OldBlock.Text);
        stream.WriteInt(o.OldBlock.Int4);
        stream.WriteInt(o.OldBlock.Bool2);
    }
    for (std::size_t i = 11; i <= 13; ++i)
        stream.WriteInt(o.Flags[i]);
    stream.WriteInt(o.ProgressBarKind);
    if (v >= 411 && o.ProgressBarKind == 2) {
        WriteOptionalPicture(stream, o.BarBackImage);
        WriteOptionalPicture(stream, o.BarFrontImage);
    }
    stream.WriteInt(o.ShowLoadImage);
    if (o.ShowLoadImage > 0)
        WriteOptionalPicture(stream, o.LoadingImage);
    if (v >= 410)
        stream.WriteBlock(o.Icon ? *o.Icon : TestIcon());
    if (v >= 420)
        for (std::int32_t value : o.Errors)
            stream.WriteInt(value);
    if (v >= 441) {
        stream.WriteString(o.Author);
        stream.WriteInt(o.GameVersion);
        stream.WriteReal(o.LastChanged);
        stream.WriteString(o.Information);
    }
}

void WriteRecord(CStream& stream, const TSound& sound) {
    stream.WriteInt(sound.Version);
    stream.WriteInt(sound.Kind);
    stream.WriteString(sound.Text);
    if (sound.Kind != -1) {
        if (sound.Version == 400)
            stream.WriteBlock(sound.Data);
        else
            stream.WriteCompressedBlock(sound.Data);
    }
    stream.WriteInt(sound.Flag1);
    stream.WriteInt(sound.Value);
    stream.WriteInt(sound.Flag2);
}

void WriteRecord(CStream& stream, const TSprite& s) {
    // The bounds are stored left, right, bottom, top.
    for (std::int32_t value : {s.Version, s.Width, s.Height, s.Left, s.Right, s.Bottom, s.Top, s.Transparent, s.Value1,
                               s.Flag1, s.Flag2, s.Flag3, s.Value2, s.Value3})
        stream.WriteInt(value);
    stream.WriteInt(static_cast<std::int32_t>(s.Images.size()));
    for (const TPicture& image : s.Images)
        WritePicture(stream, image);
}

void WriteRecord(CStream& stream, const TBackground& b) {
    for (std::int32_t value : {b.Version, b.Width, b.Height, b.Transparent, b.Flag1, b.Flag2, b.HasImage})
        stream.WriteInt(value);
    if (b.HasImage > 0)
        WritePicture(stream, b.Image);
}

void WriteRecord(CStream& stream, const TPath& path) {
    stream.WriteInt(path.Version);
    stream.WriteInt(path.ConnectionKind);
    stream.WriteInt(path.EndAction);
    stream.WriteInt(path.SmoothingDepth);
    stream.WriteInt(static_cast<std::int32_t>(path.Points.size()));
    for (const TPathPoint& point : path.Points) {
        stream.WriteReal(point.X);
        stream.WriteReal(point.Y);
        stream.WriteReal(point.Speed);
    }
}

void WriteRecord(CStream& stream, const TScript& script) {
    stream.WriteInt(script.Version);
    stream.WriteString(script.Text);
}

void WriteRecord(CStream& stream, const TDataFile& d) {
    stream.WriteInt(d.Version);
    stream.WriteString(d.FileName);
    stream.WriteInt(d.HasData);
    if (d.HasData > 0)
        stream.WriteCompressedBlock(d.Data);
    for (std::int32_t value : {d.ExportMode, d.Flag1, d.Flag2, d.Flag3})
        stream.WriteInt(value);
}

void WriteRecord(CStream& stream, const TTimeLine& timeLine) {
    stream.WriteInt(timeLine.Version);
    stream.WriteInt(static_cast<std::int32_t>(timeLine.Moments.size()));
    for (const TMoment& moment : timeLine.Moments) {
        stream.WriteInt(moment.Moment);
        WriteRecord(stream, moment.Event);
    }
}

void WriteRecord(CStream& stream, const TObject& object) {
    for (std::int32_t value : {object.Version, object.SpriteIndex, object.Flag1, object.Flag2, object.Value,
                               object.Flag3, object.RelatedObjectIndex, object.SecondSpriteIndex})
        stream.WriteInt(value);
    if (object.Version == 400 && object.Rows.size() != 9)
        throw std::logic_error("a version-400 object stores exactly nine rows");
    if (object.Version != 400)
        stream.WriteInt(static_cast<std::int32_t>(object.Rows.size()) - 1);
    for (const auto& row : object.Rows) {
        for (const TNumberedEvent& entry : row) {
            stream.WriteInt(entry.Number);
            WriteRecord(stream, entry.Event);
        }
        stream.WriteInt(-1);
    }
}

void WriteRecord(CStream& s, const TRoom& room) {
    const std::int32_t v = room.Version;
    s.WriteInt(v);
    s.WriteString(room.Caption);
    for (std::int32_t value : {room.Width, room.Height, room.SnapX, room.SnapY, room.Speed, room.RoomFlag,
                               room.BackColor, room.BackColorFlag})
        s.WriteInt(value);
    if (v >= 411)
        s.WriteString(room.Code);
    s.WriteInt(static_cast<std::int32_t>(room.Layers.size()));
    for (const TLayer& l : room.Layers)
        for (std::int32_t value :
             {l.Visible, l.LayerFlag, l.BackgroundIndex, l.X, l.Y, l.TileH, l.TileV, l.SpeedH, l.SpeedV})
            s.WriteInt(value);
    s.WriteInt(room.ViewsEnabled);
    s.WriteInt(static_cast<std::int32_t>(room.Views.size()));
    for (const TView& w : room.Views)
        for (std::int32_t value : {w.Visible, w.ViewX, w.ViewY, w.ViewWidth, w.ViewHeight, w.PortX, w.PortY, w.BorderH,
                                   w.BorderV, w.SpeedH, w.SpeedV, w.FollowObject})
            s.WriteInt(value);
    s.WriteInt(static_cast<std::int32_t>(room.Instances.size()));
    for (const TInstance& instance : room.Instances) {
        s.WriteInt(instance.X);
        s.WriteInt(instance.Y);
        s.WriteInt(instance.ObjectIndex);
        s.WriteInt(instance.Id);
        if (v >= 500) {
            s.WriteString(instance.Code);
            s.WriteInt(instance.InstanceFlag);
        }
    }
    if (v >= 420) {
        s.WriteInt(static_cast<std::int32_t>(room.Tiles.size()));
        for (const TTile& tile : room.Tiles)
            for (std::int32_t value : tile.Values)
                s.WriteInt(value);
    }
    if (v >= 500)
        for (std::int32_t value : room.Settings)
            s.WriteInt(value);
}

void WriteRooms(CStream& stream, const TRooms& rooms, std::vector<std::size_t>* slotEnds) {
    WriteList(stream, rooms.List, slotEnds);
    stream.WriteInt(rooms.InstanceIdCounter);
    if (rooms.List.Version >= 420)
        stream.WriteInt(rooms.TileIdCounter);
}

void WriteGameInformation(CStream& stream, const TGameInformation& information) {
    stream.WriteInt(information.Version);
    stream.WriteInt(information.BackgroundColor);
    if (information.Version >= 430)
        stream.WriteInt(information.MimicMainForm);
    stream.WriteBlock(information.Text);
}

void WriteLibraries(CStream& stream, const TLibraries& libraries) {
    stream.WriteInt(libraries.Version);
    stream.WriteInt(static_cast<std::int32_t>(libraries.Names.size()));
    for (const std::string& name : libraries.Names)
        stream.WriteString(name);
}

void WriteTree(CStream& stream, const TTree& tree) {
    stream.WriteInt(tree.Version);
    stream.WriteInt(static_cast<std::int32_t>(tree.RoomOrder.size()));
    for (std::int32_t room : tree.RoomOrder)
        stream.WriteInt(room);
    for (const TNode& node : tree.TopLevel)
        WriteNode(stream, node);
}

std::vector<TNode> DefaultTopLevel(std::int32_t sectionVersion) {
    struct Entry {
        const char* Name;
        std::int32_t NodeKind, ResourceKind, From;
    };
    static const Entry entries[] = {
        {"Sprites", 1, 2, 400},       {"Sounds", 1, 3, 400},
        {"Backgrounds", 1, 6, 400},   {"Paths", 1, 8, 420},
        {"Scripts", 1, 7, 400},       {"Data Files", 1, 9, 440},
        {"Time Lines", 1, 12, 500},   {"Objects", 1, 1, 400},
        {"Rooms", 1, 4, 400},         {"Game Information", 3, 10, 400},
        {"Game Options", 3, 11, 400},
    };
    std::vector<TNode> nodes;
    for (const Entry& entry : entries)
        if (sectionVersion >= entry.From)
            nodes.push_back(TNode{entry.NodeKind, entry.ResourceKind, 0, entry.Name, {}});
    return nodes;
}

CBlock DeepTreeSection(int depth, std::optional<std::int32_t> room) {
    CStream stream;
    stream.WriteInt(500);
    stream.WriteInt(0);  // no room order
    const auto writeHead = [&stream](std::int32_t nodeKind, std::int32_t index, const char* name, bool holdsOne) {
        stream.WriteInt(nodeKind);
        stream.WriteInt(4);
        stream.WriteInt(index);
        stream.WriteString(name);
        stream.WriteInt(holdsOne ? 1 : 0);
    };
    for (const TNode& node : DefaultTopLevel(500)) {
        if (node.ResourceKind != 4) {
            WriteNode(stream, node);
            continue;
        }
        // Each group is followed by the one it holds.
        writeHead(1, 0, "Rooms", depth > 0 || room);
        for (int level = 0; level < depth; ++level)
            writeHead(1, 0, "", level + 1 < depth || room);
        if (room)
            writeHead(3, *room, "", false);
    }
    return stream.TakeBytes();
}

TProject EmptyProject(std::int32_t headerVersion) {
    TProject project;
    project.Version = headerVersion;
    project.Guid = TestGuid();
    const std::int32_t v = headerVersion;
    project.Options.Version = v;
    if (v >= 410)
        project.Options.Icon = TestIcon();
    project.Rooms.List.Version = std::min(v, 420);
    project.GameInformation.Version = v >= 430 ? 430 : 400;
    project.Tree.Version = v;
    project.Tree.TopLevel = DefaultTopLevel(v);
    return project;
}

namespace {

// Writes the whole file, noting where its sections and slots lie when a
// layout is given.
CBlock WriteLaidOut(const TProject& p, std::vector<TSectionLayout>* layout) {
    CStream stream;
    using TEnds = std::vector<std::size_t>;
    const auto section = [&](const char* name, auto write) {
        const std::size_t start = stream.Position();
        TEnds ends;
        write(layout != nullptr ? &ends : nullptr);
        if (layout != nullptr)
            layout->push_back({name, start, stream.Position(), std::move(ends)});
    };
    WriteHeader(stream, p.Version, p.GameId, p.Guid);
    // The header flag is the third int32; WriteHeader writes 0 there.
    if (p.Flag != 0) {
        stream.SetPosition(8);
        stream.WriteInt(p.Flag);
        stream.SetPosition(stream.Size());
    }
    const std::int32_t v = p.Version;
    section("Game options", [&](TEnds*) { WriteOptions(stream, p.Options); });
    section("Sounds", [&](TEnds* ends) { WriteList(stream, p.Sounds, ends); });
    section("Sprites", [&](TEnds* ends) { WriteList(stream, p.Sprites, ends); });
    section("Backgrounds", [&](TEnds* ends) { WriteList(stream, p.Backgrounds, ends); });
    if (v >= 420)
        section("Paths", [&](TEnds* ends) { WriteList(stream, p.Paths, ends); });
    section("Scripts", [&](TEnds* ends) { WriteList(stream, p.Scripts, ends); });
    if (v >= 440)
        section("Data files", [&](TEnds* ends) { WriteList(stream, p.DataFiles, ends); });
    if (v >= 500)
        section("Time lines", [&](TEnds* ends) { WriteList(stream, p.TimeLines, ends); });
    section("Objects", [&](TEnds* ends) { WriteList(stream, p.Objects, ends); });
    section("Rooms", [&](TEnds* ends) { WriteRooms(stream, p.Rooms, ends); });
    section("Game information", [&](TEnds*) { WriteGameInformation(stream, p.GameInformation); });
    if (v >= 440)
        section("Used action libraries", [&](TEnds*) { WriteLibraries(stream, p.Libraries); });
    section("Resource tree", [&](TEnds*) { WriteTree(stream, p.Tree); });
    return stream.TakeBytes();
}

}  // namespace

CBlock WriteProject(const TProject& p) { return WriteLaidOut(p, nullptr); }

std::vector<TSectionLayout> ProjectLayout(const TProject& project) {
    std::vector<TSectionLayout> layout;
    WriteLaidOut(project, &layout);
    return layout;
}

CBlock BreakCompressedBlock(CBlock file, const CBlock& data) {
    CStream block;
    block.WriteCompressedBlock(data);
    const CBlock stored = block.TakeBytes();
    const auto at = std::search(file.begin(), file.end(), stored.begin(), stored.end());
    if (at == file.end())
        throw std::invalid_argument("BreakCompressedBlock: no block of the file holds the data");
    // The zlib header's first byte, just after the count: the length stays
    // sound, the stream no longer inflates.
    at[4] = static_cast<std::uint8_t>(at[4] ^ 0xFF);
    return file;
}

}  // namespace project

namespace project {

TProject SampleProject(std::int32_t v, std::uint32_t seed) {
    TProject p = EmptyProject(v);
    p.GameId = 100000 + static_cast<std::int32_t>(seed % 800000);
    p.Flag = 1;  // ignored on load, written as 0

    TOptions& o = p.Options;
    o.Flags = {5, 1, 0, 0, -1, 1, 1, 0, 7, 1, 0, 1, 0, 1};
    o.WindowScale = 150;
    o.FullScale = 0;
    o.FullMaxSwitch = 1;
    o.SetResolution = 0;
    o.ExclusiveMode = 3;
    o.ColorDepth = 1;
    o.Resolution = 3;
    o.Frequency = 2;
    o.OldBlock = TOldOptionsBlock{1, 1, MakePicture(1, 5, 4, seed + 1), {7, 8, 9}, "dropped", 11, 1};
    o.ProgressBarKind = v >= 411 ? 2 : 5;
    o.BarBackImage = MakePicture(1, 9, 3, seed + 2);
    o.BarFrontImage = std::nullopt;
    o.ShowLoadImage = 2;
    o.LoadingImage = MakePicture(2, 7, 6, seed + 3);
    o.Errors = {0, 1, 5, 0};
    o.Author = "An Author \xE9";
    o.GameVersion = 321;
    o.LastChanged = 40000.5;
    o.Information = "About\r\nthe game";

    CBlock noise(1000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>((i * 37 + seed) ^ (i >> 3));
    p.Sounds.Add("raw", TSound{400, 0, "sound.wav", noise, 5, 7, -1});
    p.Sounds.AddEmpty();
    p.Sounds.Add("silent", TSound{400, -1, "", {}, 0, 1, 1});
    if (v >= 440)
        p.Sounds.Add("packed", TSound{440, -7, "x.mid", CBlock(300, 0x41), 1, 0, 0});

    TSprite first;
    first.Width = 9;
    first.Height = 7;
    first.Left = 1;
    first.Top = 2;
    first.Right = 3;
    first.Bottom = 4;
    first.Transparent = 5;
    first.Value1 = -3;
    first.Flag3 = -1;
    first.Value3 = 99;
    first.Images = {MakePicture(1, 9, 7, seed + 4), MakePicture(2, 300, 2, seed + 5)};
    p.Sprites.Add("first", first);
    p.Sprites.AddEmpty();
    TSprite second;
    second.Images = {MakePicture(0, 3, 5, seed + 6), MakePicture(10, 4, 4, seed + 7), MakePicture(1, 1, 1, seed + 8)};
    p.Sprites.Add("second", second);
    p.Sprites.Add("no images", TSprite{});

    p.Backgrounds.Add("sky", TBackground{400, 64, 48, 1, 0, 9, 1, MakePicture(2, 13, 11, seed + 9)});
    p.Backgrounds.AddEmpty();
    p.Backgrounds.Add("none", TBackground{400, 10, 10, 0, 1, 1, 0, {}});

    if (v >= 420) {
        p.Paths.Add("loop", TPath{420, 1, 2, 4, {{0, 0, 100}, {30, 40, 50}, {30.25, -1e-3, 200}}});
        p.Paths.AddEmpty();
        p.Paths.Add("nothing", TPath{420, 0, 7, -2, {}});
    }

    p.Scripts.AddEmpty();
    p.Scripts.Add("init", TScript{400, "{\r\n  x = 1; // caf\xE9\r\n}"});
    p.Scripts.Add("empty", TScript{400, ""});

    if (v >= 440) {
        p.DataFiles.Add("data", TDataFile{440, "level.dat", 1, CBlock(5000, 7), 3, 1, 0, 1});
        p.DataFiles.Add("no data", TDataFile{440, "x", 0, {}, 7, 0, 0, 0});
        p.DataFiles.AddEmpty();
        p.DataFiles.Add("empty data", TDataFile{440, "", 5, {}, -1, 2, -1, 3});
    }

    // Actions of both layouts: old numbers (translated, one not in the
    // table), a newer record in old numbering, a foreign library kept as is.
    TEvent oldActions;
    oldActions.Actions = {OldAction(1), OldAction(69, {"a", "b", "c"}, 3, 1),
                          OldAction(12, {"0", "0", "0", "0", "0", "0", "0", "1"}),
                          OldAction(70, {"0", "0", "0", "0", "0", "0", "0", "01"})};
    TEvent newActions;
    TAction foreign = NewAction(3, 7, {"x", "y"});
    foreign.DefValue1 = 4;
    foreign.DefFlag2 = 1;
    foreign.DefText1 = "text one";
    foreign.DefValue3 = -9;
    foreign.ArgumentKinds = {1, 2, 3, 4, 5, 6, 7, 8};
    foreign.TailFlag = 1;
    TAction oldInNew = NewAction(0, 12, {});
    oldInNew.ArgumentKinds = {5, 5};
    oldInNew.Arguments = {"1", "2", "3"};
    newActions.Actions = {foreign, oldInNew};

    TObject hero;
    hero.Version = v >= 430 ? 430 : 400;
    if (hero.Version == 400)
        hero.Rows.resize(9);
    hero.SpriteIndex = 0;
    hero.Flag1 = 3;
    hero.Value = -5;
    hero.RelatedObjectIndex = 2;
    hero.SecondSpriteIndex = 1;  // an empty slot: reset
    hero.Rows[0] = {{0, oldActions}, {3, TEvent{}}};
    hero.Rows[4] = {{1, oldActions}, {2, newActions}};  // object 1 is gone
    hero.Rows[8] = {{2, newActions}, {5, oldActions}, {2, oldActions}};
    if (v >= 440 && hero.Version == 430)
        hero.Rows[10] = {{0, newActions}};
    p.Objects.Add("hero", hero);
    p.Objects.AddEmpty();
    TObject wall;
    wall.Version = 400;
    wall.Rows.resize(9);
    wall.SpriteIndex = 7;
    wall.RelatedObjectIndex = 0;
    wall.Rows[2] = {{0, TEvent{}}};
    p.Objects.Add("wall", wall);

    if (v >= 500) {
        TTimeLine line;
        line.Moments = {{30, newActions}, {10, TEvent{}}, {30, oldActions}};
        p.TimeLines.Add("line", line);
        p.TimeLines.AddEmpty();
        p.TimeLines.Add("empty", TTimeLine{});
    }

    const std::int32_t roomVersion = v >= 500 ? 500 : v;
    TRoom room;
    room.Version = roomVersion;
    room.Caption = "First room";
    room.Width = 800;
    room.Speed = 60;
    room.RoomFlag = 4;
    room.BackColor = static_cast<std::int32_t>(0x80000005u);
    room.BackColorFlag = 0;
    room.Code = "room code";
    room.Layers.resize(3);
    room.Layers[1] = TLayer{1, 1, 0, 5, 6, 0, 1, 2, 3};
    room.Layers[2].BackgroundIndex = 9;
    room.ViewsEnabled = 1;
    room.Views.resize(9);
    room.Views[0] = TView{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0};
    room.Views[8].ViewX = 12345;  // a ninth view: read and dropped
    room.Instances = {TInstance{1, 2, 0, 100001, "i code", 1}, TInstance{3, 4, 1, 100002, "", 0},
                      TInstance{5, 6, 2, 100003, "", 5}, TInstance{7, 8, -1, 100004, "", 0},
                      TInstance{9, 10, 3, 100005, "", 0}};
    room.Tiles = {TTile{{1, 2, 0, 0, 0, 16, 16, 1000, 10000001}}, TTile{{3, 4, 1, 0, 0, 16, 16, 1000, 10000002}},
                  TTile{{5, 6, 2, 8, 8, 8, 8, -5, 10000003}}};
    for (std::size_t i = 0; i < room.Settings.size(); ++i)
        room.Settings[i] = static_cast<std::int32_t>(i * 3) - 4;
    p.Rooms.List.Add("first", room);
    p.Rooms.List.AddEmpty();
    TRoom old;
    old.Version = 400;
    old.Caption = "Old";
    old.Instances = {TInstance{0, 0, 2, 100006, "", 0}};
    p.Rooms.List.Add("old", old);
    p.Rooms.InstanceIdCounter = 100006;
    p.Rooms.TileIdCounter = 10000003;

    TGameInformation& g = p.GameInformation;
    g.BackgroundColor = v >= 430 ? static_cast<std::int32_t>(0x80000018u) : 0x00FF8040;
    g.MimicMainForm = 3;
    const std::string text = v >= 430 ? "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\f0\\fs24 Hello "
                                        "\\b bold\\b0  caf\\'e9\\par second line\\par}"
                                      : "Plain text {braces} \\ back\r\ncaf\xE9 line two";
    g.Text.assign(text.begin(), text.end());

    if (v >= 440)
        p.Libraries.Names = {"lib one", "lib two"};

    p.Tree.RoomOrder = {9, 9};  // stale
    for (TNode& node : p.Tree.TopLevel) {
        switch (node.ResourceKind) {
        case 2:
            node.Children = {TNode{3, 2, 0, "first", {}}, TNode{1, 2, 0, "group", {TNode{3, 2, 2, "second", {}}}}};
            break;
        case 4:
            node.Name = "My Rooms";
            node.Children = {TNode{3, 4, 2, "old", {}}, TNode{1, 4, 0, "levels", {TNode{3, 4, 0, "first", {}}}},
                             TNode{3, 4, 1, "gone", {TNode{3, 4, 5, "inside an entry", {}}}}};
            break;
        case 1: node.Children = {TNode{3, 1, 0, "hero", {}}, TNode{3, 1, 2, "wall", {}}}; break;
        default: break;
        }
    }
    return p;
}

}  // namespace project

namespace project {

namespace {

// Draws for RandomProject: every value a stored file may hold, with the
// awkward ones (flags stored as 5 or -1, empty strings, bytes above 127)
// drawn often.
class TDraw {
public:
    explicit TDraw(std::uint32_t seed) : FEngine(seed) {}

    std::int32_t Between(std::int32_t low, std::int32_t high) {
        return std::uniform_int_distribution<std::int32_t>(low, high)(FEngine);
    }
    bool Chance(int percent) { return Between(0, 99) < percent; }
    template <class T>
    T OneOf(std::initializer_list<T> values) {
        return *(values.begin() + Between(0, static_cast<std::int32_t>(values.size()) - 1));
    }
    std::int32_t Flag() { return OneOf<std::int32_t>({0, 1, 0, 1, 2, 5, -1, -7}); }
    std::int32_t Int() {
        return Chance(20) ? OneOf<std::int32_t>({0, -1, 1, 2147483647, -2147483647 - 1}) : Between(-100000, 100000);
    }
    std::string Text(int longest = 12) {
        std::string text;
        const int length = Chance(15) ? 0 : Between(0, longest);
        for (int i = 0; i < length; ++i)
            text += static_cast<char>(Chance(10)  ? Between(128, 255)
                                      : Chance(5) ? OneOf<int>({'\r', '\n', '\t', '{', '\\'})
                                                  : Between(32, 126));
        return text;
    }
    CBlock Bytes(int longest) {
        CBlock bytes(static_cast<std::size_t>(Between(0, longest)));
        for (auto& byte : bytes)
            byte = static_cast<std::uint8_t>(Chance(50) ? 0 : Between(0, 255));
        return bytes;
    }
    double Real() { return Chance(20) ? OneOf<double>({0.0, -0.0, 1e300, -1.5}) : Between(-5000, 5000) / 8.0; }
    TPicture Picture(bool allowNone) {
        const std::int32_t scheme = allowNone && Chance(15) ? -1 : OneOf<std::int32_t>({0, 1, 2, 10});
        const std::int32_t width = Chance(10) ? Between(256, 600) : Between(1, 24);
        const std::int32_t height = Between(1, 12);
        return MakePicture(scheme, width, height, static_cast<std::uint32_t>(Between(0, 1 << 30)), Between(1, 9));
    }
    std::int32_t Version(std::initializer_list<std::int32_t> versions) { return OneOf<std::int32_t>(versions); }

private:
    std::mt19937 FEngine;
};

TAction RandomAction(TDraw& d) {
    TAction action;
    if (d.Chance(50)) {
        std::vector<std::string> arguments;
        for (int i = d.Between(0, 10); i > 0; --i)
            arguments.push_back(d.Chance(30) ? d.OneOf<std::string>({"1", "0", "01", " 1"}) : d.Text(6));
        action = OldAction(d.Chance(95) ? d.Between(1, 69) : d.OneOf<std::int32_t>({0, 70, -3}), arguments, d.Int(),
                           d.Flag());
        return action;
    }
    action.LibraryId = d.OneOf<std::int32_t>({0, 1, 1, 3, -2});
    action.ActionId = action.LibraryId == 0 ? d.Between(1, 69) : d.Int();
    action.DefValue1 = d.Int();
    action.DefFlag1 = d.Flag();
    action.DefFlag2 = d.Flag();
    action.DefFlag3 = d.Flag();
    action.DefValue2 = d.Int();
    action.DefText1 = d.Text();
    action.DefText2 = d.Text();
    action.DefValue3 = d.Int();
    action.ArgumentKinds.clear();
    for (int i = d.Between(0, 10); i > 0; --i)
        action.ArgumentKinds.push_back(d.Int());
    action.Selector = d.Int();
    action.ActionFlag = d.Flag();
    action.Arguments.clear();
    for (int i = d.Between(0, 10); i > 0; --i)
        action.Arguments.push_back(d.Text(6));
    action.TailFlag = d.Flag();
    return action;
}

TEvent RandomEvent(TDraw& d) {
    TEvent event;
    if (d.Chance(3)) {
        event.Tag = 401;  // refused: the event stays empty, reading goes on
        return event;
    }
    for (int i = d.Chance(20) ? 0 : d.Between(1, 4); i > 0; --i)
        event.Actions.push_back(RandomAction(d));
    return event;
}

TNode RandomNode(TDraw& d, std::int32_t kind, int depth) {
    if (depth >= 4 || d.Chance(60))
        return TNode{d.Chance(90) ? 3 : 5, kind, d.Between(-1, 6), d.Text(), {}};
    TNode group{1, kind, 0, d.Text(), {}};
    for (int i = d.Between(0, 4); i > 0; --i)
        group.Children.push_back(RandomNode(d, kind, depth + 1));
    if (d.Chance(10))
        group.NodeKind = 3;  // an entry with children: carried, not descended into for the room order
    return group;
}

}  // namespace

TProject BulkyProject(std::size_t bytes, std::size_t pieces) {
    TProject p = EmptyProject(500);
    for (std::size_t i = 0; i < pieces; ++i) {
        TDataFile data;
        data.FileName = "noise.bin";
        data.HasData = 1;
        data.Data = NoiseBytes(bytes / pieces, 12345 + static_cast<std::uint32_t>(i));
        p.DataFiles.Add("noise", data);
    }
    return p;
}

TProject RandomProject(std::int32_t v, std::uint32_t seed) {
    TDraw d(seed);
    TProject p = EmptyProject(v);
    p.GameId = d.Between(0, 999999);
    p.Flag = d.Flag();
    for (std::size_t i = 0; i < p.Guid.size(); ++i)
        p.Guid[i] = static_cast<std::uint8_t>(d.Between(0, 255));

    TOptions& o = p.Options;
    o.Version = d.Version({400, 410, 411, 419, 420, 430, 439, 440, 441, 499, 500});
    for (auto& flag : o.Flags)
        flag = d.Flag();
    o.WindowScale = d.Int();
    o.FullScale = d.Int();
    o.FullMaxSwitch = d.Flag();
    o.SetResolution = d.Flag();
    o.ExclusiveMode = d.Flag();
    o.ColorDepth = d.Int();
    o.Resolution = d.Int();
    o.Frequency = d.Int();
    o.OldBlock = TOldOptionsBlock{d.Flag(), d.Flag(), d.Picture(false), {d.Int(), d.Int(), d.Int()},
                                  d.Text(), d.Int(),  d.Flag()};
    o.ProgressBarKind = d.OneOf<std::int32_t>({0, 1, 2, 2, 3, -1});
    if (d.Chance(80))
        o.BarBackImage = d.Picture(true);
    if (d.Chance(80))
        o.BarFrontImage = d.Picture(true);
    o.ShowLoadImage = d.Flag();
    if (d.Chance(80))
        o.LoadingImage = d.Picture(true);
    CBlock icon = d.Bytes(3000);
    icon.resize(std::max<std::size_t>(icon.size(), 6));
    icon[2] = static_cast<std::uint8_t>(d.Between(0, 1));
    icon[3] = 0;
    o.Icon = icon;
    for (auto& flag : o.Errors)
        flag = d.Flag();
    o.Author = d.Text();
    o.GameVersion = d.Int();
    o.LastChanged = d.Real();
    o.Information = d.Text(40);

    for (int i = d.Between(0, 4); i > 0; --i) {
        if (d.Chance(20)) {
            p.Sounds.AddEmpty();
            continue;
        }
        p.Sounds.Add(d.Text(), TSound{d.Version({400, 440}), d.OneOf<std::int32_t>({-1, 0, 1, 3, -5}), d.Text(),
                                      d.Bytes(3000), d.Flag(), d.Int(), d.Flag()});
    }
    for (int i = d.Between(0, 4); i > 0; --i) {
        if (d.Chance(20)) {
            p.Sprites.AddEmpty();
            continue;
        }
        TSprite sprite{400,     d.Int(),  d.Int(),  d.Int(),  d.Int(), d.Int(), d.Int(), d.Flag(),
                       d.Int(), d.Flag(), d.Flag(), d.Flag(), d.Int(), d.Int(), {}};
        for (int k = d.Between(0, 4); k > 0; --k)
            sprite.Images.push_back(d.Picture(false));
        p.Sprites.Add(d.Text(), sprite);
    }
    for (int i = d.Between(0, 4); i > 0; --i) {
        if (d.Chance(20)) {
            p.Backgrounds.AddEmpty();
            continue;
        }
        const std::int32_t hasImage = d.Flag();
        p.Backgrounds.Add(d.Text(), TBackground{400, d.Int(), d.Int(), d.Flag(), d.Flag(), d.Flag(), hasImage,
                                                hasImage > 0 ? d.Picture(false) : TPicture{}});
    }
    if (v >= 420)
        for (int i = d.Between(0, 3); i > 0; --i) {
            if (d.Chance(20)) {
                p.Paths.AddEmpty();
                continue;
            }
            TPath path{420, d.OneOf<std::int32_t>({0, 1, 7}), d.Between(-1, 5), d.Between(0, 5), {}};
            for (int k = d.Between(0, 5); k > 0; --k)
                path.Points.push_back(TPathPoint{d.Real(), d.Real(), d.Real()});
            p.Paths.Add(d.Text(), path);
        }
    for (int i = d.Between(0, 3); i > 0; --i) {
        if (d.Chance(20))
            p.Scripts.AddEmpty();
        else
            p.Scripts.Add(d.Text(), TScript{400, d.Text(200)});
    }
    if (v >= 440)
        for (int i = d.Between(0, 3); i > 0; --i) {
            if (d.Chance(20)) {
                p.DataFiles.AddEmpty();
                continue;
            }
            p.DataFiles.Add(d.Text(),
                            TDataFile{440, d.Text(), d.Flag(), d.Bytes(4000), d.Int(), d.Flag(), d.Flag(), d.Flag()});
        }
    if (v >= 500)
        for (int i = d.Between(0, 3); i > 0; --i) {
            if (d.Chance(20)) {
                p.TimeLines.AddEmpty();
                continue;
            }
            TTimeLine line;
            for (int k = d.Between(0, 4); k > 0; --k)
                line.Moments.push_back(TMoment{d.Int(), RandomEvent(d)});
            p.TimeLines.Add(d.Text(), line);
        }

    const int objects = d.Between(0, 5);
    for (int i = 0; i < objects; ++i) {
        if (d.Chance(20)) {
            p.Objects.AddEmpty();
            continue;
        }
        TObject object;
        object.Version = d.Version({400, 430});
        object.Rows.resize(object.Version == 400 ? 9 : static_cast<std::size_t>(d.OneOf<int>({11, 11, 11, 0, 6})));
        object.SpriteIndex = d.Between(-2, 5);
        object.Flag1 = d.Flag();
        object.Flag2 = d.Flag();
        object.Value = d.Int();
        object.Flag3 = d.Flag();
        object.RelatedObjectIndex = d.OneOf<std::int32_t>({-100, -1, 0, 1, 2, 3, 9});
        object.SecondSpriteIndex = d.Between(-2, 5);
        for (auto& row : object.Rows)
            for (int k = d.Chance(50) ? 0 : d.Between(1, 3); k > 0; --k)
                row.push_back(TNumberedEvent{d.Chance(10) ? d.Between(0, 300) : d.Between(0, 6), RandomEvent(d)});
        p.Objects.Add(d.Text(), object);
    }

    p.Rooms.List.Version = d.Version({400, 410, 419, 420});
    for (int i = d.Between(0, 4); i > 0; --i) {
        if (d.Chance(20)) {
            p.Rooms.List.AddEmpty();
            continue;
        }
        TRoom room;
        room.Version = d.Version({400, 410, 411, 419, 420, 430, 499, 500});
        room.Caption = d.Text();
        room.Width = d.Int();
        room.Height = d.Int();
        room.SnapX = d.Int();
        room.SnapY = d.Int();
        room.Speed = d.Int();
        room.RoomFlag = d.Flag();
        room.BackColor = d.Chance(30)
                             ? static_cast<std::int32_t>(0x80000000u + static_cast<std::uint32_t>(d.Between(0, 30)))
                             : d.Between(0, 0xFFFFFF);
        room.BackColorFlag = d.Flag();
        room.Code = d.Text(60);
        room.Layers.resize(static_cast<std::size_t>(d.OneOf<int>({8, 8, 0, 3, 9, 12})));
        for (TLayer& l : room.Layers)
            l = TLayer{d.Flag(), d.Flag(), d.Between(-1, 4), d.Int(), d.Int(), d.Flag(), d.Flag(), d.Int(), d.Int()};
        room.ViewsEnabled = d.Flag();
        room.Views.resize(static_cast<std::size_t>(d.OneOf<int>({8, 8, 0, 5, 9})));
        for (TView& w : room.Views)
            w = TView{d.Flag(), d.Int(), d.Int(), d.Int(), d.Int(), d.Int(),
                      d.Int(),  d.Int(), d.Int(), d.Int(), d.Int(), d.Between(-1, 4)};
        for (int k = d.Between(0, 6); k > 0; --k)
            room.Instances.push_back(TInstance{d.Int(), d.Int(), d.Between(-1, objects), d.Int(), d.Text(), d.Flag()});
        for (int k = d.Between(0, 6); k > 0; --k) {
            TTile tile;
            for (auto& value : tile.Values)
                value = d.Int();
            tile.Values[2] = d.Between(-1, 5);
            room.Tiles.push_back(tile);
        }
        for (auto& value : room.Settings)
            value = d.Flag();
        p.Rooms.List.Add(d.Text(), room);
    }
    p.Rooms.InstanceIdCounter = d.Int();
    p.Rooms.TileIdCounter = d.Int();

    TGameInformation& g = p.GameInformation;
    g.Version = d.Version({400, 430});
    g.BackgroundColor = d.Int();
    g.MimicMainForm = d.Flag();
    const std::string text = d.Chance(50)
                                 ? "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 " +
                                       std::string(d.OneOf<const char*>({"a", "b\\par c", "\\'e9t\\'e9"})) + "}"
                                 : d.Text(80);
    g.Text.assign(text.begin(), text.end());

    for (int i = d.Between(0, 3); i > 0; --i)
        p.Libraries.Names.push_back(d.Text());

    p.Tree.Version = d.Version({400, 410, 420, 430, 440, 441, 450, 500});
    p.Tree.TopLevel = DefaultTopLevel(p.Tree.Version);
    for (int i = d.Between(0, 5); i > 0; --i)
        p.Tree.RoomOrder.push_back(d.Int());
    for (TNode& node : p.Tree.TopLevel) {
        if (d.Chance(20))
            node.Name = d.Text();
        if (node.NodeKind == 1)
            for (int k = d.Between(0, 4); k > 0; --k)
                node.Children.push_back(RandomNode(d, node.ResourceKind, 1));
    }
    return p;
}

}  // namespace project

}  // namespace transvane
