#include "cli/Info.h"

#include <cmath>
#include <cstdio>
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
#include "project/Library_Access.h"
#include "project/Project_Main.h"
#include "project/Resource_Kinds.h"
#include "project/Resource_Main.h"
#include "project/Resource_Tree.h"
#include "cli/Check.h"
#include "cli/Support_Input.h"
#include "cli/Support_Options.h"
#include "cli/Support_Value.h"
#include "cli/Support_Words.h"
#include "format/core/Support_CodePage.h"
#include "format/core/Support_Bytes.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Report.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/media/Support_Bitmap24.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"

namespace transvane {

namespace {

std::string Utf8(std::string_view stored) { return Windows1252ToUtf8(stored); }

// ---- the layout: what each section of the file holds --------------------------

// A picture as the model holds it, the bytes of a BMP file: its size and
// depth.  Every picture is written back as a compressed 24-bit BMP.
CValue Picture(const CBlock& bmp) {
    CValue picture = CValue::Object();
    const std::optional<CBitmapShape> shape = Bitmap24_Shape(bmp);
    picture.Add("size", shape ? SizeValue(shape->Width, shape->Height) : CValue());
    picture.Add("bits per pixel", shape ? CValue(static_cast<std::int32_t>(shape->BitCount)) : CValue());
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
        CValue item = SlotEntry(i, list.Name(i));
        describe(item, *record);
        items.Push(std::move(item));
    }
    section.Add("slots", static_cast<std::int32_t>(list.Count()));
    section.Add("empty slots", static_cast<std::int32_t>(empty));
    section.Add("resources", std::move(items));
}

std::int64_t TimeLineActions(const CTimeLine& line) {
    std::int64_t actions = 0;
    for (const auto& event : line.Events)
        actions += event->Count();
    return actions;
}

void DescribeOptions(CProject& project, CValue& s, std::int32_t version) {
    const CGameOptions& o = GameOptions(project.World);
    s.Append(GameOptionsValue(o, version));
    s.Add("bar back image", OptionalPicture(o.BarBackImage));
    s.Add("bar front image", OptionalPicture(o.BarFrontImage));
    s.Add("loading image", OptionalPicture(o.LoadingImage));
    CValue icon;
    if (version >= OptionsIconFrom) {
        icon = CValue::Object();
        icon.Add("bytes", o.Icon.size());
        icon.Add("images", o.Icon.size() >= 6 ? CValue(static_cast<std::int32_t>(Get16(o.Icon, 4))) : CValue());
    }
    s.Add("icon", std::move(icon));
}

void DescribeSection(CProject& project, CValue& s, std::span<const std::uint8_t> file, const CLoadReport::CSpan& span) {
    switch (span.Id) {
    case ESection::Options: DescribeOptions(project, s, span.Version); break;
    case ESection::Sounds:
        AddList(s, SoundList(project.Media), [](CValue& item, const CSound& sound) {
            item.Add("kind", sound.SoundKind);
            item.Add("file", Utf8(sound.SoundText));
            item.Add("data bytes", sound.SoundKind == -1 ? CValue() : CValue(sound.SoundData.size()));
        });
        break;
    case ESection::Sprites:
        AddList(s, SpriteList(project.Media), [](CValue& item, const CSprite& sprite) {
            item.Add("size", SizeValue(sprite.Width, sprite.Height));
            CValue images = CValue::Array();
            for (const CBlock& image : sprite.Images)
                images.Push(Picture(image));
            item.Add("subimages", std::move(images));
        });
        break;
    case ESection::Backgrounds:
        AddList(s, BackgroundList(project.Media), [](CValue& item, const CBackground& background) {
            item.Add("size", SizeValue(background.Width, background.Height));
            item.Add("image", OptionalPicture(background.Image));
        });
        break;
    case ESection::Paths:
        AddList(s, PathList(project.Behaviour), [](CValue& item, const CPath& path) {
            item.Add("points", static_cast<std::int32_t>(path.PointCount()));
            item.Add("smooth", path.ConnectionKind != 0);
            item.Add("end action", path.EndAction);
            item.Add("smoothing depth", path.SmoothingDepth);
            item.Add("length", path.Length);
        });
        break;
    case ESection::Scripts:
        AddList(s, ScriptList(project.Media),
                [](CValue& item, const CScript& script) { item.Add("characters", script.ScriptText.size()); });
        break;
    case ESection::DataFiles:
        AddList(s, DataFileList(project.Media), [](CValue& item, const CDataFile& dataFile) {
            item.Add("file name", Utf8(dataFile.FileName));
            item.Add("data bytes", dataFile.HasData ? CValue(dataFile.Data.size()) : CValue());
            item.Add("export mode", dataFile.ExportMode);
        });
        break;
    case ESection::TimeLines:
        AddList(s, TimeLineList(project.Behaviour), [](CValue& item, const CTimeLine& line) {
            item.Add("moments", static_cast<std::int32_t>(line.Count()));
            item.Add("actions", TimeLineActions(line));
        });
        break;
    case ESection::Objects:
        AddList(s, ObjectList(project.Behaviour), [&](CValue& item, const CObject& object) {
            const CEventCounts counts = CountEvents(object);
            item.Add("sprite", ReferenceValue(SpriteList(project.Media), object.SpriteIndex));
            item.Add("events", counts.Events);
            item.Add("actions", counts.Actions);
        });
        break;
    case ESection::Rooms:
        AddList(s, RoomList(project.World), [&](CValue& item, const CRoom& room) {
            item.Add("caption", Utf8(room.Caption));
            item.Add("size", SizeValue(room.Width, room.Height));
            item.Add("instances", room.Instances.size());
            item.Add("tiles", room.Tiles.size());
        });
        s.Add("instance id counter", InstanceIdCounter(project.World));
        s.Add("tile id counter", TileIdCounter(project.World));
        break;
    case ESection::GameInformation:
        s.Add("background colour", CValue(GameInformation(project.World).BackgroundColor)
                                       .Shown(ColourText(GameInformation(project.World).BackgroundColor)));
        s.Add("mimic main form", GameInformation(project.World).MimicMainForm);
        s.Add("text", CValue::Block(Utf8(GameInformationPlainText(project.World))));
        break;
    case ESection::Libraries:
        // The names are read and dropped; the count is the section's second
        // int32.
        s.Add("names",
              span.End - span.Start >= 8 ? CValue(static_cast<std::int32_t>(Get32(file, span.Start + 4))) : CValue());
        break;
    case ESection::Tree: {
        // A file may nest a million groups; the list stops at a readable
        // length and says how many it left out.
        constexpr std::int64_t MaxListedGroups = 1000;
        std::int64_t listed = 0;
        CValue top = CValue::Array();
        CValue groups = CValue::Array();
        for (const auto& entry : ResourceTree(project.Model).Items()) {
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
        s.Add("groups not listed", std::max<std::int64_t>(listed - MaxListedGroups, 0));
        CValue rooms = CValue::Array();
        for (std::int32_t room : CollectRoomOrder(project.Model))
            rooms.Push(room);
        s.Add("room order", std::move(rooms));
        break;
    }
    }
}

// ---- the summary: what the project holds, for a person ------------------------

// Counts the references to resources that are not there as they are read.
class CReferences {
public:
    template <class T>
    CValue Value(const CResourceList<T>& list, std::int32_t index) {
        if (DanglingReference(index, list.Exists(index)))
            ++Dangling;
        return ReferenceValue(list, index);
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
        CValue item = SlotEntry(i, list.Name(i));
        describe(item, *record);
        items.Push(std::move(item));
    }
    return items;
}

// A sprite's size is that of its pictures, which is what the game shows;
// the record's own width and height follow only where they disagree.
void AddSpriteSize(CValue& item, const CSprite& sprite) {
    std::optional<CBitmapShape> shape;
    if (!sprite.Images.empty())
        shape = Bitmap24_Shape(sprite.Images.front());
    if (shape && shape->Width == sprite.Width && shape->Height == sprite.Height) {
        item.Add("size", SizeValue(shape->Width, shape->Height));
        return;
    }
    item.Add("size", shape ? SizeValue(shape->Width, shape->Height) : CValue().Shown("no pictures"));
    item.Add("stored size", SizeValue(sprite.Width, sprite.Height));
}

// The top-level members of the summary, in order, all null: what a file
// that does not load has but for its name.
void AddNullSummary(CValue& shown) {
    for (const char* key : {"format version", "author", "game version", "last changed", "game id", "resources",
                            "references to empty slots"})
        shown.Add(key, CValue());
    for (const CContentKind& kind : ContentKinds())
        if (kind.List)
            shown.Add(kind.Key, CValue());
    shown.Add("game options", CValue());
    shown.Add("game information", CValue());
}

// optionsVersion is the stored version of the options section.
CValue Summary(CProject& project, std::int32_t version, std::int32_t optionsVersion) {
    const CGameOptions& o = GameOptions(project.World);
    CReferences references;
    CValue report = CValue::Object();
    report.Add("format version", version);
    CValue options = GameOptionsValue(o, optionsVersion);
    const bool stored = optionsVersion >= OptionsInformationFrom;
    report.Add("author", stored ? CValue(Utf8(o.Author)).Shown(o.Author.empty() ? "(none)" : Utf8(o.Author))
                                : CValue().Shown("not stored"));
    report.Add("game version", stored ? CValue(o.GameVersion) : CValue().Shown("not stored"));
    report.Add("last changed", stored ? CValue(DateTimeToText(o.LastChanged)) : CValue().Shown("not stored"));
    report.Add("game id", GameId(project.Model));
    report.Add("resources", ResourceCountsValue(project));

    // Every list is described before the count of the references it finds
    // goes in front of them.
    CValue kinds = CValue::Object();
    kinds.Add(ContentKind(EContentKind::Sounds).Key,
              Resources(SoundList(project.Media), [](CValue& item, const CSound& s) {
                  const bool none = s.SoundKind == -1;
                  item.Add("data", none ? CValue().Shown("none") : CValue(SoundFormatWords(s.SoundData)));
                  item.Add("bytes", none ? CValue() : CValue(s.SoundData.size()));
                  item.Add("file", s.SoundText.empty() ? CValue("").Shown("none") : CValue(Utf8(s.SoundText)));
              }));
    kinds.Add(ContentKind(EContentKind::Sprites).Key,
              Resources(SpriteList(project.Media), [](CValue& item, const CSprite& s) {
                  AddSpriteSize(item, s);
                  item.Add("subimages", s.Images.size());
                  item.Add("transparent", s.Transparent);
              }));
    kinds.Add(ContentKind(EContentKind::Backgrounds).Key,
              Resources(BackgroundList(project.Media), [](CValue& item, const CBackground& b) {
                  item.Add("size", SizeValue(b.Width, b.Height));
                  item.Add("image", b.Image.has_value());
                  item.Add("transparent", b.Transparent);
              }));
    kinds.Add(ContentKind(EContentKind::Paths).Key,
              Resources(PathList(project.Behaviour), [](CValue& item, const CPath& p) {
                  item.Add("points", p.PointCount());
                  item.Add("connection", CValue(p.ConnectionKind).Shown(PathConnectionWords(p.ConnectionKind)));
                  item.Add("at the end", CValue(p.EndAction).Shown(PathEndWords(p.EndAction)));
                  item.Add("length", p.Length);
              }));
    kinds.Add(ContentKind(EContentKind::Scripts).Key,
              Resources(ScriptList(project.Media), [](CValue& item, const CScript& s) {
                  std::int64_t lines = s.ScriptText.empty() ? 0 : 1;
                  for (const char c : s.ScriptText)
                      lines += c == '\n' ? 1 : 0;
                  item.Add("lines", lines);
                  item.Add("characters", s.ScriptText.size());
              }));
    kinds.Add(ContentKind(EContentKind::DataFiles).Key,
              Resources(DataFileList(project.Media), [](CValue& item, const CDataFile& d) {
                  item.Add("file name", Utf8(d.FileName));
                  item.Add("bytes", d.HasData ? CValue(d.Data.size()) : CValue().Shown("no data"));
                  item.Add("export", CValue(d.ExportMode).Shown(ExportModeWords(d.ExportMode)));
              }));
    kinds.Add(ContentKind(EContentKind::TimeLines).Key,
              Resources(TimeLineList(project.Behaviour), [](CValue& item, const CTimeLine& t) {
                  item.Add("moments", t.Count());
                  item.Add("actions", TimeLineActions(t));
              }));
    kinds.Add(ContentKind(EContentKind::Objects).Key,
              Resources(ObjectList(project.Behaviour), [&](CValue& item, const CObject& object) {
                  const CEventCounts events = CountEvents(object);
                  item.Add("sprite", references.Value(SpriteList(project.Media), object.SpriteIndex));
                  if (object.SecondSpriteIndex >= 0)
                      item.Add("second sprite", references.Value(SpriteList(project.Media), object.SecondSpriteIndex));
                  if (object.RelatedObjectIndex != NoRelatedObject)
                      item.Add("related object",
                               references.Value(ObjectList(project.Behaviour), object.RelatedObjectIndex));
                  item.Add("events", events.Events);
                  item.Add("actions", events.Actions);
              }));
    kinds.Add(
        ContentKind(EContentKind::Rooms).Key, Resources(RoomList(project.World), [&](CValue& item, const CRoom& room) {
            item.Add("caption", Utf8(room.Caption));
            item.Add("size", SizeValue(room.Width, room.Height));
            item.Add("speed", room.Speed);
            CValue backgrounds = CValue::Array();
            for (const CRoomLayer& layer : room.Layers)
                if (layer.Visible && layer.BackgroundIndex >= 0)
                    backgrounds.Push(references.Value(BackgroundList(project.Media), layer.BackgroundIndex));
            item.Add("backgrounds", std::move(backgrounds));
            item.Add("instances", room.Instances.size());
            std::int64_t missing = 0;
            for (const CRoomInstance& instance : room.Instances)
                missing +=
                    DanglingReference(instance.ObjectIndex, ObjectList(project.Behaviour).Exists(instance.ObjectIndex))
                        ? 1
                        : 0;
            if (missing != 0)
                item.Add("instances of missing objects", missing);
            references.Dangling += missing;
            item.Add("tiles", room.Tiles.size());
        }));

    report.Add("references to empty slots", references.Dangling);
    report.Append(std::move(kinds));
    report.Add("game options", std::move(options));
    CValue information = CValue::Object();
    information.Add("characters", GameInformationPlainText(project.World).size());
    information.Add("background colour", CValue(GameInformation(project.World).BackgroundColor)
                                             .Shown(ColourText(GameInformation(project.World).BackgroundColor)));
    report.Add("game information", std::move(information));
    return report;
}

// Where and why reading stopped, in plain words: one line, then its
// context.
CReportedMessage Explanation(const CLoadReport& load, const std::string& unreadable) {
    if (!unreadable.empty())
        return {"The file cannot be read.", {"cause: " + unreadable}};
    // A read that fails in the header finds the file ending there; a
    // header that was read and refused has the driver's own message.
    if (load.InHeader && !load.Failure.starts_with("Error Loading:"))
        return {"The file does not load: it ends inside its header.",
                {"cause: " + load.Failure, "stopped at byte: " + std::to_string(load.Position)}};
    if (load.InHeader)
        return {"The file does not load: its header is not that of a project file of version " +
                    std::to_string(OldestGameVersion) + " to " + std::to_string(NewestGameVersion) + ".",
                {"cause: " + load.Failure}};
    return {"The file does not load: reading stopped in the section \"" + load.Section + "\".",
            {"cause: " + load.Failure, "section: " + load.Section,
             "section starts at byte: " + std::to_string(load.SectionStart),
             "stopped at byte: " + std::to_string(load.Position)}};
}

// A file that could not be read at all, in one line: what the driver said
// without its prefix, then the cause it gave.
std::string Unreadable(const CReportedMessage& said) {
    std::string_view text = said.Text;
    if (text.starts_with("Error Loading: "))
        text.remove_prefix(std::string_view("Error Loading: ").size());
    if (text.ends_with('.'))
        text.remove_suffix(1);
    for (const std::string& line : said.Context)
        if (line.starts_with("cause: "))
            return std::string(text) + ": " + line.substr(std::string_view("cause: ").size());
    return std::string(text);
}

std::string Unreadable(const std::vector<CReportedMessage>& said) {
    return said.empty() ? std::string("Failed to load the file") : Unreadable(said.back());
}

// What the load said about the file: the file is named once, above, not
// again in each message.
std::vector<CReportedMessage> Said(std::vector<CReportedMessage> said, const std::string& fileName) {
    const std::string named = "file: " + fileName;
    for (CReportedMessage& message : said)
        if (!message.Context.empty() && message.Context.front() == named)
            message.Context.erase(message.Context.begin());
    return said;
}

}  // namespace

int RunInfo(const std::string& fileName, EInfoView view, bool json, std::ostream& out) {
    CValue layout = CValue::Object();
    layout.Add("file", fileName);

    // The file is read into the converter's project, which keeps what a
    // file that does not load held before reading stopped.
    transvane::CConverter converter;
    std::optional<CReportedMessage> inputUnreadable;
    if (fileName != "-")
        converter.Inspect(fileName);
    else if (std::optional<CBlock> input = ReadStandardInput())
        converter.Inspect(std::move(*input));
    else
        inputUnreadable = StandardInputUnreadable();
    CConversion& conversion = transvane::detail::CAccess::Conversion(converter);
    const CLoadReport& load = conversion.Result().Load;
    const std::optional<std::span<const std::uint8_t>> read = conversion.InspectedBytes();
    const bool loaded = converter.Result().Ok();
    std::string unreadable;
    if (inputUnreadable)
        unreadable = Unreadable(*inputUnreadable);
    else if (!read)
        unreadable = Unreadable(conversion.Result().Report.Messages);

    // Every member is there whatever happens, null where nothing is known,
    // so that a script reads a failed load as it reads a good one.
    std::optional<CValue> summary;
    CValue explanation;
    CValue failure;
    CValue messages = CValue::Array();
    CValue header = CValue::Object();
    CValue sections = CValue::Array();
    if (read) {
        CProject& project = conversion.Project();
        const std::span<const std::uint8_t> bytes = *read;
        if (loaded && view == EInfoView::Summary) {
            const CLoadReport::CSpan* options = load.Find(ESection::Options);
            summary = Summary(project, load.Version, options != nullptr ? options->Version : 0);
        }
        header.Add("bytes", bytes.size());
        header.Add("header version", load.Version != 0 ? CValue(load.Version) : CValue());
        header.Add("game id", load.GameId ? CValue(*load.GameId) : CValue());
        CValue guid = load.GameId && load.Version < 410 ? CValue().Shown("none stored") : CValue();
        if (load.Guid)
            guid = CValue(GuidText(*load.Guid));
        header.Add("guid", std::move(guid));
        for (const CLoadReport::CSpan& span : load.Sections) {
            CValue section = CValue::Object();
            section.Add("section", span.Name);
            section.Add("stored", span.Present);
            if (span.Present) {
                section.Add("offset", span.Start);
                section.Add("bytes", span.End - span.Start);
                section.Add("version", span.Version);
                DescribeSection(project, section, bytes, span);
            }
            sections.Push(std::move(section));
        }
        if (!loaded) {
            failure = CValue::Object();
            failure.Add("section", load.Section);
            failure.Add("section offset", load.SectionStart);
            failure.Add("offset", load.Position);
            failure.Add("reason", load.Failure);
            // Readers usually stop right after the value they refuse or the
            // count that runs past the end: show it.
            failure.Add("int32 before the offset",
                        load.Position >= 4 && load.Position <= bytes.size()
                            ? CValue(static_cast<std::int32_t>(Get32(bytes, load.Position - 4)))
                            : CValue());
        }
        messages = MessagesValue(Said(conversion.Result().Report.Messages, fileName));
    } else {
        header.Add("bytes", CValue());
        header.Add("header version", CValue());
        header.Add("game id", CValue());
        header.Add("guid", CValue());
        failure = CValue::Object();
        failure.Add("reason", unreadable);
    }
    const CReportedMessage why = Explanation(load, unreadable);
    if (!loaded)
        explanation = MessageValue(why);

    layout.Add("loaded", loaded);
    // The text gives the explanation in its own lines, before the layout.
    if (json)
        layout.Add("explanation", explanation);
    layout.Append(std::move(header));
    layout.Add("sections", std::move(sections));
    layout.Add("failure", std::move(failure));
    layout.Add("messages", messages);

    if (view == EInfoView::Layout) {
        if (json)
            layout.WriteJson(out);
        else
            layout.WriteText(out);
        return loaded ? 0 : 1;
    }
    if (!json && !loaded) {
        // A file that does not load is shown as far as it was read, in the
        // layout, after where and why it stopped.
        out << why.Text << "\n";
        for (const std::string& line : why.Context)
            out << "  " << line << "\n";
        out << "Below, the sections as far as they were read.\n\n";
        layout.WriteText(out);
        return 1;
    }
    CValue shown = CValue::Object();
    shown.Add("file", fileName);
    if (json) {
        shown.Add("loaded", loaded);
        shown.Add("explanation", explanation);
    }
    if (summary)
        shown.Append(std::move(*summary));
    else
        AddNullSummary(shown);
    shown.Add("messages", std::move(messages));
    if (json) {
        shown.Add("layout", loaded ? CValue() : std::move(layout));
        shown.WriteJson(out);
    } else {
        shown.WriteText(out);
    }
    return loaded ? 0 : 1;
}

}  // namespace transvane
