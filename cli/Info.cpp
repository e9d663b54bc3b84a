#include "cli/Info.h"

#include <cerrno>
#include <cmath>
#include <optional>
#include <unistd.h>
#include <cstdio>
#include <exception>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <utility>
#include <vector>

#include "format/behaviour/Object_Main.h"
#include "cli/Support_Value.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "project/Resource_Main.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_Bytes.h"
#include "format/core/Support_CodePage.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Progress.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/media/Support_Bitmap24.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"

namespace {

// ---- what the model holds ---------------------------------------------------

// Text of the file, for people: its bytes are Windows-1252.
CValue Text(std::string_view bytes) { return CValue(Windows1252ToUtf8(bytes)); }

// A picture as the model holds it, the bytes of a BMP file: its size and
// depth.  Every picture is written back as a compressed 24-bit BMP.
CValue Picture(const CBlock& bmp) {
    CValue picture = CValue::Object();
    if (const std::optional<CBitmapShape> shape = Bitmap24_Shape(bmp)) {
        picture.Add("width", shape->Width);
        picture.Add("height", shape->Height);
        picture.Add("bits per pixel", static_cast<std::int32_t>(shape->BitCount));
    }
    picture.Add("bmp bytes", bmp.size());
    return picture;
}

CValue OptionalPicture(const std::optional<CBlock>& bmp) { return bmp ? Picture(*bmp) : CValue(); }

// A stored date-time (days since 30 December 1899) as local date and time.
std::string DateTimeText(double days) {
    const std::optional<CDateTime> time = DecodeDateTime(days);
    if (!time)
        return "(not a date)";
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", time->Year, time->Month, time->Day, time->Hour,
                  time->Minute, time->Second);
    return text;
}

// Standard input is read whole, as a file would be mapped; more than this
// is not a project anyone has.
constexpr std::size_t MaxStandardInput = std::size_t{1} << 30;

std::optional<CBlock> ReadStandardInput() {
    CBlock bytes;
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || bytes.size() + static_cast<std::size_t>(got) > MaxStandardInput)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

