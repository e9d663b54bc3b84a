#include "testkit/WorldFiles.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

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
        "\\viewkind4\\uc1\\pard\\cf1\\b\\f0\\fs24 Welcome\\cf0\\b0  to the \\'e9t\\'e9 game\\par\r\n"
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

// ---------------------------------------------------------------------------
// Independent readers

namespace {

bool ReadFlag(CStream& s) {
    const std::int32_t value = s.ReadInt();
    EXPECT_TRUE(value == 0 || value == 1) << "a bool is written as 1 or 0, not " << value;
    return value == 1;
}

// Paints run-length rows (scheme 1 colours or scheme 2 palette indices).
CTestPixels ReadRuns(CStream& s, const std::vector<std::uint32_t>* palette) {
    CTestPixels pixels;
    pixels.Width = std::max(s.ReadInt(), 1);
    const std::int32_t height = s.ReadInt();
    pixels.Height = std::max(height, 1);
    pixels.Bgr.assign(static_cast<std::size_t>(pixels.Width) * static_cast<std::size_t>(pixels.Height) * 3, 0xFF);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t runs = s.ReadInt();
        CBlock lengths(static_cast<std::size_t>(runs));
        s.Read(lengths);
        std::int32_t x = 0;
        for (std::uint8_t length : lengths) {
            std::uint32_t rgb = 0;
            if (palette != nullptr) {
                std::uint8_t index = 0;
                s.Read({&index, 1});
                rgb = index < palette->size() ? (*palette)[index] : 0;
            } else {
                std::uint8_t bgr[3];
                s.Read(bgr);
                rgb = static_cast<std::uint32_t>(bgr[2] << 16 | bgr[1] << 8 | bgr[0]);
            }
            for (int k = 0; k < length && x < pixels.Width; ++k, ++x) {
                std::uint8_t* p = &pixels.Bgr[(static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.Width) +
                                               static_cast<std::size_t>(x)) * 3];
                p[0] = static_cast<std::uint8_t>(rgb);
                p[1] = static_cast<std::uint8_t>(rgb >> 8);
                p[2] = static_cast<std::uint8_t>(rgb >> 16);
            }
        }
    }
    return pixels;
}

CTestInstance ReadWrittenInstance(CStream& s) {
    CTestInstance i;
    i.X = s.ReadInt();
    i.Y = s.ReadInt();
    i.ObjectIndex = s.ReadInt();
    i.Id = s.ReadInt();
    i.Code = s.ReadString();
    i.InstanceFlag = ReadFlag(s);
    return i;
}

}  // namespace

std::optional<CTestPixels> TestBlockPixels(const CBlock& block) {
    CStream s = StreamOf(block);
    switch (s.ReadInt()) {
        case -1:
            return std::nullopt;
        case 0:
            return StandardBmpPixels(CBlock(block.begin() + 4, block.end()));
        case 1:
            return ReadRuns(s, nullptr);
        case 2: {
            const std::int32_t size = s.ReadInt();
            std::vector<std::uint32_t> palette;
            for (std::int32_t i = 0; i < size; ++i) {
                std::uint8_t bgr[3];
                s.Read(bgr);
                palette.push_back(static_cast<std::uint32_t>(bgr[2] << 16 | bgr[1] << 8 | bgr[0]));
            }
            return ReadRuns(s, &palette);
        }
        case 10:
            return StandardBmpPixels(s.ReadCompressedBlock());
        default:
            ADD_FAILURE() << "not an image block the tests build";
            return std::nullopt;
    }
}

