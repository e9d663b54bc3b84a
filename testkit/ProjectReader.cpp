#include "testkit/ProjectReader.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace transvane {

namespace project {

namespace {

class TCursor {
public:
    explicit TCursor(const CBlock& bytes) : FBytes(bytes) {}

    std::size_t Offset() const { return FOffset; }
    std::size_t Remaining() const { return FBytes.size() - FOffset; }
    void SetSection(std::string section) { FSection = std::move(section); }

    [[noreturn]] void Fail(const std::string& why) const {
        throw std::runtime_error(FSection + ", offset " + std::to_string(FOffset) + ": " + why);
    }

    const std::uint8_t* Take(std::size_t count) {
        if (count > Remaining())
            Fail("needs " + std::to_string(count) + " bytes, " + std::to_string(Remaining()) + " remain");
        const std::uint8_t* start = FBytes.data() + FOffset;
        FOffset += count;
        return start;
    }

    std::int32_t Int() {
        const std::uint8_t* b = Take(4);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                         static_cast<std::uint32_t>(b[2]) << 16 |
                                         static_cast<std::uint32_t>(b[3]) << 24);
    }

    // A count that the converter wrote: never negative, and each item needs
    // at least bytesEach bytes.
    std::size_t Count(std::size_t bytesEach) {
        const std::int32_t count = Int();
        if (count < 0)
            Fail("negative count " + std::to_string(count));
        if (bytesEach > 0 && static_cast<std::size_t>(count) > Remaining() / bytesEach)
            Fail("count " + std::to_string(count) + " runs past the end");
        return static_cast<std::size_t>(count);
    }

    // A value the converter writes only as 0 or 1; anything else is kept so
    // the comparison shows it.
    std::int32_t Bool() { return Int(); }

    std::int32_t Expect(std::int32_t wanted, const char* what) {
        const std::int32_t value = Int();
        if (value != wanted)
            Fail(std::string(what) + " is " + std::to_string(value) + ", not " + std::to_string(wanted));
        return value;
    }

    double Real() {
        const std::uint8_t* b = Take(8);
        double value;
        std::memcpy(&value, b, 8);  // little-endian host
        return value;
    }

    std::string String() {
        const std::size_t n = Count(1);
        const std::uint8_t* b = Take(n);
        return std::string(reinterpret_cast<const char*>(b), n);
    }

    CBlock Block() {
        const std::size_t n = Count(1);
        const std::uint8_t* b = Take(n);
        return CBlock(b, b + n);
    }

