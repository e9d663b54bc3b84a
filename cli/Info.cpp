#include "cli/Info.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <ostream>
#include <span>
#include <sstream>
#include <utility>
#include <vector>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Progress.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"

namespace {

// ---- a small value tree, printed as JSON or as indented text ---------------

class CValue {
public:
    enum class EKind { Null, Bool, Number, Text, Array, Object };

    CValue() = default;
    CValue(bool value) : FKind(EKind::Bool), FNumber(value ? 1 : 0) {}
    CValue(std::int32_t value) : FKind(EKind::Number), FNumber(static_cast<double>(value)) {}
    CValue(std::int64_t value) : FKind(EKind::Number), FNumber(static_cast<double>(value)) {}
    CValue(std::size_t value) : FKind(EKind::Number), FNumber(static_cast<double>(value)) {}
    CValue(double value) : FKind(EKind::Number), FNumber(value) {}
    CValue(std::string value) : FKind(EKind::Text), FText(std::move(value)) {}
    CValue(const char* value) : FKind(EKind::Text), FText(value) {}

    static CValue Array() {
        CValue value;
        value.FKind = EKind::Array;
        return value;
    }
    static CValue Object() {
        CValue value;
        value.FKind = EKind::Object;
        return value;
    }

    CValue& Add(std::string key, CValue value) {
        FFields.emplace_back(std::move(key), std::move(value));
        return FFields.back().second;
    }
    CValue& Push(CValue value) {
        FItems.push_back(std::move(value));
        return FItems.back();
    }

    void WriteJson(std::ostream& out, int indent = 0) const;
    void WriteText(std::ostream& out, int indent = 0) const;

private:
    bool Scalar() const { return FKind != EKind::Array && FKind != EKind::Object; }
    void WriteScalar(std::ostream& out, bool json) const;

    EKind FKind = EKind::Null;
    double FNumber = 0;
    std::string FText;
    std::vector<CValue> FItems;
    std::vector<std::pair<std::string, CValue>> FFields;
};

// Strings in a project are 8-bit characters of the authoring platform's
// code page; JSON gets them as the Latin-1 characters of those bytes.
void WriteJsonString(std::ostream& out, const std::string& text) {
    out << '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out << escaped;
        } else {
            out << c;
        }
    }
    out << '"';
}

void WriteNumber(std::ostream& out, double number) {
    if (!std::isfinite(number)) {
        out << "null";
        return;
    }
    char text[32];
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", number);
    else
        std::snprintf(text, sizeof text, "%.10g", number);
    out << text;
}

void CValue::WriteScalar(std::ostream& out, bool json) const {
    switch (FKind) {
    case EKind::Null:
        out << (json ? "null" : "-");
        break;
    case EKind::Bool:
        out << (FNumber != 0 ? (json ? "true" : "yes") : (json ? "false" : "no"));
        break;
    case EKind::Number:
        WriteNumber(out, FNumber);
        break;
    case EKind::Text:
        if (json) {
            WriteJsonString(out, FText);
        } else {
            for (char c : FText) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x20 && c != '\t') {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                    out << escaped;
                } else {
                    out << c;
                }
            }
        }
        break;
    default:
        break;
    }
}

void CValue::WriteJson(std::ostream& out, int indent) const {
    const std::string pad(static_cast<std::size_t>(indent + 2), ' ');
    if (Scalar()) {
        WriteScalar(out, true);
    } else if (FKind == EKind::Array) {
        if (FItems.empty()) {
            out << "[]";
            return;
        }
        out << "[\n";
        for (std::size_t i = 0; i < FItems.size(); ++i) {
            out << pad;
            FItems[i].WriteJson(out, indent + 2);
            out << (i + 1 < FItems.size() ? ",\n" : "\n");
        }
        out << std::string(static_cast<std::size_t>(indent), ' ') << "]";
    } else {
        if (FFields.empty()) {
            out << "{}";
            return;
        }
        out << "{\n";
        for (std::size_t i = 0; i < FFields.size(); ++i) {
            out << pad;
            WriteJsonString(out, FFields[i].first);
            out << ": ";
            FFields[i].second.WriteJson(out, indent + 2);
            out << (i + 1 < FFields.size() ? ",\n" : "\n");
        }
        out << std::string(static_cast<std::size_t>(indent), ' ') << "}";
    }
}

