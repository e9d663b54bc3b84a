#include "format/world/Room_Class.h"

#include <algorithm>

#include "format/core/Support_Report.h"

namespace transvane {

namespace {

// Bytes each stored entry occupies at the least; counts from the file are
// checked against what remains before anything is read or allocated.
constexpr std::size_t LayerBytes = 36;
constexpr std::size_t ViewBytes = 48;
constexpr std::size_t InstanceBytes = 16;     // before version 500
constexpr std::size_t InstanceBytes500 = 24;  // with an empty code and the flag
constexpr std::size_t TileBytes = 36;

void ReadLayer(CStream& s, CRoomLayer& l) {
    l.Visible = s.ReadBool();
    l.LayerFlag = s.ReadBool();
    l.BackgroundIndex = s.ReadInt();
    l.X = s.ReadInt();
    l.Y = s.ReadInt();
    l.TileH = s.ReadBool();
    l.TileV = s.ReadBool();
    l.SpeedH = s.ReadInt();
    l.SpeedV = s.ReadInt();
}

void WriteLayer(CStream& s, const CRoomLayer& l) {
    s.WriteBool(l.Visible);
    s.WriteBool(l.LayerFlag);
    s.WriteInt(l.BackgroundIndex);
    s.WriteInt(l.X);
    s.WriteInt(l.Y);
    s.WriteBool(l.TileH);
    s.WriteBool(l.TileV);
    s.WriteInt(l.SpeedH);
    s.WriteInt(l.SpeedV);
}

void ReadView(CStream& s, CRoomView& v) {
    v.Visible = s.ReadBool();
    v.ViewX = s.ReadInt();
    v.ViewY = s.ReadInt();
    v.ViewWidth = s.ReadInt();
    v.ViewHeight = s.ReadInt();
    v.PortX = s.ReadInt();
    v.PortY = s.ReadInt();
    v.BorderH = s.ReadInt();
    v.BorderV = s.ReadInt();
    v.SpeedH = s.ReadInt();
    v.SpeedV = s.ReadInt();
    v.FollowObject = s.ReadInt();
}

void WriteView(CStream& s, const CRoomView& v) {
    s.WriteBool(v.Visible);
    s.WriteInt(v.ViewX);
    s.WriteInt(v.ViewY);
    s.WriteInt(v.ViewWidth);
    s.WriteInt(v.ViewHeight);
    s.WriteInt(v.PortX);
    s.WriteInt(v.PortY);
    s.WriteInt(v.BorderH);
    s.WriteInt(v.BorderV);
    s.WriteInt(v.SpeedH);
    s.WriteInt(v.SpeedV);
    s.WriteInt(v.FollowObject);
}

// Reads a stored count of layers or views into the room's fixed slots: a
// negative count reads nothing, entries past the last slot are read and
// dropped.
template <class T, std::size_t N, class ReadEntry>
void ReadSlots(CStream& s, std::array<T, N>& slots, std::size_t bytesEach, ReadEntry readEntry) {
    const std::int32_t count = s.ReadInt();
    if (count <= 0)
        return;
    s.ExpectItems(count, bytesEach);
    for (std::int32_t i = 0; i < count; ++i) {
        if (static_cast<std::size_t>(i) < N) {
            readEntry(s, slots[static_cast<std::size_t>(i)]);
        } else {
            T dropped;
            readEntry(s, dropped);
        }
    }
}

void ReadSettings(CStream& s, CRoomEditorSettings& e) {
    e.SettingsFlag1 = s.ReadBool();
    e.SettingsValue1 = s.ReadInt();
    e.SettingsValue2 = s.ReadInt();
    for (bool& flag : e.SettingsFlags2To10)
        flag = s.ReadBool();
    e.SettingsFlag11 = s.ReadBool();
    for (std::int32_t& value : e.SettingsValues3To9)
        value = s.ReadInt();
}

void WriteSettings(CStream& s, const CRoomEditorSettings& e) {
    s.WriteBool(e.SettingsFlag1);
    s.WriteInt(e.SettingsValue1);
    s.WriteInt(e.SettingsValue2);
    for (bool flag : e.SettingsFlags2To10)
        s.WriteBool(flag);
    s.WriteBool(e.SettingsFlag11);
    for (std::int32_t value : e.SettingsValues3To9)
        s.WriteInt(value);
}

}  // namespace

void CRoom::Clear() {
    Caption.clear();
    Speed = 30;
    Width = 640;
    Height = 480;
    SnapX = 16;
    SnapY = 16;
    RoomFlag = false;
    BackColor = 0xC0C0C0;
    BackColorFlag = true;
    Layers.fill(CRoomLayer{});
    ViewsEnabled = false;
    Views.fill(CRoomView{});
    Code.clear();
    Instances.clear();
    Tiles.clear();
    EditorSettings.SettingsFlag1 = false;
}

bool CRoom::Load(CStream& s) {
    Clear();
    const std::int32_t version = s.ReadInt();
    if (version < 400 || version > 500)
        return false;

    Caption = s.ReadString();
    Width = s.ReadInt();
    Height = s.ReadInt();
    SnapX = s.ReadInt();
    SnapY = s.ReadInt();
    Speed = s.ReadInt();
    RoomFlag = s.ReadBool();
    BackColor = s.ReadInt();
    BackColorFlag = s.ReadBool();
    if (version >= 411)
        Code = s.ReadString();

    ReadSlots(s, Layers, LayerBytes, ReadLayer);
    ViewsEnabled = s.ReadBool();
    ReadSlots(s, Views, ViewBytes, ReadView);

    const std::int32_t instanceCount = s.ReadInt();
    s.ExpectItems(instanceCount, version >= 500 ? InstanceBytes500 : InstanceBytes);
    Instances.resize(static_cast<std::size_t>(instanceCount));
    {
        // A large project holds hundreds of thousands of instances.
        CFieldReader in(s);
        for (CRoomInstance& i : Instances) {
            i.X = in.ReadInt();
            i.Y = in.ReadInt();
            i.ObjectIndex = in.ReadInt();
            i.Id = in.ReadInt();
            if (version >= 500) {
                i.Code = in.ReadStringView();
                i.InstanceFlag = in.ReadBool();
            }
        }
    }

    if (version >= 420) {
        const std::int32_t tileCount = s.ReadInt();
        s.ExpectItems(tileCount, TileBytes);
        Tiles.resize(static_cast<std::size_t>(tileCount));
        for (CRoomTile& t : Tiles) {
            t.X = s.ReadInt();
            t.Y = s.ReadInt();
            t.BackgroundIndex = s.ReadInt();
            t.SourceX = s.ReadInt();
            t.SourceY = s.ReadInt();
            t.Width = s.ReadInt();
            t.Height = s.ReadInt();
            t.Depth = s.ReadInt();
            t.Id = s.ReadInt();
        }
    }

    if (version >= 500)
        ReadSettings(s, EditorSettings);
    return true;
}

void CRoom::Prune(CCoreState& core, const CResourceList<CObject>& objects,
                  const CResourceList<CBackground>& backgrounds) {
    if (const auto dropped =
            std::erase_if(Instances, [&objects](const CRoomInstance& i) { return !objects.Exists(i.ObjectIndex); }))
        NoteChange(core, EChange::InstanceDropped, static_cast<std::int64_t>(dropped));
    if (const auto dropped =
            std::erase_if(Tiles, [&backgrounds](const CRoomTile& t) { return !backgrounds.Exists(t.BackgroundIndex); }))
        NoteChange(core, EChange::TileDropped, static_cast<std::int64_t>(dropped));
}

bool CRoom::Save(CStream& s) {
    s.WriteInt(RoomVersion);
    s.WriteString(Caption);
    s.WriteInt(Width);
    s.WriteInt(Height);
    s.WriteInt(SnapX);
    s.WriteInt(SnapY);
    s.WriteInt(Speed);
    s.WriteBool(RoomFlag);
    s.WriteInt(BackColor);
    s.WriteBool(BackColorFlag);
    s.WriteString(Code);

    s.WriteInt(RoomLayerCount);
    for (const CRoomLayer& l : Layers)
        WriteLayer(s, l);
    s.WriteBool(ViewsEnabled);
    s.WriteInt(RoomViewCount);
    for (const CRoomView& v : Views)
        WriteView(s, v);

    s.WriteInt(static_cast<std::int32_t>(Instances.size()));
    {
        CFieldWriter out(s);
        for (const CRoomInstance& i : Instances) {
            out.WriteInt(i.X);
            out.WriteInt(i.Y);
            out.WriteInt(i.ObjectIndex);
            out.WriteInt(i.Id);
            out.WriteString(i.Code);
            out.WriteBool(i.InstanceFlag);
        }
    }

    s.WriteInt(static_cast<std::int32_t>(Tiles.size()));
    for (const CRoomTile& t : Tiles)
        for (std::int32_t value : {t.X, t.Y, t.BackgroundIndex, t.SourceX, t.SourceY, t.Width, t.Height, t.Depth, t.Id})
            s.WriteInt(value);

    WriteSettings(s, EditorSettings);
    return true;
}

}  // namespace transvane
