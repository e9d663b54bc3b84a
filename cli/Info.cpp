#include "cli/Info.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>
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
#include "cli/Support_Input.h"
#include "cli/Support_Value.h"
#include "cli/Support_Words.h"
#include "format/core/Support_CodePage.h"
#include "format/core/Support_Bytes.h"
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

std::string Utf8(std::string_view stored) { return Windows1252ToUtf8(stored); }

// ---- the layout: what each section of the file holds ------------------------ ---------------------------------------------------

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
        item.Add("name", Utf8(list.Name(i)));
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
        icon.Add("images", static_cast<std::int32_t>(Get16(o.Icon, 4)));
    s.Add("icon", std::move(icon));
    s.Add("display errors", o.DisplayErrors);
    s.Add("write errors", o.WriteErrors);
    s.Add("abort on errors", o.AbortErrors);
    s.Add("uninitialised variables as 0", o.VariableErrors);
    s.Add("author", Utf8(o.Author));
    s.Add("game version", o.GameVersion);
    s.Add("last changed", DateTimeToText(o.LastChanged));
    s.Add("information", Utf8(o.Information));
}

void DescribeSection(CValue& s, std::span<const std::uint8_t> file, const CLoadReport::CSpan& span) {
    switch (span.Id) {
    case ESection::Options:
        DescribeOptions(s);
        break;
    case ESection::Sounds:
        AddList(s, SoundList(), [](CValue& item, const CSound& sound) {
            item.Add("kind", sound.SoundKind);
            item.Add("file", Utf8(sound.SoundText));
            item.Add("data bytes", sound.SoundKind == -1 ? CValue() : CValue(sound.SoundData.size()));
        });
        break;
    case ESection::Sprites:
        AddList(s, SpriteList(), [](CValue& item, const CSprite& sprite) {
            item.Add("width", sprite.Width);
            item.Add("height", sprite.Height);
            CValue images = CValue::Array();
            for (const CBlock& image : sprite.Images)
                images.Push(Picture(image));
            item.Add("subimages", std::move(images));
        });
        break;
    case ESection::Backgrounds:
        AddList(s, BackgroundList(), [](CValue& item, const CBackground& background) {
            item.Add("width", background.Width);
            item.Add("height", background.Height);
            item.Add("image", OptionalPicture(background.Image));
        });
        break;
    case ESection::Paths:
        AddList(s, PathList(), [](CValue& item, const CPath& path) {
            item.Add("points", static_cast<std::int32_t>(path.PointCount()));
            item.Add("smooth", path.ConnectionKind != 0);
            item.Add("end action", path.EndAction);
            item.Add("smoothing depth", path.SmoothingDepth);
            item.Add("length", path.Length);
        });
        break;
    case ESection::Scripts:
        AddList(s, ScriptList(), [](CValue& item, const CScript& script) {
            item.Add("characters", script.ScriptText.size());
        });
        break;
    case ESection::DataFiles:
        AddList(s, DataFileList(), [](CValue& item, const CDataFile& dataFile) {
            item.Add("file name", Utf8(dataFile.FileName));
            item.Add("data bytes", dataFile.HasData ? CValue(dataFile.Data.size()) : CValue());
            item.Add("export mode", dataFile.ExportMode);
        });
        break;
    case ESection::TimeLines:
        AddList(s, TimeLineList(), [](CValue& item, const CTimeLine& line) {
            std::int64_t actions = 0;
            for (const auto& event : line.Events)
                actions += ActionCount(*event);
            item.Add("moments", static_cast<std::int32_t>(line.Count()));
            item.Add("actions", actions);
        });
        break;
    case ESection::Objects:
        AddList(s, ObjectList(), [](CValue& item, const CObject& object) {
            const CEventCounts counts = CountEvents(object);
            item.Add("sprite", object.SpriteIndex);
            item.Add("events", counts.Events);
            item.Add("actions", counts.Actions);
        });
        break;
    case ESection::Rooms:
        AddList(s, RoomList(), [](CValue& item, const CRoom& room) {
            item.Add("caption", Utf8(room.Caption));
            item.Add("width", room.Width);
            item.Add("height", room.Height);
            item.Add("instances", room.Instances.size());
            item.Add("tiles", room.Tiles.size());
        });
        s.Add("instance id counter", InstanceIdCounter());
        s.Add("tile id counter", TileIdCounter());
        break;
    case ESection::GameInformation:
        s.Add("background colour", ColourText(GameInformation().BackgroundColor));
        s.Add("mimic main form", GameInformation().MimicMainForm);
        s.Add("text", Utf8(GameInformationPlainText()));
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
                        group.Add("in", Utf8(entry->Text));
                        group.Add("name", Utf8(node->Text));
                        group.Add("depth", level);
                        group.Add("children", node->Children.size());
                        groups.Push(std::move(group));
                    }
                }
                for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
                    pending.push_back({child->get(), level + 1});
            }
            CValue item = CValue::Object();
            item.Add("name", Utf8(entry->Text));
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