// Text: "key: value" lines, nested values indented below their key, array
// items marked with "-".  Texts of several lines become an indented block.
void CValue::WriteText(std::ostream& out, int indent) const {
    const std::string pad(static_cast<std::size_t>(indent), ' ');
    // lead is "key:" or "-"; scalars follow it on the same line.
    auto writeEntry = [&](const std::string& lead, const CValue& value) {
        if (value.Scalar() && !(value.FKind == EKind::Text && value.FText.find('\n') != std::string::npos)) {
            out << pad << lead << ' ';
            value.WriteScalar(out, false);
            out << "\n";
        } else if (value.Scalar()) {
            out << pad << lead << "\n";
            std::string text = value.FText;
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            std::size_t start = 0;
            while (start <= text.size()) {
                std::size_t end = text.find('\n', start);
                if (end == std::string::npos)
                    end = text.size();
                std::string line = text.substr(start, end - start);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                out << pad << "    | ";
                CValue(line).WriteScalar(out, false);
                out << "\n";
                start = end + 1;
            }
        } else if (value.FItems.empty() && value.FFields.empty()) {
            out << pad << lead << (value.FKind == EKind::Array ? " none" : " -") << "\n";
        } else {
            out << pad << lead << "\n";
            value.WriteText(out, indent + 2);
        }
    };
    if (FKind == EKind::Array) {
        for (const CValue& item : FItems) {
            if (item.FKind == EKind::Object && !item.FFields.empty()) {
                // the fields indented below the dash, the first on its line
                std::ostringstream lines;
                item.WriteText(lines, indent + 2);
                const std::string text = lines.str();
                out << pad << "- " << text.substr(pad.size() + 2);
            } else {
                writeEntry("-", item);
            }
        }
    } else if (FKind == EKind::Object) {
        for (const auto& [key, value] : FFields)
            writeEntry(key + ":", value);
    } else {
        writeEntry("", *this);
    }
}

// ---- what the model holds ---------------------------------------------------

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint32_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}

// A picture as the model holds it, the bytes of a BMP file: its size and
// depth.  Every picture is written back as a compressed 24-bit BMP.
CValue Picture(const CBlock& bmp) {
    CValue picture = CValue::Object();
    if (bmp.size() >= 26 && bmp[0] == 'B' && bmp[1] == 'M') {
        const std::uint32_t header = Le32(bmp, 14);
        if (header == 12) {
            picture.Add("width", static_cast<std::int32_t>(Le16(bmp, 18)));
            picture.Add("height", static_cast<std::int32_t>(Le16(bmp, 20)));
            picture.Add("bits per pixel", static_cast<std::int32_t>(Le16(bmp, 24)));
        } else if (bmp.size() >= 30) {
            const auto height = static_cast<std::int32_t>(Le32(bmp, 22));
            picture.Add("width", static_cast<std::int32_t>(Le32(bmp, 18)));
            picture.Add("height", height < 0 ? -static_cast<std::int64_t>(height) : height);
            picture.Add("bits per pixel", static_cast<std::int32_t>(Le16(bmp, 28)));
        }
    }
    picture.Add("bmp bytes", bmp.size());
    return picture;
}

CValue OptionalPicture(const std::optional<CBlock>& bmp) { return bmp ? Picture(*bmp) : CValue(); }

// A stored date-time (days since 30 December 1899) as local date and time.
std::string DateTimeText(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3e6)
        return "(not a date)";
    double whole = std::floor(days);
    auto seconds = static_cast<std::int64_t>(std::llround((days - whole) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    // civil date from a day number (days since 1970-01-01)
    std::int64_t z = static_cast<std::int64_t>(whole) - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[160];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
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
        item.Add("name", list.Name(i));
        describe(item, *record);
        items.Push(std::move(item));
    }
    section.Add("slots", static_cast<std::int32_t>(list.Count()));
    section.Add("empty slots", static_cast<std::int32_t>(empty));
    section.Add("resources", std::move(items));
}

std::int64_t ActionCount(const CEvent& event) { return event.Count(); }

void DescribeOptions(CValue& s) {
    const CGameOptions& o = GameOptions();
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
        icon.Add("images", static_cast<std::int32_t>(Le16(o.Icon, 4)));
    s.Add("icon", std::move(icon));
    s.Add("display errors", o.DisplayErrors);
    s.Add("write errors", o.WriteErrors);
    s.Add("abort on errors", o.AbortErrors);
    s.Add("uninitialised variables as 0", o.VariableErrors);
    s.Add("author", o.Author);
    s.Add("game version", o.GameVersion);
    s.Add("last changed", DateTimeText(o.LastChanged));
    s.Add("information", o.Information);
}