CWrittenOptions ReadWrittenOptions(CStream& s) {
    CWrittenOptions w;
    w.Head.push_back(s.ReadInt());
    EXPECT_EQ(w.Head[0], 500);
    // Three bools, two numbers, three bools, three numbers, ten bools.
    const char shape[] = "bbbnnbbbnnnbbbbbbbbbb";
    for (const char* c = shape; *c != 0; ++c)
        w.Head.push_back(*c == 'b' ? ReadFlag(s) : s.ReadInt());
    w.Head.push_back(s.ReadInt());  // ProgressBarKind
    if (w.Head.back() == 2) {
        w.BarImagesPresent = true;
        w.BarBack = ReadWrittenImage(s);
        w.BarFront = ReadWrittenImage(s);
    }
    w.ShowLoadImage = ReadFlag(s);
    if (w.ShowLoadImage)
        w.Loading = ReadWrittenImage(s);
    w.Icon = s.ReadBlock();
    for (int i = 0; i < 4; ++i)
        w.Errors.push_back(ReadFlag(s));
    w.Author = s.ReadString();
    w.GameVersion = s.ReadInt();
    w.LastChanged = s.ReadReal();
    w.Information = s.ReadString();
    return w;
}

CWrittenOptions ExpectedWrittenOptions(const CTestOptions& o, std::int32_t v, const CBlock& defaultIcon) {
    const bool v420 = v >= 420;
    const std::int32_t kind = v >= 411 ? o.ProgressBarKind : (o.ProgressBarKind != 0 ? 1 : 0);
    CWrittenOptions w;
    w.Head = {500,
              o.OptionFlag1,
              v >= 411 && o.OptionFlag2,
              o.OptionFlag3,
              v420 ? o.WindowScale : 100,
              v420 ? o.FullScale : (o.FullScreenMaximum ? 0 : 100),
              v420 ? o.OptionFlag4 : true,
              v420 ? o.SetResolution : o.ExclusiveMode,
              o.ExclusiveMode,
              o.ColorDepth,
              o.Resolution,
              v420 ? o.Frequency : 4,
              o.OptionFlag5,
              o.OptionFlag6,
              v >= 500 && o.OptionFlag7,
              o.OptionFlag8,
              o.OptionFlag9,
              o.OptionFlag10,
              o.OptionFlag11,
              o.OptionFlag12,
              o.OptionFlag13,
              o.OptionFlag14,
              kind};
    if (kind == 2) {  // only from 411 on, where the kind is a number
        w.BarImagesPresent = true;
        w.BarBack = TestBlockPixels(o.BarBackImage);
        w.BarFront = TestBlockPixels(o.BarFrontImage);
    }
    w.ShowLoadImage = o.ShowLoadImage;
    if (o.ShowLoadImage)
        w.Loading = TestBlockPixels(o.LoadingImage);
    w.Icon = v >= 410 ? o.Icon : defaultIcon;
    w.Errors = v420 ? std::vector<std::int32_t>{o.DisplayErrors, o.WriteErrors, o.AbortErrors, o.VariableErrors}
                    : std::vector<std::int32_t>{1, 0, 0, 0};
    if (v >= 441) {
        w.Author = o.Author;
        w.GameVersion = o.GameVersion;
        w.Information = o.Information;
    } else {
        w.GameVersion = 100;
    }
    return w;
}