// ---- the summary: what the project holds, for a person ------------------------

std::string Size(std::int32_t width, std::int32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Counts the references to resources that are not there as they are read.
class CReferences {
public:
    template <class T>
    std::string Words(const CResourceList<T>& list, std::int32_t index) {
        if (DanglingReference(index, list.Exists(index)))
            ++Dangling;
        return ReferenceWords(list, index);
    }
    std::int64_t Dangling = 0;
};

// One entry per resource of the list, filled by describe.
template <class T, class F>
CValue Resources(const CResourceList<T>& list, F describe) {
    CValue items = CValue::Array();
    for (int i = 0; i < list.Count(); ++i) {
        const T* record = list.Get(i);
        if (record == nullptr)
            continue;
        CValue item = CValue::Object();
        item.Add("name", Utf8(list.Name(i)));
        describe(item, *record);
        items.Push(std::move(item));
    }
    return items;
}

// optionsVersion is the stored version of the options section: author, game
// version and the last change are held from 441 on.
CValue Summary(const std::string& fileName, std::int32_t version, std::int32_t optionsVersion) {
    const CGameOptions& o = GameOptions();
    CReferences references;
    CValue report = CValue::Object();
    report.Add("file", fileName);
    report.Add("format version", version);
    const bool stored = optionsVersion >= 441;
    report.Add("author", stored ? CValue(Utf8(o.Author)) : CValue("not stored"));
    report.Add("game version", stored ? CValue(o.GameVersion) : CValue("not stored"));
    report.Add("last changed", stored ? CValue(DateTimeToText(o.LastChanged)) : CValue("not stored"));
    report.Add("game id", GameId());
    CValue counts = CValue::Object();
    for (const auto& count : ResourceCounts())
        counts.Add(count.Kind, count.Count);
    report.Add("resources", std::move(counts));

    // Every list is described before the count of the references it finds
    // goes in front of them.
    CValue kinds = CValue::Object();
    kinds.Add("sprites", Resources(SpriteList(), [](CValue& item, const CSprite& s) {
        item.Add("size", Size(s.Width, s.Height));
        item.Add("subimages", s.Images.size());
        item.Add("transparent", s.Transparent);
    }));
    kinds.Add("sounds", Resources(SoundList(), [](CValue& item, const CSound& s) {
        if (s.SoundKind == -1) {
            item.Add("data", "none");
        } else {
            item.Add("data", SoundFormatWords(s.SoundData));
            item.Add("bytes", s.SoundData.size());
        }
        if (!s.SoundText.empty())
            item.Add("file", Utf8(s.SoundText));
    }));
    kinds.Add("backgrounds", Resources(BackgroundList(), [](CValue& item, const CBackground& b) {
        item.Add("size", Size(b.Width, b.Height));
        item.Add("image", b.Image.has_value());
        item.Add("transparent", b.Transparent);
    }));
    kinds.Add("paths", Resources(PathList(), [](CValue& item, const CPath& p) {
        item.Add("points", p.PointCount());
        item.Add("connection", PathConnectionWords(p.ConnectionKind));
        item.Add("at the end", PathEndWords(p.EndAction));
        item.Add("length", p.Length);
    }));
    kinds.Add("scripts", Resources(ScriptList(), [](CValue& item, const CScript& s) {
        std::int64_t lines = s.ScriptText.empty() ? 0 : 1;
        for (const char c : s.ScriptText)
            lines += c == '\n' ? 1 : 0;
        item.Add("lines", lines);
        item.Add("characters", s.ScriptText.size());
    }));
    kinds.Add("data files", Resources(DataFileList(), [](CValue& item, const CDataFile& d) {
        item.Add("file name", Utf8(d.FileName));
        item.Add("data", d.HasData ? CValue(std::to_string(d.Data.size()) + " bytes") : CValue("none"));
        item.Add("export", ExportModeWords(d.ExportMode));
    }));
    kinds.Add("time lines", Resources(TimeLineList(), [](CValue& item, const CTimeLine& t) {
        std::int64_t actions = 0;
        for (const auto& event : t.Events)
            actions += event->Count();
        item.Add("moments", t.Count());
        item.Add("actions", actions);
    }));
    kinds.Add("objects", Resources(ObjectList(), [&](CValue& item, const CObject& object) {
        const CEventCounts events = CountEvents(object);
        item.Add("sprite", references.Words(SpriteList(), object.SpriteIndex));
        if (object.SecondSpriteIndex >= 0)
            item.Add("second sprite", references.Words(SpriteList(), object.SecondSpriteIndex));
        if (object.RelatedObjectIndex != NoRelatedObject)
            item.Add("related object", references.Words(ObjectList(), object.RelatedObjectIndex));
        item.Add("events", events.Events);
        item.Add("actions", events.Actions);
    }));
    kinds.Add("rooms", Resources(RoomList(), [&](CValue& item, const CRoom& room) {
        item.Add("caption", Utf8(room.Caption));
        item.Add("size", Size(room.Width, room.Height));
        item.Add("speed", room.Speed);
        CValue backgrounds = CValue::Array();
        for (const CRoomLayer& layer : room.Layers)
            if (layer.Visible && layer.BackgroundIndex >= 0)
                backgrounds.Push(references.Words(BackgroundList(), layer.BackgroundIndex));
        item.Add("backgrounds", std::move(backgrounds));
        item.Add("instances", room.Instances.size());
        std::int64_t missing = 0;
        for (const CRoomInstance& instance : room.Instances)
            missing += DanglingReference(instance.ObjectIndex, ObjectList().Exists(instance.ObjectIndex)) ? 1 : 0;
        if (missing != 0)
            item.Add("instances of missing objects", missing);
        references.Dangling += missing;
        item.Add("tiles", room.Tiles.size());
    }));

    report.Add("references to empty slots", references.Dangling);
    report.Append(std::move(kinds));

    CValue options = CValue::Object();
    options.Add("window scale", std::to_string(o.WindowScale) + "%");
    options.Add("full-screen scale", FullScaleWords(o.FullScale));
    options.Add("set resolution", o.SetResolution);
    options.Add("colour depth", ColorDepthWords(o.ColorDepth));
    options.Add("resolution", ResolutionWords(o.Resolution));
    options.Add("frequency", FrequencyWords(o.Frequency));
    options.Add("exclusive mode", o.ExclusiveMode);
    options.Add("loading progress bar", ProgressBarWords(o.ProgressBarKind));
    options.Add("image while loading", o.ShowLoadImage);
    report.Add("game options", std::move(options));
    CValue information = CValue::Object();
    information.Add("characters", GameInformationPlainText().size());
    information.Add("background colour", ColourText(GameInformation().BackgroundColor));
    report.Add("game information", std::move(information));
    return report;
}

// Where and why reading stopped, in plain words.
std::vector<std::string> Explanation(const CLoadReport& load, const std::string& unreadable) {
    std::vector<std::string> lines;
    if (!unreadable.empty()) {
        lines.push_back("The file cannot be read: " + unreadable);
        return lines;
    }
    if (load.Section == "header") {
        lines.push_back("The file does not load: its header is not that of a project file of version " +
                   std::to_string(OldestGameVersion) + " to " + std::to_string(NewestGameVersion) + ".");
    } else {
        lines.push_back("The file does not load: reading stopped in the section \"" + load.Section +
                   "\", which starts at byte " + std::to_string(load.SectionStart) + ", at byte " +
                   std::to_string(load.Position) + ".");
    }
    lines.push_back("Why: " + load.Failure);
    lines.push_back("Below, the sections as far as they were read.");
    return lines;
}

}  // namespace

