// A room: one playing area with its layers, views, instances and tiles.
//
// Room record (versions 400..500 read, 500 written):
//
//   int32  version
//   string Caption
//   int32  Width, Height, SnapX, SnapY, Speed
//   bool   RoomFlag
//   int32  BackColor
//   bool   BackColorFlag
//   string Code                              411 and later
//   int32  layer count L (written 8), L layers of 36 bytes:
//          bool Visible, bool LayerFlag, int32 BackgroundIndex, int32 X,
//          int32 Y, bool TileH, bool TileV, int32 SpeedH, int32 SpeedV
//   bool   ViewsEnabled
//   int32  view count V (written 8), V views of 48 bytes:
//          bool Visible, then eleven int32 ViewX, ViewY, ViewWidth,
//          ViewHeight, PortX, PortY, BorderH, BorderV, SpeedH, SpeedV,
//          FollowObject
//   int32  instance count I, I instances: int32 X, Y, ObjectIndex, Id;
//          then string Code and bool InstanceFlag in version 500 only
//   int32  tile count T, T tiles of nine int32      420 and later
//   the editor settings, 80 bytes                   500 only
//
// A room has exactly eight layers and eight views.  A record that stores
// fewer fills the first slots and leaves the rest at their defaults; one
// that stores more is read whole and the entries past the eighth dropped.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "format/behaviour/Object_Class.h"
#include "format/core/Resource_List.h"
#include "format/core/Support_Stream.h"
#include "format/media/Background_Class.h"

namespace transvane {

inline constexpr std::int32_t RoomVersion = 500;
inline constexpr int RoomLayerCount = 8;
inline constexpr int RoomViewCount = 8;

struct CRoomLayer {
    bool Visible = false;
    bool LayerFlag = false;
    std::int32_t BackgroundIndex = -1;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool TileH = true;
    bool TileV = true;
    std::int32_t SpeedH = 0;
    std::int32_t SpeedV = 0;

    bool operator==(const CRoomLayer&) const = default;
};

struct CRoomView {
    bool Visible = false;
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

    bool operator==(const CRoomView&) const = default;
};

struct CRoomInstance {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t ObjectIndex = 0;
    std::int32_t Id = 0;
    std::string Code;
    bool InstanceFlag = false;

    bool operator==(const CRoomInstance&) const = default;
};

struct CRoomTile {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t BackgroundIndex = 0;
    std::int32_t SourceX = 0;
    std::int32_t SourceY = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Depth = 0;
    std::int32_t Id = 0;

    bool operator==(const CRoomTile&) const = default;
};

// Settings of the authoring tool's room editor; carried, never interpreted.
struct CRoomEditorSettings {
    bool SettingsFlag1 = false;
    std::int32_t SettingsValue1 = 0;
    std::int32_t SettingsValue2 = 0;
    std::array<bool, 9> SettingsFlags2To10{};  // SettingsFlag2 .. SettingsFlag10
    bool SettingsFlag11 = false;
    std::array<std::int32_t, 7> SettingsValues3To9{};  // SettingsValue3 .. SettingsValue9

    bool operator==(const CRoomEditorSettings&) const = default;
};

class CRoom {
public:
    // The instances and tiles are allocated from memory.
    explicit CRoom(CMemoryResource* memory = HeapMemory()) : Instances(memory), Tiles(memory) { Clear(); }
    virtual ~CRoom() = default;

    CRoom(const CRoom&) = delete;
    CRoom& operator=(const CRoom&) = delete;

    // Every field back to its default, instances and tiles emptied and
    // SettingsFlag1 false; the other editor settings keep their values.
    void Clear();
    // False when the record version is not accepted; nothing after it is
    // read then.
    bool Load(CStream& stream);
    // Writes a version-500 record.
    bool Save(CStream& stream);
    // Drops the instances whose object and the tiles whose background is not
    // in the lists given.  The room list runs it on every room before it
    // saves them (Room_Main).
    void Prune(CCoreState& core, const CResourceList<CObject>& objects, const CResourceList<CBackground>& backgrounds);

    std::string Caption;
    std::int32_t Speed = 30;
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t SnapX = 16;
    std::int32_t SnapY = 16;
    bool RoomFlag = false;
    std::int32_t BackColor = 0xC0C0C0;
    bool BackColorFlag = true;
    std::array<CRoomLayer, RoomLayerCount> Layers;
    bool ViewsEnabled = false;
    std::array<CRoomView, RoomViewCount> Views;
    std::string Code;
    CVector<CRoomInstance> Instances;
    CVector<CRoomTile> Tiles;
    CRoomEditorSettings EditorSettings;
};

}  // namespace transvane