std::string ColourText(std::int32_t colour) {
    char text[48];
    const auto value = static_cast<std::uint32_t>(colour);
    if (value & 0x80000000u)
        std::snprintf(text, sizeof text, "system colour %u (0x%08X)", value & 0xFF, value);
    else
        std::snprintf(text, sizeof text, "0x%06X (red %u, green %u, blue %u)", value, value & 0xFF,
                      (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    return text;
}

std::string GuidText(const CGuid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3],
                  g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

// The slots of a list: their count, the empty ones, and one entry per
// resource that describe() fills.
template <class T, class F>
void AddList(CValue& section, const CResourceList<T>& list, F describe) {
    int empty = 0;
    CValue items = CValue::Array();
    for (int i = 0; i < list.Count(); ++i) {
        const T* record = list.Get(i);
        if (record == nullptr) {
            ++empty;
            continue;
        }
        CValue item = CValue::Object();
        item.Add("index", static_cast<std::int32_t>(i));
        item.Add("name", Text(list.Name(i)));
        describe(item, *record);
        items.Push(std::move(item));
    }
    section.Add("slots", static_cast<std::int32_t>(list.Count()));
    section.Add("empty slots", static_cast<std::int32_t>(empty));
    section.Add("resources", std::move(items));
}

std::int64_t ActionCount(const CEvent& event) { return event.Count(); }

void DescribeOptions(CValue& s) {
    const CGameOptions& o = GameOptions;
    s.Add("window scale", o.WindowScale);
    s.Add("full-screen scale", o.FullScale);
    s.Add("set resolution", o.SetResolution);
    s.Add("exclusive mode", o.ExclusiveMode);
    s.Add("colour depth", o.ColorDepth);
    s.Add("resolution", o.Resolution);
    s.Add("frequency", o.Frequency);
    s.Add("progress bar kind", o.ProgressBarKind);
    s.Add("bar back image", OptionalPicture(o.BarBackImage));
    s.Add("bar front image", OptionalPicture(o.BarFrontImage));
    s.Add("show loading image", o.ShowLoadImage);
    s.Add("loading image", OptionalPicture(o.LoadingImage));
    CValue icon = CValue::Object();
    icon.Add("bytes", o.Icon.size());
    if (o.Icon.size() >= 6)
        icon.Add("images", static_cast<std::int32_t>(Get16(o.Icon, 4)));
    s.Add("icon", std::move(icon));
    s.Add("display errors", o.DisplayErrors);
    s.Add("write errors", o.WriteErrors);
    s.Add("abort on errors", o.AbortErrors);
    s.Add("uninitialised variables as 0", o.VariableErrors);
    s.Add("author", Text(o.Author));
    s.Add("game version", o.GameVersion);
    s.Add("last changed", DateTimeText(o.LastChanged));
    s.Add("information", Text(o.Information));
}

void DescribeSection(CValue& s, std::span<const std::uint8_t> file, const CLoadReport::CSpan& span) {
    switch (span.Id) {
    case ESection::Options:
        DescribeOptions(s);
        break;
    case ESection::Sounds:
        AddList(s, SoundList, [](CValue& item, const CSound& sound) {
            item.Add("kind", sound.SoundKind);
            item.Add("file", Text(sound.SoundText));
            item.Add("data bytes", sound.SoundKind == -1 ? CValue() : CValue(sound.SoundData.size()));
        });
        break;
    case ESection::Sprites:
        AddList(s, SpriteList, [](CValue& item, const CSprite& sprite) {
            item.Add("width", sprite.Width);
            item.Add("height", sprite.Height);
            CValue images = CValue::Array();
            for (const CBlock& image : sprite.Images)
                images.Push(Picture(image));
            item.Add("subimages", std::move(images));
        });
        break;
    case ESection::Backgrounds:
        AddList(s, BackgroundList, [](CValue& item, const CBackground& background) {
            item.Add("width", background.Width);
            item.Add("height", background.Height);
            item.Add("image", OptionalPicture(background.Image));
        });
        break;
    case ESection::Paths:
        AddList(s, PathList, [](CValue& item, const CPath& path) {
            item.Add("points", static_cast<std::int32_t>(path.PointCount()));
            item.Add("smooth", path.ConnectionKind != 0);
            item.Add("end action", path.EndAction);
            item.Add("smoothing depth", path.SmoothingDepth);
            item.Add("length", path.Length);
        });
        break;
    case ESection::Scripts:
        AddList(s, ScriptList, [](CValue& item, const CScript& script) {
            item.Add("characters", script.ScriptText.size());
        });
        break;
    case ESection::DataFiles:
        AddList(s, DataFileList, [](CValue& item, const CDataFile& dataFile) {
            item.Add("file name", Text(dataFile.FileName));
            item.Add("data bytes", dataFile.HasData ? CValue(dataFile.Data.size()) : CValue());
            item.Add("export mode", dataFile.ExportMode);
        });
        break;
    case ESection::TimeLines:
        AddList(s, TimeLineList, [](CValue& item, const CTimeLine& line) {
            std::int64_t actions = 0;
            for (const auto& event : line.Events)
                actions += ActionCount(*event);
            item.Add("moments", static_cast<std::int32_t>(line.Count()));
            item.Add("actions", actions);
        });
        break;
    case ESection::Objects:
        AddList(s, ObjectList, [](CValue& item, const CObject& object) {
            std::int64_t events = 0, actions = 0;
            for (const CEventRow& row : object.EventRows)
                for (const auto& [number, event] : row.Events())
                    if (!event->Empty()) {
                        ++events;
                        actions += ActionCount(*event);
                    }
            item.Add("sprite", object.SpriteIndex);
            item.Add("events", events);
            item.Add("actions", actions);
        });
        break;
    case ESection::Rooms:
        AddList(s, RoomList, [](CValue& item, const CRoom& room) {
            item.Add("caption", Text(room.Caption));
            item.Add("width", room.Width);
            item.Add("height", room.Height);
            item.Add("instances", room.Instances.size());
            item.Add("tiles", room.Tiles.size());
        });
        s.Add("instance id counter", InstanceIdCounter);
        s.Add("tile id counter", TileIdCounter);
        break;
    case ESection::GameInformation:
        s.Add("background colour", ColourText(GameInformation.BackgroundColor));
        s.Add("mimic main form", GameInformation.MimicMainForm);
        s.Add("text", Text(GameInformationPlainText()));
        break;
    case ESection::Libraries:
        // The names are read and dropped; the count is the section's second
        // int32.
        if (span.End - span.Start >= 8)
            s.Add("names", static_cast<std::int32_t>(Get32(file, span.Start + 4)));
        break;
    case ESection::Tree: {
        // A file may nest a million groups; the list stops at a readable
        // length and says how many it left out.
        constexpr std::int64_t MaxListedGroups = 1000;
        std::int64_t listed = 0;
        CValue top = CValue::Array();
        CValue groups = CValue::Array();
        for (const auto& entry : ResourceTree.Items()) {
            // walked with a stack: the file chooses how deep groups nest
            std::int64_t resources = 0, subgroups = 0, depth = 0;
            std::vector<std::pair<const CTreeNode*, std::int64_t>> pending;
            for (auto child = entry->Children.rbegin(); child != entry->Children.rend(); ++child)
                pending.push_back({child->get(), 1});
            while (!pending.empty()) {
                const auto [node, level] = pending.back();
                pending.pop_back();
                depth = std::max(depth, level);
                if (node->Resource.NodeKind == ResourceNode) {
                    ++resources;
                } else {
                    ++subgroups;
                    if (++listed <= MaxListedGroups) {
                        CValue group = CValue::Object();
                        group.Add("in", Text(entry->Text));
                        group.Add("name", Text(node->Text));
                        group.Add("depth", level);
                        group.Add("children", node->Children.size());
                        groups.Push(std::move(group));
                    }
                }
                for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
                    pending.push_back({child->get(), level + 1});
            }
            CValue item = CValue::Object();
            item.Add("name", Text(entry->Text));
            item.Add("kind", entry->Resource.ResourceKind);
            item.Add("entries", resources);
            item.Add("groups", subgroups);
            item.Add("depth", depth);
            top.Push(std::move(item));
        }
        s.Add("top level", std::move(top));
        s.Add("groups", std::move(groups));
        if (listed > MaxListedGroups)
            s.Add("groups not listed", listed - MaxListedGroups);
        CValue rooms = CValue::Array();
        for (std::int32_t room : CollectRoomOrder())
            rooms.Push(room);
        s.Add("room order", std::move(rooms));
        break;
    }
    }
}

}  // namespace

int RunInfo(const std::string& fileName, bool json, std::ostream& out) {
    CValue report = CValue::Object();
    report.Add("file", fileName);
    bool loaded = false;

    CStream stream;
    std::string unreadable;
    if (fileName == "-") {
        if (std::optional<CBlock> bytes = ReadStandardInput())
            stream = CStream(std::move(*bytes));
        else
            unreadable = "Failed to load the file: standard input cannot be read or is larger than " +
                         std::to_string(MaxStandardInput >> 20) + " MiB";
    } else if (!FileExists(fileName)) {
        unreadable = "File does not exist: " + ReadProblem(fileName);
    } else {
        try {
            stream.LoadFromFile(fileName);
        } catch (const std::exception& error) {
            const std::string problem = ReadProblem(fileName);
            unreadable = "Failed to load the file: " + (problem.empty() ? std::string(error.what()) : problem);
        }
    }

    if (!unreadable.empty()) {
        report.Add("loads", false);
        CValue failure = CValue::Object();
        failure.Add("reason", unreadable);
        report.Add("failure", std::move(failure));
    } else {
        CMessageCollector collector;
        CFeedbackGuard guard(collector);
        CLoadReport load;
        ClearGame();
        try {
            loaded = LoadGame(stream, &load);
        } catch (const std::exception&) {
            loaded = false;  // the report holds the text
        }
        if (stream.FileFailed()) {
            loaded = false;
            load.Failure = "Failed to load the file: it shrank or its device failed while it was read";
        }
        const std::span<const std::uint8_t> bytes = stream.View();

        report.Add("bytes", bytes.size());
        report.Add("loads", loaded);
        report.Add("header version", load.Version != 0 ? CValue(load.Version) : CValue());
        if (load.Version >= OldestGameVersion && load.Version <= NewestGameVersion && bytes.size() >= 16) {
            report.Add("game id", GameId);
            report.Add("guid", load.Version >= 410 ? CValue(GuidText(GameGuid)) : CValue("none stored"));
        }
        CValue sections = CValue::Array();
        for (const CLoadReport::CSpan& span : load.Sections) {
            CValue section = CValue::Object();
            section.Add("section", span.Name);
            if (!span.Present) {
                section.Add("stored", false);
                sections.Push(std::move(section));
                continue;
            }
            section.Add("offset", span.Start);
            section.Add("bytes", span.End - span.Start);
            section.Add("version", static_cast<std::int32_t>(Get32(bytes, span.Start)));
            DescribeSection(section, bytes, span);
            sections.Push(std::move(section));
        }
        report.Add("sections", std::move(sections));
        if (!loaded) {
            CValue failure = CValue::Object();
            failure.Add("section", load.Section);
            failure.Add("section offset", load.SectionStart);
            failure.Add("offset", load.Position);
            failure.Add("reason", load.Failure);
            // Readers usually stop right after the value they refuse or the
            // count that runs past the end: show it.
            if (load.Position >= 4 && load.Position <= bytes.size())
                failure.Add("int32 before the offset", static_cast<std::int32_t>(Get32(bytes, load.Position - 4)));
            report.Add("failure", std::move(failure));
        }
        CValue messages = CValue::Array();
        for (const std::string& message : collector.Messages)
            messages.Push(message);
        report.Add("messages", std::move(messages));
        ClearGame();
    }

    if (json) {
        report.WriteJson(out);
        out << "\n";
    } else {
        report.WriteText(out);
    }
    return loaded ? 0 : 1;
}