int RunInfo(const std::string& fileName, EInfoView view, bool json, std::ostream& out) {
    CValue report = CValue::Object();
    report.Add("file", fileName);
    bool loaded = false;
    CLoadReport load;

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

    std::optional<CValue> summary;
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

        if (loaded && view == EInfoView::Summary) {
            std::int32_t optionsVersion = 0;
            for (const CLoadReport::CSpan& span : load.Sections)
                if (span.Present && std::string_view(span.Name) == "Game options")
                    optionsVersion = static_cast<std::int32_t>(Get32(bytes, span.Start));
            summary = Summary(fileName, load.Version, optionsVersion);
            CValue messages = CValue::Array();
            for (const std::string& message : collector.Messages)
                messages.Push(message);
            summary->Add("messages", std::move(messages));
        }
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
    }

    // A file that does not load is explained in plain words, then shown as
    // far as it was read, whichever view was asked for.
    const bool explain = !loaded && view == EInfoView::Summary;
    const CValue& shown = summary ? *summary : report;
    if (json) {
        if (explain) {
            CValue explained = CValue::Object();
            CValue lines = CValue::Array();
            for (const std::string& line : Explanation(load, unreadable))
                lines.Push(line);
            explained.Add("explanation", std::move(lines));
            explained.Add("layout", std::move(report));
            explained.WriteJson(out);
        } else {
            shown.WriteJson(out);
        }
    } else {
        if (explain) {
            for (const std::string& line : Explanation(load, unreadable))
                out << line << "\n";
            out << "\n";
        }
        shown.WriteText(out);
    }
    return loaded ? 0 : 1;
}
