#include "support/WorldFiles.h"

#include <cstring>
#include <random>
#include <stdexcept>

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

void WriteOptionsSection(CStream& s, std::int32_t v, const CTestOptions& o) {
    s.WriteInt(v);
    s.WriteBool(o.OptionFlag1);
    if (v >= 411)
        s.WriteBool(o.OptionFlag2);
    s.WriteBool(o.OptionFlag3);
    if (v >= 420) {
        s.WriteInt(o.WindowScale);
        s.WriteInt(o.FullScale);
        s.WriteBool(o.OptionFlag4);
        s.WriteBool(o.SetResolution);
    } else {
        s.WriteBool(o.FullScreenMaximum);
    }
    s.WriteBool(o.ExclusiveMode);
    s.WriteInt(o.ColorDepth);
    s.WriteInt(o.Resolution);
    if (v >= 420)
        s.WriteInt(o.Frequency);
    s.WriteBool(o.OptionFlag5);
    s.WriteBool(o.OptionFlag6);
    if (v >= 500)
        s.WriteBool(o.OptionFlag7);
    s.WriteBool(o.OptionFlag8);
    s.WriteBool(o.OptionFlag9);
    s.WriteBool(o.OptionFlag10);
    s.WriteBool(o.OptionFlag11);
    if (v < 440) {
        s.WriteBool(o.OldFlag);
        s.WriteBool(o.OldImage.has_value());
        if (o.OldImage)
            s.Write(*o.OldImage);
        for (std::int32_t n : o.OldNumbers)
            s.WriteInt(n);
        s.WriteString(o.OldText);
        s.WriteInt(o.OldNumber);
        s.WriteBool(o.OldSwitch);
    }
    s.WriteBool(o.OptionFlag12);
    s.WriteBool(o.OptionFlag13);
    s.WriteBool(o.OptionFlag14);
    if (v >= 411) {
        s.WriteInt(o.ProgressBarKind);
        if (o.ProgressBarKind == 2) {
            s.Write(o.BarBackImage);
            s.Write(o.BarFrontImage);
        }
    } else {
        s.WriteBool(o.ProgressBarKind != 0);
    }
    s.WriteBool(o.ShowLoadImage);
    if (o.ShowLoadImage)
        s.Write(o.LoadingImage);
    if (v >= 410)
        s.WriteBlock(o.Icon);
    if (v >= 420) {
        s.WriteBool(o.DisplayErrors);
        s.WriteBool(o.WriteErrors);
        s.WriteBool(o.AbortErrors);
        s.WriteBool(o.VariableErrors);
    }
    if (v >= 441) {
        s.WriteString(o.Author);
        s.WriteInt(o.GameVersion);
        s.WriteReal(o.LastChanged);
        s.WriteString(o.Information);
    }
}

void WriteRoomRecord(CStream& s, std::int32_t v, const CTestRoom& r) {
    s.WriteInt(v);
    s.WriteString(r.Caption);
    s.WriteInt(r.Width);
    s.WriteInt(r.Height);
    s.WriteInt(r.SnapX);
    s.WriteInt(r.SnapY);
    s.WriteInt(r.Speed);
    s.WriteBool(r.RoomFlag);
    s.WriteInt(r.BackColor);
    s.WriteBool(r.BackColorFlag);
    if (v >= 411)
        s.WriteString(r.Code);
    s.WriteInt(static_cast<std::int32_t>(r.Layers.size()));
    for (const CTestLayer& l : r.Layers) {
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
    s.WriteBool(r.ViewsEnabled);
    s.WriteInt(static_cast<std::int32_t>(r.Views.size()));
    for (const CTestView& w : r.Views) {
        s.WriteBool(w.Visible);
        for (std::int32_t n : {w.ViewX, w.ViewY, w.ViewWidth, w.ViewHeight, w.PortX, w.PortY,
                               w.BorderH, w.BorderV, w.SpeedH, w.SpeedV, w.FollowObject})
            s.WriteInt(n);
    }
    s.WriteInt(static_cast<std::int32_t>(r.Instances.size()));
    for (const CTestInstance& i : r.Instances) {
        s.WriteInt(i.X);
        s.WriteInt(i.Y);
        s.WriteInt(i.ObjectIndex);
        s.WriteInt(i.Id);
        if (v >= 500) {
            s.WriteString(i.Code);
            s.WriteBool(i.InstanceFlag);
        }
    }
    if (v >= 420) {
        s.WriteInt(static_cast<std::int32_t>(r.Tiles.size()));
        for (const CTestTile& t : r.Tiles)
            for (std::int32_t n : {t.X, t.Y, t.BackgroundIndex, t.SourceX, t.SourceY, t.Width,
                                   t.Height, t.Depth, t.Id})
                s.WriteInt(n);
    }
    if (v >= 500)
        for (std::int32_t n : r.Settings)
            s.WriteInt(n);
}

void WriteRoomsSection(CStream& s, std::int32_t listVersion, const CTestRooms& rooms) {
    s.WriteInt(listVersion);
    s.WriteInt(static_cast<std::int32_t>(rooms.Slots.size()));
    for (const CTestRoomSlot& slot : rooms.Slots) {
        s.WriteBool(slot.Room.has_value());
        if (!slot.Room)
            continue;
        s.WriteString(slot.Name);
        WriteRoomRecord(s, slot.RecordVersion, *slot.Room);
    }
    s.WriteInt(rooms.InstanceIdCounter);
    if (listVersion >= 420)
        s.WriteInt(rooms.TileIdCounter);
}

CBlock TestRtfDocument() {
    const std::string document =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "\\viewkind4\\uc1\\pard\\cf1\\b\\f0\\fs24 Welcome\\cf0\\b0 to the \\'e9t\\'e9 game\\par\r\n"
        "Press \\{F1\\} for help.\\par\r\n"
        "}\r\n";
    return CBlock(document.begin(), document.end());
}

void WriteGameInformationSection(CStream& s, std::int32_t version, const CTestGameInformation& info) {
    s.WriteInt(version);
    s.WriteInt(info.BackgroundColor);
    if (version >= 430)
        s.WriteBool(info.MimicMainForm);
    s.WriteBlock(info.Text);
}

std::vector<CBlock> SpoiledCopies(const CBlock& bytes, int count, unsigned seed) {
    static constexpr std::int32_t Hostile[] = {0, -1, 8, 9, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u),
                                               0x10000000, 400, 500, 2};
    std::mt19937 random(seed);
    std::vector<CBlock> copies;
    if (bytes.empty())
        return copies;
    auto below = [&](std::size_t limit) { return std::uniform_int_distribution<std::size_t>(0, limit - 1)(random); };
    for (int i = 0; i < count; ++i) {
        CBlock copy = bytes;
        if (i % 3 == 0) {
            copy.resize(below(copy.size()));
        } else {
            for (int k = 0; k < 1 + i % 4; ++k) {
                if (copy.size() < 4)
                    break;
                // Numbers sit on 4-byte boundaries in most records.
                const std::size_t at = below(copy.size() / 4) * 4;
                const std::int32_t value = Hostile[below(std::size(Hostile))];
                std::memcpy(copy.data() + at, &value, 4);
            }
        }
        copies.push_back(std::move(copy));
    }
    return copies;
}