    CBlock CompressedBlock() {
        const std::size_t n = Count(1);
        const std::uint8_t* b = Take(n);
        // What zlib writes at its default level, and nothing else.
        if (n < 2 || b[0] != 0x78 || b[1] != 0x9C)
            Fail("compressed block does not start with the zlib header 78 9C");
        z_stream z{};
        if (inflateInit(&z) != Z_OK)
            Fail("inflateInit");
        z.next_in = const_cast<Bytef*>(b);
        z.avail_in = static_cast<uInt>(n);
        CBlock out;
        std::uint8_t buffer[65536];
        int result = Z_OK;
        while (result == Z_OK) {
            z.next_out = buffer;
            z.avail_out = sizeof buffer;
            result = inflate(&z, Z_NO_FLUSH);
            out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
        }
        const bool used = z.avail_in == 0;
        inflateEnd(&z);
        if (result != Z_STREAM_END)
            Fail("compressed block is not a complete zlib stream");
        if (!used)
            Fail("bytes after the end of the zlib stream");
        return out;
    }

private:
    const CBlock& FBytes;
    std::size_t FOffset = 0;
    std::string FSection = "header";
};

std::uint32_t U32(const CBlock& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TPicture DecodeBmp24(TCursor& in, const CBlock& bmp) {
    try {
        return ReadWrittenBmp(bmp);
    } catch (const std::runtime_error& error) {
        in.Fail(error.what());
    }
}

std::optional<TPicture> Picture(TCursor& in) {
    const std::int32_t scheme = in.Int();
    if (scheme == -1)
        return std::nullopt;
    if (scheme != 10)
        in.Fail("image scheme " + std::to_string(scheme) + " in a converted file");
    return DecodeBmp24(in, in.CompressedBlock());
}

TPicture RequiredPicture(TCursor& in) {
    std::optional<TPicture> picture = Picture(in);
    if (!picture)
        in.Fail("a required picture is missing");
    return *picture;
}

template <class T, class F>
TList<T> List(TCursor& in, std::int32_t version, F readRecord) {
    TList<T> list;
    list.Version = in.Expect(version, "list version");
    const std::size_t count = in.Count(4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t present = in.Int();
        if (present == 0) {
            list.AddEmpty();
            continue;
        }
        if (present != 1)
            in.Fail("slot flag " + std::to_string(present));
        std::string name = in.String();
        list.Add(std::move(name), readRecord(in));
    }
    return list;
}

TOptions Options(TCursor& in) {
    TOptions o;
    o.Version = in.Expect(500, "options version");
    o.Flags[0] = in.Bool();
    o.Flags[1] = in.Bool();
    o.Flags[2] = in.Bool();
    o.WindowScale = in.Int();
    o.FullScale = in.Int();
    o.Flags[3] = in.Bool();
    o.SetResolution = in.Bool();
    o.ExclusiveMode = in.Bool();
    o.ColorDepth = in.Int();
    o.Resolution = in.Int();
    o.Frequency = in.Int();
    for (std::size_t i = 4; i < 14; ++i)
        o.Flags[i] = in.Bool();
    o.ProgressBarKind = in.Int();
    if (o.ProgressBarKind == 2) {
        o.BarBackImage = Picture(in);
        o.BarFrontImage = Picture(in);
    }
    o.ShowLoadImage = in.Bool();
    if (o.ShowLoadImage == 1)
        o.LoadingImage = Picture(in);
    o.Icon = in.Block();
    for (std::int32_t& value : o.Errors)
        value = in.Bool();
    o.Author = in.String();
    o.GameVersion = in.Int();
    o.LastChanged = in.Real();
    o.Information = in.String();
    return o;
}

TSound Sound(TCursor& in) {
    TSound s;
    s.Version = in.Expect(440, "sound version");
    s.Kind = in.Int();
    s.Text = in.String();
    if (s.Kind != -1)
        s.Data = in.CompressedBlock();
    s.Flag1 = in.Bool();
    s.Value = in.Int();
    s.Flag2 = in.Bool();
    return s;
}

TSprite Sprite(TCursor& in) {
    TSprite s;
    s.Version = in.Expect(400, "sprite version");
    s.Width = in.Int();
    s.Height = in.Int();
    s.Left = in.Int();
    s.Right = in.Int();
    s.Bottom = in.Int();
    s.Top = in.Int();
    s.Transparent = in.Bool();
    s.Value1 = in.Int();
    s.Flag1 = in.Bool();
    s.Flag2 = in.Bool();
    s.Flag3 = in.Bool();
    s.Value2 = in.Int();
    s.Value3 = in.Int();
    const std::size_t count = in.Count(4);
    for (std::size_t i = 0; i < count; ++i)
        s.Images.push_back(RequiredPicture(in));
    return s;
}

TBackground Background(TCursor& in) {
    TBackground b;
    b.Version = in.Expect(400, "background version");
    b.Width = in.Int();
    b.Height = in.Int();
    b.Transparent = in.Bool();
    b.Flag1 = in.Bool();
    b.Flag2 = in.Bool();
    b.HasImage = in.Bool();
    if (b.HasImage == 1)
        b.Image = RequiredPicture(in);
    return b;
}

TPath Path(TCursor& in) {
    TPath p;
    p.Version = in.Expect(420, "path version");
    p.ConnectionKind = in.Int();
    p.EndAction = in.Int();
    p.SmoothingDepth = in.Int();
    const std::size_t count = in.Count(24);
    for (std::size_t i = 0; i < count; ++i) {
        TPathPoint point;
        point.X = in.Real();
        point.Y = in.Real();
        point.Speed = in.Real();
        p.Points.push_back(point);
    }
    return p;
}

TScript Script(TCursor& in) {
    TScript s;
    s.Version = in.Expect(400, "script version");
    s.Text = in.String();
    return s;
}

TDataFile DataFile(TCursor& in) {
    TDataFile d;
    d.Version = in.Expect(440, "data file version");
    d.FileName = in.String();
    d.HasData = in.Bool();
    if (d.HasData == 1)
        d.Data = in.CompressedBlock();
    d.ExportMode = in.Int();
    d.Flag1 = in.Bool();
    d.Flag2 = in.Bool();
    d.Flag3 = in.Bool();
    return d;
}

TAction Action(TCursor& in) {
    TAction a;
    a.Tag = in.Expect(440, "action tag");
    a.LibraryId = in.Int();
    a.ActionId = in.Int();
    a.DefValue1 = in.Int();
    a.DefFlag1 = in.Bool();
    a.DefFlag2 = in.Bool();
    a.DefFlag3 = in.Bool();
    a.DefValue2 = in.Int();
    a.DefText1 = in.String();
    a.DefText2 = in.String();
    a.DefValue3 = in.Int();
    in.Expect(8, "argument kind count");
    for (std::int32_t& kind : a.ArgumentKinds)
        kind = in.Int();
    a.Selector = in.Int();
    a.ActionFlag = in.Bool();
    in.Expect(8, "argument count");
    for (std::string& argument : a.Arguments)
        argument = in.String();
    a.TailFlag = in.Bool();
    return a;
}

TEvent Event(TCursor& in) {
    TEvent e;
    e.Tag = in.Expect(400, "event tag");
    const std::size_t count = in.Count(4);
    for (std::size_t i = 0; i < count; ++i)
        e.Actions.push_back(Action(in));
    return e;
}

TTimeLine TimeLine(TCursor& in) {
    TTimeLine t;
    t.Version = in.Expect(500, "time line version");
    const std::size_t count = in.Count(12);
    for (std::size_t i = 0; i < count; ++i) {
        TMoment moment;
        moment.Moment = in.Int();
        moment.Event = Event(in);
        t.Moments.push_back(std::move(moment));
    }
    return t;
}

TObject Object(TCursor& in) {
    TObject o;
    o.Version = in.Expect(430, "object version");
    o.SpriteIndex = in.Int();
    o.Flag1 = in.Bool();
    o.Flag2 = in.Bool();
    o.Value = in.Int();
    o.Flag3 = in.Bool();
    o.RelatedObjectIndex = in.Int();
    o.SecondSpriteIndex = in.Int();
    in.Expect(10, "last event row");
    for (auto& row : o.Rows) {
        for (;;) {
            const std::int32_t number = in.Int();
            if (number == -1)
                break;
            if (number < 0)
                in.Fail("row end marker " + std::to_string(number));
            row.push_back(TNumberedEvent{number, Event(in)});
        }
    }
    return o;
}

TRoom Room(TCursor& in) {
    TRoom r;
    r.Version = in.Expect(500, "room version");
    r.Caption = in.String();
    r.Width = in.Int();
    r.Height = in.Int();
    r.SnapX = in.Int();
    r.SnapY = in.Int();
    r.Speed = in.Int();
    r.RoomFlag = in.Bool();
    r.BackColor = in.Int();
    r.BackColorFlag = in.Bool();
    r.Code = in.String();
    in.Expect(8, "layer count");
    for (TLayer& l : r.Layers)
        for (std::int32_t* value :
             {&l.Visible, &l.LayerFlag, &l.BackgroundIndex, &l.X, &l.Y, &l.TileH, &l.TileV, &l.SpeedH, &l.SpeedV})
            *value = in.Int();
    r.ViewsEnabled = in.Bool();
    in.Expect(8, "view count");
    for (TView& w : r.Views)
        for (std::int32_t* value : {&w.Visible, &w.ViewX, &w.ViewY, &w.ViewWidth, &w.ViewHeight, &w.PortX, &w.PortY,
                                    &w.BorderH, &w.BorderV, &w.SpeedH, &w.SpeedV, &w.FollowObject})
            *value = in.Int();
    const std::size_t instances = in.Count(24);
    for (std::size_t i = 0; i < instances; ++i) {
        TInstance instance;
        instance.X = in.Int();
        instance.Y = in.Int();
        instance.ObjectIndex = in.Int();
        instance.Id = in.Int();
        instance.Code = in.String();
        instance.InstanceFlag = in.Bool();
        r.Instances.push_back(std::move(instance));
    }
    const std::size_t tiles = in.Count(36);
    for (std::size_t i = 0; i < tiles; ++i) {
        TTile tile;
        for (std::int32_t& value : tile.Values)
            value = in.Int();
        r.Tiles.push_back(tile);
    }
    for (std::int32_t& value : r.Settings)
        value = in.Int();
    return r;
}

TRooms Rooms(TCursor& in) {
    TRooms rooms;
    rooms.List = List<TRoom>(in, 420, Room);
    rooms.InstanceIdCounter = in.Int();
    rooms.TileIdCounter = in.Int();
    return rooms;
}

TGameInformation GameInformation(TCursor& in) {
    TGameInformation g;
    g.Version = in.Expect(430, "game information version");
    g.BackgroundColor = in.Int();
    g.MimicMainForm = in.Bool();
    g.Text = in.Block();
    return g;
}

TLibraries Libraries(TCursor& in) {
    TLibraries l;
    l.Version = in.Expect(500, "used libraries version");
    const std::size_t count = in.Count(4);
    for (std::size_t i = 0; i < count; ++i)
        l.Names.push_back(in.String());
    return l;
}

// Test trees are shallow; the depth guard only keeps a broken file from
// taking the test binary down.
TNode Node(TCursor& in, int depth) {
    if (depth > 10000)
        in.Fail("tree nested deeper than any test builds");
    TNode n;
    n.NodeKind = in.Int();
    n.ResourceKind = in.Int();
    n.ResourceIndex = in.Int();
    n.Name = in.String();
    const std::size_t count = in.Count(20);
    for (std::size_t i = 0; i < count; ++i)
        n.Children.push_back(Node(in, depth + 1));
    return n;
}

TTree Tree(TCursor& in) {
    TTree t;
    t.Version = in.Expect(500, "tree version");
    const std::size_t rooms = in.Count(4);
    for (std::size_t i = 0; i < rooms; ++i)
        t.RoomOrder.push_back(in.Int());
    for (int i = 0; i < 11; ++i)
        t.TopLevel.push_back(Node(in, 0));
    return t;
}

}  // namespace

TPicture ReadWrittenBmp(const CBlock& bmp) {
    const auto fail = [](const std::string& why) { throw std::runtime_error("picture: " + why); };
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M')
        fail("not a BMP file");
    if (U32(bmp, 10) != 54 || U32(bmp, 14) != 40 || U32(bmp, 26) != (24u << 16 | 1u) || U32(bmp, 30) != 0 ||
        U32(bmp, 46) != 0)
        fail("not a standard 24-bit BMP (54 bytes of headers, one plane, no compression, no colour table)");
    const auto width = static_cast<std::int32_t>(U32(bmp, 18));
    const auto height = static_cast<std::int32_t>(U32(bmp, 22));
    if (width <= 0 || height <= 0)
        fail("a BMP of " + std::to_string(width) + " x " + std::to_string(height) + " pixels (rows bottom-up)");
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const auto rows = static_cast<std::size_t>(height);
    if (rows > bmp.size() / stride || bmp.size() != 54 + stride * rows || U32(bmp, 2) != bmp.size() ||
        U32(bmp, 34) != stride * rows)
        fail("a BMP of " + std::to_string(bmp.size()) + " bytes whose sizes disagree with its " +
             std::to_string(width) + " x " + std::to_string(height) + " pixels");
    TPicture picture{10, width, height, {}, {}};
    picture.Pixels.resize(static_cast<std::size_t>(width) * rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const std::uint8_t* p = bmp.data() + 54 + stride * row;
        std::uint32_t* out = picture.Pixels.data() + (rows - 1 - row) * static_cast<std::size_t>(width);
        for (std::int32_t x = 0; x < width; ++x, p += 3)
            out[x] = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                     static_cast<std::uint32_t>(p[2]) << 16;
    }
    return picture;
}

TProject ReadProject(const CBlock& file) {
    TCursor in(file);
    TProject p;
    in.Expect(1234321, "magic number");
    p.Version = in.Expect(500, "header version");
    p.Flag = in.Int();
    p.GameId = in.Int();
    std::memcpy(p.Guid.data(), in.Take(16), 16);

    in.SetSection("game options");
    p.Options = Options(in);
    in.SetSection("sounds");
    p.Sounds = List<TSound>(in, 400, Sound);
    in.SetSection("sprites");
    p.Sprites = List<TSprite>(in, 400, Sprite);
    in.SetSection("backgrounds");
    p.Backgrounds = List<TBackground>(in, 400, Background);
    in.SetSection("paths");
    p.Paths = List<TPath>(in, 420, Path);
    in.SetSection("scripts");
    p.Scripts = List<TScript>(in, 400, Script);
    in.SetSection("data files");
    p.DataFiles = List<TDataFile>(in, 440, DataFile);
    in.SetSection("time lines");
    p.TimeLines = List<TTimeLine>(in, 500, TimeLine);
    in.SetSection("objects");
    p.Objects = List<TObject>(in, 400, Object);
    in.SetSection("rooms");
    p.Rooms = Rooms(in);
    in.SetSection("game information");
    p.GameInformation = GameInformation(in);
    in.SetSection("used libraries");
    p.Libraries = Libraries(in);
    in.SetSection("resource tree");
    p.Tree = Tree(in);
    if (in.Remaining() != 0)
        in.Fail(std::to_string(in.Remaining()) + " bytes after the tree");
    return p;
}

TOptions ReadOptionsSection(const CBlock& section) {
    TCursor in(section);
    in.SetSection("game options");
    TOptions options = Options(in);
    if (in.Remaining() != 0)
        in.Fail(std::to_string(in.Remaining()) + " bytes after the section");
    return options;
}

std::string RtfPlainText(const CBlock& rtf) {
    std::string text;
    struct Group {
        bool Skip;
    };
    std::vector<Group> groups;
    bool skip = false;
    std::size_t i = 0;
    auto isAlpha = [](std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    auto isDigit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    static const char* const hidden[] = {"fonttbl", "colortbl", "stylesheet", "info",
                                         "pict",    "header",   "footer",     "generator"};
    bool groupStart = false;
    while (i < rtf.size()) {
        const std::uint8_t c = rtf[i];
        if (c == '{') {
            groups.push_back({skip});
            groupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (!groups.empty()) {
                skip = groups.back().Skip;
                groups.pop_back();
            }
            groupStart = false;
            ++i;
            continue;
        }
        if (c == '\\') {
            ++i;
            if (i >= rtf.size())
                break;
            const std::uint8_t d = rtf[i];
            if (d == '\\' || d == '{' || d == '}') {
                if (!skip)
                    text += static_cast<char>(d);
                ++i;
            } else if (d == '\'') {
                if (i + 2 < rtf.size() && !skip)
                    text += static_cast<char>(std::stoi(
                        std::string(rtf.begin() + static_cast<long>(i) + 1, rtf.begin() + static_cast<long>(i) + 3),
                        nullptr, 16));
                i += 3;
            } else if (d == '*') {
                skip = true;
                ++i;
            } else if (isAlpha(d)) {
                std::string word;
                while (i < rtf.size() && isAlpha(rtf[i]))
                    word += static_cast<char>(rtf[i++]);
                if (i < rtf.size() && (rtf[i] == '-' || isDigit(rtf[i]))) {
                    ++i;
                    while (i < rtf.size() && isDigit(rtf[i]))
                        ++i;
                }
                if (i < rtf.size() && rtf[i] == ' ')
                    ++i;
                if (groupStart)
                    for (const char* h : hidden)
                        if (word == h)
                            skip = true;
                if (!skip) {
                    if (word == "par" || word == "line")
                        text += "\r\n";
                    else if (word == "tab")
                        text += '\t';
                }
            } else {
                ++i;  // other control symbols carry no text
            }
            groupStart = false;
            continue;
        }
        groupStart = false;
        if (c != '\r' && c != '\n' && !skip)
            text += static_cast<char>(c);
        ++i;
    }
    return text;
}

}  // namespace project

}  // namespace transvane