CTestRoom ReadWrittenRoom(CStream& s) {
    EXPECT_EQ(s.ReadInt(), 500);
    CTestRoom r;
    r.Caption = s.ReadString();
    r.Width = s.ReadInt();
    r.Height = s.ReadInt();
    r.SnapX = s.ReadInt();
    r.SnapY = s.ReadInt();
    r.Speed = s.ReadInt();
    r.RoomFlag = ReadFlag(s);
    r.BackColor = s.ReadInt();
    r.BackColorFlag = ReadFlag(s);
    r.Code = s.ReadString();
    EXPECT_EQ(s.ReadInt(), 8);
    r.Layers.assign(8, {});
    for (CTestLayer& l : r.Layers) {
        l.Visible = ReadFlag(s);
        l.LayerFlag = ReadFlag(s);
        l.BackgroundIndex = s.ReadInt();
        l.X = s.ReadInt();
        l.Y = s.ReadInt();
        l.TileH = ReadFlag(s);
        l.TileV = ReadFlag(s);
        l.SpeedH = s.ReadInt();
        l.SpeedV = s.ReadInt();
    }
    r.ViewsEnabled = ReadFlag(s);
    EXPECT_EQ(s.ReadInt(), 8);
    r.Views.assign(8, {});
    for (CTestView& w : r.Views) {
        w.Visible = ReadFlag(s);
        for (std::int32_t* n : {&w.ViewX, &w.ViewY, &w.ViewWidth, &w.ViewHeight, &w.PortX, &w.PortY,
                                &w.BorderH, &w.BorderV, &w.SpeedH, &w.SpeedV, &w.FollowObject})
            *n = s.ReadInt();
    }
    const std::int32_t instances = s.ReadInt();
    s.ExpectItems(instances, 24);
    r.Instances.clear();
    for (std::int32_t i = 0; i < instances; ++i)
        r.Instances.push_back(ReadWrittenInstance(s));
    const std::int32_t tiles = s.ReadInt();
    s.ExpectItems(tiles, 36);
    r.Tiles.assign(static_cast<std::size_t>(tiles), {});
    for (CTestTile& t : r.Tiles)
        for (std::int32_t* n : {&t.X, &t.Y, &t.BackgroundIndex, &t.SourceX, &t.SourceY, &t.Width,
                                &t.Height, &t.Depth, &t.Id})
            *n = s.ReadInt();
    // bool, int, int, nine bools, bool, seven ints
    for (std::size_t i = 0; i < r.Settings.size(); ++i) {
        const bool isFlag = i == 0 || (i >= 3 && i <= 12);
        r.Settings[i] = isFlag ? ReadFlag(s) : s.ReadInt();
    }
    return r;
}

CTestRooms ReadWrittenRooms(CStream& s) {
    EXPECT_EQ(s.ReadInt(), 420);
    CTestRooms rooms;
    const std::int32_t count = s.ReadInt();
    s.ExpectItems(count, 4);
    for (std::int32_t i = 0; i < count; ++i) {
        CTestRoomSlot slot;
        slot.Name.clear();
        if (ReadFlag(s)) {
            slot.Name = s.ReadString();
            slot.Room = ReadWrittenRoom(s);
        }
        rooms.Slots.push_back(std::move(slot));
    }
    rooms.InstanceIdCounter = s.ReadInt();
    rooms.TileIdCounter = s.ReadInt();
    return rooms;
}

CTestRoom ExpectedWrittenRoom(CTestRoom r, std::int32_t version, CExists objectExists, CExists backgroundExists) {
    if (version < 411)
        r.Code.clear();
    if (version < 420)
        r.Tiles.clear();
    if (version < 500) {
        for (CTestInstance& i : r.Instances) {
            i.Code.clear();
            i.InstanceFlag = false;
        }
        r.Settings.fill(0);
    }
    std::erase_if(r.Instances, [&](const CTestInstance& i) { return !objectExists(i.ObjectIndex); });
    std::erase_if(r.Tiles, [&](const CTestTile& t) { return !backgroundExists(t.BackgroundIndex); });
    const CTestLayer defaultLayer{false, false, -1, 0, 0, true, true, 0, 0};
    const CTestView defaultView{false, 0, 0, 640, 480, 0, 0, 32, 32, -1, -1, -1};
    r.Layers.resize(8, defaultLayer);
    r.Views.resize(8, defaultView);
    return r;
}

CTestRooms ExpectedWrittenRooms(const CTestRooms& stored, std::int32_t listVersion, CExists objectExists,
                                CExists backgroundExists) {
    CTestRooms rooms = stored;
    for (CTestRoomSlot& slot : rooms.Slots) {
        if (slot.Room) {
            slot.Room = ExpectedWrittenRoom(*slot.Room, slot.RecordVersion, objectExists, backgroundExists);
        } else {
            slot.Name.clear();
        }
        slot.RecordVersion = 500;
    }
    if (listVersion < 420)
        rooms.TileIdCounter = 10000000;
    return rooms;
}

CTestGameInformation ReadWrittenGameInformation(CStream& s) {
    EXPECT_EQ(s.ReadInt(), 430);
    CTestGameInformation info;
    info.BackgroundColor = s.ReadInt();
    info.MimicMainForm = ReadFlag(s);
    info.Text = s.ReadBlock();
    return info;
}