void DescribeSection(CValue& s, const std::string& name, std::span<const std::uint8_t> file,
                     const CLoadReport::CSpan& span) {
    if (name == "Game options") {
        DescribeOptions(s);
    } else if (name == "Sounds") {
        AddList(s, SoundList(), [](CValue& item, const CSound& sound) {
            item.Add("kind", sound.SoundKind);
            item.Add("file", sound.SoundText);
            item.Add("data bytes", sound.SoundKind == -1 ? CValue() : CValue(sound.SoundData.size()));
        });
    } else if (name == "Sprites") {
        AddList(s, SpriteList(), [](CValue& item, const CSprite& sprite) {
            item.Add("width", sprite.Width);
            item.Add("height", sprite.Height);
            CValue images = CValue::Array();
            for (const CBlock& image : sprite.Images)
                images.Push(Picture(image));
            item.Add("subimages", std::move(images));
        });
    } else if (name == "Backgrounds") {
        AddList(s, BackgroundList(), [](CValue& item, const CBackground& background) {
            item.Add("width", background.Width);
            item.Add("height", background.Height);
            item.Add("image", OptionalPicture(background.Image));
        });
    } else if (name == "Paths") {
        AddList(s, PathList(), [](CValue& item, const CPath& path) {
            item.Add("points", static_cast<std::int32_t>(path.PointCount()));
            item.Add("smooth", path.ConnectionKind != 0);
            item.Add("end action", path.EndAction);
            item.Add("smoothing depth", path.SmoothingDepth);
            item.Add("length", path.Length);
        });
    } else if (name == "Scripts") {
        AddList(s, ScriptList(), [](CValue& item, const CScript& script) {
            item.Add("characters", script.ScriptText.size());
        });
    } else if (name == "Data files") {
        AddList(s, DataFileList(), [](CValue& item, const CDataFile& dataFile) {
            item.Add("file name", dataFile.FileName);
            item.Add("data bytes", dataFile.HasData ? CValue(dataFile.Data.size()) : CValue());
            item.Add("export mode", dataFile.ExportMode);
        });
    } else if (name == "Time lines") {
        AddList(s, TimeLineList(), [](CValue& item, const CTimeLine& line) {
            std::int64_t actions = 0;
            for (const auto& event : line.Events)
                actions += ActionCount(*event);
            item.Add("moments", static_cast<std::int32_t>(line.Count()));
            item.Add("actions", actions);
        });
    } else if (name == "Objects") {
        AddList(s, ObjectList(), [](CValue& item, const CObject& object) {
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
    } else if (name == "Rooms") {
        AddList(s, RoomList(), [](CValue& item, const CRoom& room) {
            item.Add("caption", room.Caption);
            item.Add("width", room.Width);
            item.Add("height", room.Height);
            item.Add("instances", room.Instances.size());
            item.Add("tiles", room.Tiles.size());
        });
        s.Add("instance id counter", InstanceIdCounter());
        s.Add("tile id counter", TileIdCounter());
    } else if (name == "Game information") {
        s.Add("background colour", ColourText(GameInformation().BackgroundColor));
        s.Add("mimic main form", GameInformation().MimicMainForm);
        s.Add("text", GameInformationPlainText());
    } else if (name == "Used action libraries") {
        // The names are read and dropped; the count is the section's second
        // int32.
        if (span.End - span.Start >= 8)
            s.Add("names", static_cast<std::int32_t>(Le32(file, span.Start + 4)));
    } else if (name == "Resource tree") {
        // A file may nest a million groups; the list stops at a readable
        // length and says how many it left out.
        constexpr std::int64_t MaxListedGroups = 1000;
        std::int64_t listed = 0;
        CValue top = CValue::Array();
        CValue groups = CValue::Array();
        for (const auto& entry : ResourceTree().Items()) {
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
                        group.Add("in", entry->Text);
                        group.Add("name", node->Text);
                        group.Add("depth", level);
                        group.Add("children", node->Children.size());
                        groups.Push(std::move(group));
                    }
                }
                for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
                    pending.push_back({child->get(), level + 1});
            }
            CValue item = CValue::Object();
            item.Add("name", entry->Text);
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
    }
}

}  // namespace

int RunInfo(const std::string& fileName, bool json, std::ostream& out) {
    CValue report = CValue::Object();
    report.Add("file", fileName);
    bool loaded = false;

    CStream stream;
    std::string unreadable;
    if (!FileExists(fileName)) {
        unreadable = "File does not exist.";
    } else {
        try {
            stream.LoadFromFile(fileName);
        } catch (const std::exception& error) {
            unreadable = std::string("Failed to load the file: ") + error.what();
        }
    }

    if (!unreadable.empty()) {
        report.Add("loads", false);
        CValue failure = CValue::Object();
        failure.Add("reason", unreadable);
        report.Add("failure", std::move(failure));
    } else {
        // The file is read into a project of its own, which goes with it.
        CProject project;
        CProjectScope scope(project.Parts());
        CMessageCollector collector;
        CFeedbackGuard guard(collector);
        CLoadReport load;
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
            report.Add("game id", GameId());
            report.Add("guid", load.Version >= 410 ? CValue(GuidText(GameGuid())) : CValue("none stored"));
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
            section.Add("version", static_cast<std::int32_t>(Le32(bytes, span.Start)));
            DescribeSection(section, span.Name, bytes, span);
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
                failure.Add("int32 before the offset", static_cast<std::int32_t>(Le32(bytes, load.Position - 4)));
            report.Add("failure", std::move(failure));
        }
        CValue messages = CValue::Array();
        for (const std::string& message : collector.Messages)
            messages.Push(message);
        report.Add("messages", std::move(messages));
    }

    if (json) {
        report.WriteJson(out);
        out << "\n";
    } else {
        report.WriteText(out);
    }
    return loaded ? 0 : 1;
}
