#include "cli/Extract.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <initializer_list>
#include <map>
#include <set>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "cli/Batch.h"
#include "cli/Check.h"
#include "cli/Support_Json.h"
#include "cli/Support_Options.h"
#include "cli/Support_Value.h"
#include "cli/Support_SafeName.h"
#include "cli/Support_Words.h"
#include "project/Library_Access.h"
#include "project/Project_Main.h"
#include "project/Resource_Kinds.h"
#include "project/Resource_Main.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_CodePage.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Platform.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_SafeSave.h"
#include "format/core/Support_Report.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/media/Support_Png.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"

namespace transvane {

namespace fs = std::filesystem;

namespace {

using CWriter = std::function<void(std::ostream&)>;

std::string Utf8(std::string_view stored) { return Windows1252ToUtf8(stored); }

void WriteBlock(std::ostream& out, const CBlock& bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// ---- the files to write, named before anything is written ------------------

struct CFile {
    std::string Folder;  // relative to DIR; empty for DIR itself
    std::string Name;
    CWriter Write;
    std::string Path() const { return Folder.empty() ? Name : Folder + "/" + Name; }
};

class CPlan {
public:
    // Plans a file under a safe, unused name in folder; its relative path.
    std::string File(const std::string& folder, std::string_view name, std::string_view extension,
                     std::string_view fallback, CWriter write) {
        CFile file{folder, FNames[folder].Claim(name, extension, fallback), std::move(write)};
        Files.push_back(std::move(file));
        return Files.back().Path();
    }
    // A subfolder of parent under a safe, unused name; its relative path.
    std::string Folder(const std::string& parent, std::string_view name, std::string_view fallback) {
        return parent + "/" + FNames[parent].Claim(name, "", fallback);
    }

    std::vector<CFile> Files;

private:
    std::map<std::string, CNameSet> FNames;
};

// Where each resource's files went, by slot; empty for none.
struct CAssets {
    std::vector<std::vector<std::string>> SpriteImages;
    std::vector<std::string> Backgrounds, Sounds, Scripts, DataFiles;
    std::string Icon, LoadingImage, BarBackImage, BarFrontImage, InformationRtf, InformationText;
};

CWriter Png(const CBlock& image) {
    return [&image](std::ostream& out) { WriteBlock(out, Bitmap24_ToPng(image)); };
}
CWriter Bytes(const CBlock& bytes) {
    return [&bytes](std::ostream& out) { WriteBlock(out, bytes); };
}
CWriter Text(std::string text) {
    return [text = std::move(text)](std::ostream& out) { out << text; };
}

std::string Fallback(const char* kind, int index) { return std::string(kind) + "_" + std::to_string(index); }

CAssets PlanAssets(CProject& project, CPlan& plan) {
    CAssets a;
    a.SpriteImages.resize(static_cast<std::size_t>(SpriteList(project.Media).Count()));
    for (int i = 0; i < SpriteList(project.Media).Count(); ++i) {
        const CSprite* sprite = SpriteList(project.Media).Get(i);
        if (sprite == nullptr || sprite->Images.empty())
            continue;
        const std::string folder =
            plan.Folder("sprites", Utf8(SpriteList(project.Media).Name(i)), Fallback("sprite", i));
        for (std::size_t k = 0; k < sprite->Images.size(); ++k)
            a.SpriteImages[static_cast<std::size_t>(i)].push_back(
                plan.File(folder, std::to_string(k), ".png", "", Png(sprite->Images[k])));
    }
    a.Backgrounds.resize(static_cast<std::size_t>(BackgroundList(project.Media).Count()));
    for (int i = 0; i < BackgroundList(project.Media).Count(); ++i)
        if (const CBackground* background = BackgroundList(project.Media).Get(i);
            background != nullptr && background->Image)
            a.Backgrounds[static_cast<std::size_t>(i)] =
                plan.File("backgrounds", Utf8(BackgroundList(project.Media).Name(i)), ".png", Fallback("background", i),
                          Png(*background->Image));
    a.Sounds.resize(static_cast<std::size_t>(SoundList(project.Media).Count()));
    for (int i = 0; i < SoundList(project.Media).Count(); ++i)
        if (const CSound* sound = SoundList(project.Media).Get(i); sound != nullptr && sound->SoundKind != -1)
            a.Sounds[static_cast<std::size_t>(i)] = plan.File("sounds", Utf8(SoundList(project.Media).Name(i)),
                                                              std::string(".") + SoundFormat(sound->SoundData),
                                                              Fallback("sound", i), Bytes(sound->SoundData));
    a.Scripts.resize(static_cast<std::size_t>(ScriptList(project.Media).Count()));
    for (int i = 0; i < ScriptList(project.Media).Count(); ++i)
        if (const CScript* script = ScriptList(project.Media).Get(i); script != nullptr)
            a.Scripts[static_cast<std::size_t>(i)] =
                plan.File("scripts", Utf8(ScriptList(project.Media).Name(i)), ".txt", Fallback("script", i),
                          Text(Utf8(script->ScriptText)));
    a.DataFiles.resize(static_cast<std::size_t>(DataFileList(project.Media).Count()));
    for (int i = 0; i < DataFileList(project.Media).Count(); ++i) {
        const CDataFile* dataFile = DataFileList(project.Media).Get(i);
        if (dataFile == nullptr || !dataFile->HasData)
            continue;
        // Under the name the game exports it as; the resource's name when
        // the file name is empty.
        const std::string name =
            Utf8(dataFile->FileName.empty() ? DataFileList(project.Media).Name(i) : dataFile->FileName);
        a.DataFiles[static_cast<std::size_t>(i)] =
            plan.File("datafiles", name, "", Fallback("datafile", i), Bytes(dataFile->Data));
    }

    const CGameOptions& o = GameOptions(project.World);
    if (!o.Icon.empty())
        a.Icon = plan.File("game", "icon", ".ico", "", Bytes(o.Icon));
    if (o.LoadingImage)
        a.LoadingImage = plan.File("game", "loading", ".png", "", Png(*o.LoadingImage));
    if (o.BarBackImage)
        a.BarBackImage = plan.File("game", "bar-back", ".png", "", Png(*o.BarBackImage));
    if (o.BarFrontImage)
        a.BarFrontImage = plan.File("game", "bar-front", ".png", "", Png(*o.BarFrontImage));
    a.InformationRtf = plan.File("game", "information", ".rtf", "", Bytes(GameInformation(project.World).Text));
    a.InformationText =
        plan.File("game", "information", ".txt", "", Text(Utf8(GameInformationPlainText(project.World))));
    return a;
}

// ---- project.json -------------------------------------------------------------

void ValueMember(CJsonWriter& j, std::string_view key, const CValue& value) {
    j.Key(key);
    value.WriteJson(j);
}

// A path, or null for none.
CValue PathValue(const std::string& path) { return path.empty() ? CValue() : CValue(path); }

void PathMember(CJsonWriter& j, std::string_view key, const std::string& path) { ValueMember(j, key, PathValue(path)); }

// Settings of a record whose meaning the file does not say, in their
// stored order.
template <class T>
void ArrayMember(CJsonWriter& j, std::string_view key, std::initializer_list<T> values) {
    j.Key(key).BeginArray();
    for (const T value : values)
        j.Number(value);
    j.EndArray();
}
void FlagsMember(CJsonWriter& j, std::initializer_list<bool> flags) {
    j.Key("flags").BeginArray();
    for (const bool flag : flags)
        j.Bool(flag);
    j.EndArray();
}

template <class T>
void ReferenceMember(CJsonWriter& j, std::string_view key, const CResourceList<T>& list, std::int32_t index) {
    ValueMember(j, key, ReferenceValue(list, index));
}

void SizeMember(CJsonWriter& j, std::string_view key, std::int32_t width, std::int32_t height) {
    ValueMember(j, key, SizeValue(width, height));
}

// The slots of a list: one object per resource, with its slot and name.
template <class T, class F>
void ListMember(CJsonWriter& j, std::string_view key, const CResourceList<T>& list, F describe) {
    j.Key(key).BeginArray();
    for (int i = 0; i < list.Count(); ++i) {
        const T* record = list.Get(i);
        if (record == nullptr)
            continue;
        j.BeginObject();
        j.Member("slot", i);
        j.Member("name", Utf8(list.Name(i)));
        describe(*record, static_cast<std::size_t>(i));
        j.EndObject();
    }
    j.EndArray();
}

void ActionsMember(CJsonWriter& j, const CEvent& event) {
    j.Key("actions").BeginArray();
    for (const auto& action : event.Actions) {
        const CAction& a = *action;
        j.BeginObject();
        j.Member("library id", a.LibraryId);
        j.Member("action id", a.ActionId);
        ArrayMember(j, "values", {a.DefValue1, a.DefValue2, a.DefValue3});
        FlagsMember(j, {a.DefFlag1, a.DefFlag2, a.DefFlag3});
        j.Key("texts").BeginArray();
        j.Text(Utf8(a.DefText1.View()));
        j.Text(Utf8(a.DefText2.View()));
        j.EndArray();
        j.Key("argument kinds").BeginArray();
        for (const std::int32_t kind : a.ArgumentKinds)
            j.Number(kind);
        j.EndArray();
        j.Member("selector", a.Selector);
        j.Member("action flag", a.ActionFlag);
        j.Key("arguments").BeginArray();
        for (const CCompactString& argument : a.Arguments)
            j.Text(Utf8(argument.View()));
        j.EndArray();
        j.Member("tail flag", a.TailFlag);
        j.EndObject();
    }
    j.EndArray();
}

void OptionsMember(CProject& project, CJsonWriter& j, const CAssets& a, std::int32_t version) {
    CValue options = GameOptionsValue(GameOptions(project.World), version);
    options.Add("bar back image", PathValue(a.BarBackImage));
    options.Add("bar front image", PathValue(a.BarFrontImage));
    options.Add("loading image", PathValue(a.LoadingImage));
    options.Add("icon", PathValue(a.Icon));
    ValueMember(j, "options", options);
}

void RoomsMember(CProject& project, CJsonWriter& j) {
    ListMember(j, "rooms", RoomList(project.World), [&](const CRoom& r, std::size_t) {
        j.Member("caption", Utf8(r.Caption));
        SizeMember(j, "size", r.Width, r.Height);
        SizeMember(j, "snap", r.SnapX, r.SnapY);
        j.Member("speed", r.Speed);
        j.Member("room flag", r.RoomFlag);
        ValueMember(j, "background colour", CValue(r.BackColor));
        j.Member("background colour flag", r.BackColorFlag);
        j.Member("code", Utf8(r.Code));
        j.Key("layers").BeginArray();
        for (const CRoomLayer& l : r.Layers) {
            j.BeginObject();
            j.Member("visible", l.Visible);
            j.Member("layer flag", l.LayerFlag);
            ReferenceMember(j, "background", BackgroundList(project.Media), l.BackgroundIndex);
            j.Member("x", l.X);
            j.Member("y", l.Y);
            j.Member("tile horizontally", l.TileH);
            j.Member("tile vertically", l.TileV);
            j.Member("horizontal speed", l.SpeedH);
            j.Member("vertical speed", l.SpeedV);
            j.EndObject();
        }
        j.EndArray();
        j.Member("views enabled", r.ViewsEnabled);
        j.Key("views").BeginArray();
        for (const CRoomView& v : r.Views) {
            j.BeginObject();
            j.Member("visible", v.Visible);
            const std::pair<const char*, std::int32_t> values[] = {{"view x", v.ViewX},
                                                                   {"view y", v.ViewY},
                                                                   {"view width", v.ViewWidth},
                                                                   {"view height", v.ViewHeight},
                                                                   {"port x", v.PortX},
                                                                   {"port y", v.PortY},
                                                                   {"horizontal border", v.BorderH},
                                                                   {"vertical border", v.BorderV},
                                                                   {"horizontal speed", v.SpeedH},
                                                                   {"vertical speed", v.SpeedV}};
            for (const auto& [key, value] : values)
                j.Member(key, value);
            ReferenceMember(j, "follow object", ObjectList(project.Behaviour), v.FollowObject);
            j.EndObject();
        }
        j.EndArray();
        j.Key("instances").BeginArray();
        for (const CRoomInstance& instance : r.Instances) {
            j.BeginObject();
            j.Member("x", instance.X);
            j.Member("y", instance.Y);
            ReferenceMember(j, "object", ObjectList(project.Behaviour), instance.ObjectIndex);
            j.Member("id", instance.Id);
            j.Member("code", Utf8(instance.Code));
            j.Member("instance flag", instance.InstanceFlag);
            j.EndObject();
        }
        j.EndArray();
        j.Key("tiles").BeginArray();
        for (const CRoomTile& t : r.Tiles) {
            j.BeginObject();
            j.Member("x", t.X);
            j.Member("y", t.Y);
            ReferenceMember(j, "background", BackgroundList(project.Media), t.BackgroundIndex);
            j.Member("source x", t.SourceX);
            j.Member("source y", t.SourceY);
            SizeMember(j, "size", t.Width, t.Height);
            j.Member("depth", t.Depth);
            j.Member("id", t.Id);
            j.EndObject();
        }
        j.EndArray();
        const CRoomEditorSettings& e = r.EditorSettings;
        j.Key("editor settings").BeginArray();
        j.Number(static_cast<std::int32_t>(e.SettingsFlag1));
        j.Number(e.SettingsValue1);
        j.Number(e.SettingsValue2);
        for (const bool flag : e.SettingsFlags2To10)
            j.Number(static_cast<std::int32_t>(flag));
        j.Number(static_cast<std::int32_t>(e.SettingsFlag11));
        for (const std::int32_t value : e.SettingsValues3To9)
            j.Number(value);
        j.EndArray();
    });
    j.Member("instance id counter", InstanceIdCounter(project.World));
    j.Member("tile id counter", TileIdCounter(project.World));
}

// The name of the resource a tree entry stands for, if it exists.
std::optional<std::string> TreeResourceName(CProject& project, std::int32_t kind, std::int32_t index) {
    auto name = [index](const auto& list) -> std::optional<std::string> {
        if (!list.Exists(index))
            return std::nullopt;
        return Utf8(list.Name(index));
    };
    switch (kind) {
    case KindObjects: return name(ObjectList(project.Behaviour));
    case KindSprites: return name(SpriteList(project.Media));
    case KindSounds: return name(SoundList(project.Media));
    case KindRooms: return name(RoomList(project.World));
    case KindBackgrounds: return name(BackgroundList(project.Media));
    case KindScripts: return name(ScriptList(project.Media));
    case KindPaths: return name(PathList(project.Behaviour));
    case KindDataFiles: return name(DataFileList(project.Media));
    case KindTimeLines: return name(TimeLineList(project.Behaviour));
    default: return std::nullopt;
    }
}

// The tree as a flat list in reading order, each node naming its parent:
// files nest groups a hundred thousand deep, which no JSON reader should
// have to recurse through.
void TreeMember(CProject& project, CJsonWriter& j) {
    j.Key("tree").BeginArray();
    std::int64_t next = 0;
    struct CPending {
        const CTreeNode* Node;
        std::int64_t Parent;
        std::int64_t Depth;
    };
    std::vector<CPending> pending;
    const auto& top = ResourceTree(project.Model).Items();
    for (auto node = top.rbegin(); node != top.rend(); ++node)
        pending.push_back({node->get(), -1, 0});
    while (!pending.empty()) {
        const CPending item = pending.back();
        pending.pop_back();
        const std::int64_t id = next++;
        const CResource& r = item.Node->Resource;
        j.BeginObject();
        j.Member("id", id);
        j.Key("parent");
        if (item.Parent < 0)
            j.Null();
        else
            j.Number(item.Parent);
        j.Member("depth", item.Depth);
        j.Member("name", Utf8(item.Node->Text));
        j.Member("node kind", r.NodeKind);
        j.Member("resource kind", r.ResourceKind);
        j.Member("resource slot", r.ResourceIndex);
        // Groups name no resource; an entry whose resource is gone says so.
        const bool entry = r.NodeKind == ResourceNode;
        const std::optional<std::string> name =
            entry ? TreeResourceName(project, r.ResourceKind, r.ResourceIndex) : std::nullopt;
        ValueMember(j, "resource", name ? CValue(*name) : CValue());
        j.Member("missing", entry && !name);
        j.EndObject();
        const auto& children = item.Node->Children;
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({child->get(), id, item.Depth + 1});
    }
    j.EndArray();
}

// What the extraction knows beside the project: where it came from, what
// the file stores as it stores it, and what could not be carried over.
struct CSource {
    std::string Name;                 // the file name, without its folder
    std::int32_t FormatVersion = 0;   // the header's
    std::int32_t OptionsVersion = 0;  // the options section's
    std::vector<CReportedMessage> Notes;
    bool StoresInformation() const { return OptionsVersion >= OptionsInformationFrom; }
};

void WriteProjectJson(CProject& project, std::ostream& out, const CSource& source, const CAssets& a) {
    const CGameOptions& o = GameOptions(project.World);
    const bool stored = source.StoresInformation();
    CJsonWriter j(out);
    j.BeginObject();
    j.Member("file", source.Name);
    j.Member("loaded", true);
    j.Key("explanation").Null();
    j.Member("format version", source.FormatVersion);
    ValueMember(j, "author", stored ? CValue(Utf8(o.Author)) : CValue());
    ValueMember(j, "game version", stored ? CValue(o.GameVersion) : CValue());
    ValueMember(j, "last changed", stored ? CValue(DateTimeToText(o.LastChanged)) : CValue());
    j.Member("game id", GameId(project.Model));
    ValueMember(j, "guid", source.FormatVersion >= 410 ? CValue(GuidText(GameGuid(project.Model))) : CValue());
    ValueMember(j, "counts", ResourceCountsValue(project));
    ValueMember(j, "notes", MessagesValue(source.Notes));
    OptionsMember(project, j, a, source.OptionsVersion);

    ListMember(j, "sprites", SpriteList(project.Media), [&](const CSprite& s, std::size_t i) {
        SizeMember(j, "size", s.Width, s.Height);
        j.Key("bounds").BeginObject();
        j.Member("left", s.Bounds.Left);
        j.Member("top", s.Bounds.Top);
        j.Member("right", s.Bounds.Right);
        j.Member("bottom", s.Bounds.Bottom);
        j.EndObject();
        j.Member("transparent", s.Transparent);
        ArrayMember(j, "values", {s.SpriteValue1, s.SpriteValue2, s.SpriteValue3});
        FlagsMember(j, {s.SpriteFlag1, s.SpriteFlag2, s.SpriteFlag3});
        j.Key("subimages").BeginArray();
        for (const std::string& path : a.SpriteImages[i])
            j.Text(path);
        j.EndArray();
    });
    ListMember(j, "sounds", SoundList(project.Media), [&](const CSound& s, std::size_t i) {
        const bool none = s.SoundKind == -1;
        j.Member("kind", s.SoundKind);
        j.Member("file", Utf8(s.SoundText));
        PathMember(j, "data", a.Sounds[i]);
        ValueMember(j, "format", none ? CValue() : CValue(SoundFormatWords(s.SoundData)));
        ValueMember(j, "bytes", none ? CValue() : CValue(s.SoundData.size()));
        ArrayMember(j, "values", {s.SoundValue});
        FlagsMember(j, {s.SoundFlag1, s.SoundFlag2});
    });
    ListMember(j, "backgrounds", BackgroundList(project.Media), [&](const CBackground& b, std::size_t i) {
        SizeMember(j, "size", b.Width, b.Height);
        j.Member("transparent", b.Transparent);
        FlagsMember(j, {b.BackgroundFlag1, b.BackgroundFlag2});
        PathMember(j, "image", a.Backgrounds[i]);
    });
    ListMember(j, "paths", PathList(project.Behaviour), [&](const CPath& p, std::size_t) {
        j.Member("connection", p.ConnectionKind);
        j.Member("connection in words", PathConnectionWords(p.ConnectionKind));
        j.Member("at the end", p.EndAction);
        j.Member("at the end in words", PathEndWords(p.EndAction));
        j.Member("smoothing depth", p.SmoothingDepth);
        j.Member("length", p.Length);
        j.Key("points").BeginArray();
        for (const PathPoint& point : p.Points) {
            j.BeginObject();
            j.Member("x", point.X);
            j.Member("y", point.Y);
            j.Member("speed", point.Speed);
            j.EndObject();
        }
        j.EndArray();
    });
    ListMember(j, "scripts", ScriptList(project.Media), [&](const CScript& s, std::size_t i) {
        j.Member("text", a.Scripts[i]);
        j.Member("characters", s.ScriptText.size());
    });
    ListMember(j, "data files", DataFileList(project.Media), [&](const CDataFile& d, std::size_t i) {
        j.Member("file name", Utf8(d.FileName));
        j.Member("has data", d.HasData);
        PathMember(j, "data", a.DataFiles[i]);
        ValueMember(j, "bytes", d.HasData ? CValue(d.Data.size()) : CValue());
        j.Member("export", d.ExportMode);
        j.Member("export in words", ExportModeWords(d.ExportMode));
        FlagsMember(j, {d.DataFileFlag1, d.DataFileFlag2, d.DataFileFlag3});
    });
    ListMember(j, "time lines", TimeLineList(project.Behaviour), [&](const CTimeLine& t, std::size_t) {
        j.Key("moments").BeginArray();
        for (std::size_t k = 0; k < t.Moments.size(); ++k) {
            j.BeginObject();
            j.Member("moment", t.Moments[k]);
            ActionsMember(j, *t.Events[k]);
            j.EndObject();
        }
        j.EndArray();
    });
    ListMember(j, "objects", ObjectList(project.Behaviour), [&](const CObject& object, std::size_t) {
        ReferenceMember(j, "sprite", SpriteList(project.Media), object.SpriteIndex);
        ArrayMember(j, "values", {object.ObjectValue});
        FlagsMember(j, {object.ObjectFlag1, object.ObjectFlag2, object.ObjectFlag3});
        ReferenceMember(j, "related object", ObjectList(project.Behaviour),
                        object.RelatedObjectIndex == NoRelatedObject ? -1 : object.RelatedObjectIndex);
        ReferenceMember(j, "second sprite", SpriteList(project.Media), object.SecondSpriteIndex);
        j.Key("events").BeginArray();
        for (int row = 0; row < EventRowCount; ++row)
            for (const auto& [number, event] : object.Row(row).Events()) {
                if (event->Empty())
                    continue;
                j.BeginObject();
                j.Member("row", row);
                j.Member("number", number);
                // Row 4's numbers name objects.
                if (row == ObjectEventRow)
                    ReferenceMember(j, "object", ObjectList(project.Behaviour), number);
                ActionsMember(j, *event);
                j.EndObject();
            }
        j.EndArray();
    });
    RoomsMember(project, j);

    j.Key("game information").BeginObject();
    j.Member("background colour", GameInformation(project.World).BackgroundColor);
    j.Member("background colour in words", ColourText(GameInformation(project.World).BackgroundColor));
    j.Member("mimic main form", GameInformation(project.World).MimicMainForm);
    j.Member("rtf", a.InformationRtf);
    j.Member("text", a.InformationText);
    j.EndObject();

    TreeMember(project, j);
    j.EndObject();
}

// ---- index.html -----------------------------------------------------------------

std::string Html(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// A relative path as a URL: every byte but the unreserved ones and the
// separators percent-encoded, so "#", "%" or a space in a name stay part of
// the file name.
std::string Url(std::string_view path) {
    static const char* const Hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("-._~/").find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        }
    }
    return out;
}

const char* const PageStyle =
    "body{font-family:sans-serif;margin:1em auto;max-width:70em;padding:0 1em;color:#222}"
    "h2{border-bottom:1px solid #ccc;margin-top:1.5em}"
    "table{border-collapse:collapse}th,td{border:1px solid #ddd;padding:.2em .6em;text-align:left;"
    "vertical-align:top}"
    "figure{display:inline-block;margin:.3em;padding:.3em;border:1px solid #ddd;vertical-align:top}"
    "figcaption{font-size:90%}"
    "img{width:96px;height:96px;object-fit:contain;image-rendering:pixelated;margin:1px;background:#eee}"
    "pre{background:#f6f6f6;padding:.5em;overflow:auto;max-height:30em}"
    "ul.tree{list-style:none;padding-left:1.2em}.missing{color:#a00}.options td{white-space:pre-wrap}";

template <class T>
std::string PageReference(const CResourceList<T>& list, std::int32_t index) {
    const std::string words = Html(ReferenceWords(list, index));
    return DanglingReference(index, list.Exists(index)) ? "<span class=\"missing\">" + words + "</span>" : words;
}

void PageTree(CProject& project, std::ostream& out) {
    // Walked with a stack; every group opens a list that its last child
    // closes.
    out << "<ul class=\"tree\">\n";
    struct CPending {
        const CTreeNode* Node;
        bool Close;  // closes a group's list instead
    };
    std::vector<CPending> pending;
    const auto& top = ResourceTree(project.Model).Items();
    for (auto node = top.rbegin(); node != top.rend(); ++node)
        pending.push_back({node->get(), false});
    while (!pending.empty()) {
        const CPending item = pending.back();
        pending.pop_back();
        if (item.Close) {
            out << "</ul></li>\n";
            continue;
        }
        const CTreeNode& node = *item.Node;
        if (node.Resource.NodeKind == ResourceNode) {
            const bool exists =
                TreeResourceName(project, node.Resource.ResourceKind, node.Resource.ResourceIndex).has_value();
            out << "<li" << (exists ? "" : " class=\"missing\"") << ">" << Html(Utf8(node.Text)) << "</li>\n";
            continue;
        }
        out << "<li><b>" << Html(Utf8(node.Text)) << "</b>";
        if (node.Children.empty()) {
            out << "</li>\n";
            continue;
        }
        out << "<ul class=\"tree\">\n";
        pending.push_back({nullptr, true});
        for (auto child = node.Children.rbegin(); child != node.Children.rend(); ++child)
            pending.push_back({child->get(), false});
    }
    out << "</ul>\n";
}

// What the page says about the game in its first paragraph: the format
// version, then only what the file stores (an empty author is left out
// rather than shown as a gap).
std::string PageIntroduction(CProject& project, const CSource& source) {
    const CGameOptions& o = GameOptions(project.World);
    std::string text = "A project file of format version " + std::to_string(source.FormatVersion) + ", game id " +
                       std::to_string(GameId(project.Model));
    if (!source.StoresInformation())
        return text + ". A file of this version stores no author, game version or date of its last change.";
    if (!o.Author.empty())
        text += ", by " + Html(Utf8(o.Author));
    return text + "; game version " + std::to_string(o.GameVersion) + ", last changed " +
           DateTimeToText(o.LastChanged) + ".";
}

// A kind's anchor on the page: its key without spaces ("datafiles").
std::string PageAnchor(const CContentKind& kind) {
    std::string anchor = kind.Key;
    std::erase(anchor, ' ');
    return anchor;
}

// A section of the page for one kind: its heading and what rows() writes,
// nothing at all when the project has none of the kind.
template <class T, class F>
void PageSection(std::ostream& out, EContentKind kind, const CResourceList<T>& list, const char* tableHeader, F rows) {
    if (ResourceCount(list) == 0)
        return;
    out << "<h2 id=\"" << PageAnchor(ContentKind(kind)) << "\">" << ContentKind(kind).Name << "</h2>\n";
    if (tableHeader != nullptr)
        out << "<table>\n<tr>" << tableHeader << "</tr>\n";
    for (int i = 0; i < list.Count(); ++i)
        if (const T* record = list.Get(i); record != nullptr)
            rows(i, *record);
    if (tableHeader != nullptr)
        out << "</table>\n";
}

void WriteIndexHtml(CProject& project, std::ostream& out, const CSource& source, const CAssets& a) {
    const CGameOptions& o = GameOptions(project.World);
    const std::string title = Html(source.Name);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<title>" << title << "</title>\n<style>" << PageStyle << "</style>\n</head>\n<body>\n"
        << "<h1>" << title << "</h1>\n<p>" << PageIntroduction(project, source)
        << " The whole project is described in <a href=\"project.json\">project.json</a>.</p>\n";

    // Every list the project may hold, with a link to its section when it
    // holds any.
    out << "<table>\n";
    for (const CContentKind& kind : ContentKinds()) {
        if (!kind.List)
            continue;
        const std::int64_t count = kind.Count(project);
        out << "<tr><th>";
        if (count > 0)
            out << "<a href=\"#" << PageAnchor(kind) << "\">" << kind.Name << "</a>";
        else
            out << kind.Name;
        out << "</th><td>" << count << "</td></tr>\n";
    }
    out << "</table>\n<p id=\"pictures\"></p>\n";

    if (!source.Notes.empty()) {
        out << "<h2 id=\"notes\">Notes</h2>\n<p>What the file holds that a conversion cannot carry over.</p>\n<ul>\n";
        for (const CReportedMessage& note : source.Notes) {
            out << "<li>" << Html(note.Text);
            for (const std::string& line : note.Context)
                out << "<br><small>" << Html(line) << "</small>";
            out << "</li>\n";
        }
        out << "</ul>\n";
    }

    PageSection(out, EContentKind::Sprites, SpriteList(project.Media), nullptr, [&](int i, const CSprite& s) {
        const std::string name = Html(Utf8(SpriteList(project.Media).Name(i)));
        out << "<figure>";
        for (const std::string& path : a.SpriteImages[static_cast<std::size_t>(i)])
            out << "<img src=\"" << Url(path) << "\" alt=\"" << name << "\">";
        out << "<figcaption>" << name << " (" << s.Width << " x " << s.Height << ", " << s.Images.size()
            << " subimages)</figcaption></figure>\n";
    });
    PageSection(out, EContentKind::Backgrounds, BackgroundList(project.Media), nullptr,
                [&](int i, const CBackground& b) {
                    const std::string name = Html(Utf8(BackgroundList(project.Media).Name(i)));
                    const std::string& path = a.Backgrounds[static_cast<std::size_t>(i)];
                    out << "<figure>";
                    if (!path.empty())
                        out << "<img src=\"" << Url(path) << "\" alt=\"" << name << "\">";
                    out << "<figcaption>" << name << " (" << b.Width << " x " << b.Height
                        << (path.empty() ? ", no image" : "") << ")</figcaption></figure>\n";
                });
    PageSection(out, EContentKind::Sounds, SoundList(project.Media),
                "<th>Name</th><th>Data</th><th>Bytes</th><th>File</th>", [&](int i, const CSound& s) {
                    const std::string& path = a.Sounds[static_cast<std::size_t>(i)];
                    out << "<tr><td>" << Html(Utf8(SoundList(project.Media).Name(i))) << "</td>";
                    if (path.empty()) {
                        out << "<td>none</td><td>0</td><td>none</td></tr>\n";
                        return;
                    }
                    const std::string format = SoundFormat(s.SoundData);
                    out << "<td>" << SoundFormatWords(s.SoundData) << "</td><td>" << s.SoundData.size() << "</td><td>";
                    if (format == "wav" || format == "mp3")
                        out << "<audio controls preload=\"none\" src=\"" << Url(path) << "\"></audio> ";
                    out << "<a href=\"" << Url(path) << "\">file</a></td></tr>\n";
                });
    PageSection(out, EContentKind::Paths, PathList(project.Behaviour),
                "<th>Name</th><th>Points</th><th>Connection</th><th>At the end</th><th>Length</th>",
                [&](int i, const CPath& p) {
                    out << "<tr><td>" << Html(Utf8(PathList(project.Behaviour).Name(i))) << "</td><td>"
                        << p.PointCount() << "</td><td>" << PathConnectionWords(p.ConnectionKind) << "</td><td>"
                        << Html(PathEndWords(p.EndAction)) << "</td><td>" << p.Length << "</td></tr>\n";
                });
    PageSection(out, EContentKind::Scripts, ScriptList(project.Media), nullptr, [&](int i, const CScript& s) {
        out << "<details><summary>" << Html(Utf8(ScriptList(project.Media).Name(i))) << " (<a href=\""
            << Url(a.Scripts[static_cast<std::size_t>(i)]) << "\">file</a>)</summary><pre>" << Html(Utf8(s.ScriptText))
            << "</pre></details>\n";
    });
    PageSection(out, EContentKind::DataFiles, DataFileList(project.Media),
                "<th>Name</th><th>File name</th><th>Bytes</th><th>Export</th>", [&](int i, const CDataFile& d) {
                    const std::string& path = a.DataFiles[static_cast<std::size_t>(i)];
                    out << "<tr><td>" << Html(Utf8(DataFileList(project.Media).Name(i))) << "</td><td>";
                    if (path.empty())
                        out << Html(Utf8(d.FileName)) << "</td><td>no data";
                    else
                        out << "<a href=\"" << Url(path) << "\">" << Html(Utf8(d.FileName)) << "</a></td><td>"
                            << d.Data.size();
                    out << "</td><td>" << Html(ExportModeWords(d.ExportMode)) << "</td></tr>\n";
                });
    PageSection(out, EContentKind::TimeLines, TimeLineList(project.Behaviour), "<th>Name</th><th>Moments</th>",
                [&](int i, const CTimeLine& t) {
                    out << "<tr><td>" << Html(Utf8(TimeLineList(project.Behaviour).Name(i))) << "</td><td>" << t.Count()
                        << "</td></tr>\n";
                });
    PageSection(out, EContentKind::Objects, ObjectList(project.Behaviour),
                "<th>Name</th><th>Sprite</th><th>Events</th><th>Actions</th>", [&](int i, const CObject& object) {
                    const CEventCounts counts = CountEvents(object);
                    out << "<tr><td>" << Html(Utf8(ObjectList(project.Behaviour).Name(i))) << "</td><td>"
                        << PageReference(SpriteList(project.Media), object.SpriteIndex) << "</td><td>" << counts.Events
                        << "</td><td>" << counts.Actions << "</td></tr>\n";
                });
    PageSection(out, EContentKind::Rooms, RoomList(project.World),
                "<th>Name</th><th>Caption</th><th>Size</th><th>Instances</th><th>Tiles</th>",
                [&](int i, const CRoom& r) {
                    out << "<tr><td>" << Html(Utf8(RoomList(project.World).Name(i))) << "</td><td>"
                        << Html(Utf8(r.Caption)) << "</td><td>" << r.Width << " x " << r.Height << "</td><td>"
                        << r.Instances.size() << "</td><td>" << r.Tiles.size() << "</td></tr>\n";
                });
    out << "<h2>Game information</h2>\n<p><a href=\"" << Url(a.InformationRtf) << "\">As formatted text</a></p>\n";
    if (const std::string text = Utf8(GameInformationPlainText(project.World)); !text.empty())
        out << "<pre>" << Html(text) << "</pre>\n";
    // The settings the file stores, as the reports name and read them.
    out << "<h2>Game options</h2>\n<table class=\"options\">\n";
    for (const COptionField& field : GameOptionFields())
        if (source.OptionsVersion >= field.StoredFrom)
            out << "<tr><th>" << field.Name << "</th><td>" << Html(field.Value(o).Words()) << "</td></tr>\n";
    out << "</table>\n";
    const std::pair<const char*, const std::string*> pictures[] = {{"Icon", &a.Icon},
                                                                   {"Loading image", &a.LoadingImage},
                                                                   {"Progress bar back", &a.BarBackImage},
                                                                   {"Progress bar front", &a.BarFrontImage}};
    for (const auto& [caption, path] : pictures)
        if (!path->empty())
            out << "<figure><img src=\"" << Url(*path) << "\" alt=\"" << caption << "\"><figcaption>" << caption
                << "</figcaption></figure>\n";
    out << "<h2>Resource tree</h2>\n<p class=\"legend\">Groups are in <b>bold</b>; an entry in "
           "<span class=\"missing\">red</span> stands for a resource that is not in the project.</p>\n";
    PageTree(project, out);
    // Says whether every picture could be shown; the count is kept on the
    // paragraph for tools that check the page.
    out << "<script>\nwindow.addEventListener('load', function () {\n"
           "  var images = document.images, shown = 0;\n"
           "  for (var i = 0; i < images.length; ++i) if (images[i].naturalWidth > 0) ++shown;\n"
           "  var p = document.getElementById('pictures');\n"
           "  p.dataset.shown = shown; p.dataset.total = images.length;\n"
           "  p.textContent = shown === images.length ? images.length + ' pictures.' :\n"
           "    (images.length - shown) + ' of ' + images.length + ' pictures could not be shown.';\n"
           "});\n</script>\n</body>\n</html>\n";
}

}  // namespace

namespace {

// Prints what the load said, as a conversion prints its messages: the text
// on one line, its context indented below.
void PrintMessages(std::ostream& err, const std::vector<CReportedMessage>& messages) {
    for (const CReportedMessage& message : messages)
        for (const std::string& line : MessageLines(message))
            err << line << "\n";
}

// What an extraction has made, so that an interrupted one can take it back:
// the files, then the folders it created, each removed in reverse order,
// then the folders above the root that were made with it.
class CWritten {
public:
    explicit CWritten(std::string root) : FRoot(std::move(root)) {}
    void File(const std::string& path) { FFiles.push_back(path); }
    void Folder(const std::string& path) { FFolders.push_back(path); }
    // A folder above the root, made with it; the nearest first.
    void Above(const std::string& path) { FAbove.push_back(path); }
    void RemoveOne(const std::string& folder, const std::string& name) const {
        RemoveFile(Full(folder.empty() ? name : folder + "/" + name).c_str());
    }
    void Remove() const {
        for (auto file = FFiles.rbegin(); file != FFiles.rend(); ++file)
            RemoveFile(Full(*file).c_str());
        for (auto folder = FFolders.rbegin(); folder != FFolders.rend(); ++folder)
            RemoveFolder(Full(*folder).c_str());
        for (const std::string& folder : FAbove)
            RemoveFolder(folder.c_str());
    }

private:
    std::string Full(const std::string& path) const { return path.empty() ? FRoot : FRoot + "/" + path; }
    std::string FRoot;
    std::vector<std::string> FFiles, FFolders, FAbove;
};

// An unused name beside name, hidden, for a file that is to replace it.
std::string HiddenName(const COutputFolder& folder, const std::string& name) {
    for (int attempt = 0;; ++attempt) {
        std::string hidden = HiddenNameFor(name);
        if (!folder.Has(hidden) || attempt == 100)
            return hidden;
    }
}

}  // namespace

int RunExtract(const std::string& fileName, const std::string& folder, bool replace, std::ostream& out,
               std::ostream& err, CExtractStop& stop, CFeedback* progress) {
    // The file is loaded through the library's load into a project of its
    // own, which goes with it; the records are walked in that project.
    // What the load says is not printed when it succeeds: those are the
    // notes of what a conversion would not carry over, kept in the files
    // written.
    CFeedbackObserver shown(progress, nullptr);
    transvane::COptions withProgress;
    withProgress.Observer = &shown;
    transvane::CConverter converter(withProgress);
    const bool loaded = converter.Load(fileName).Ok();
    const CConversionResult& said = transvane::detail::CAccess::Conversion(converter).Result();
    if (!loaded) {
        // Only why it failed, from its first error on: what the load warned
        // about before is no more printed than when it succeeds.
        const std::vector<CReportedMessage>& messages = said.Report.Messages;
        const auto failure = std::find_if(messages.begin(), messages.end(), [](const CReportedMessage& message) {
            return message.Text.starts_with("Error ");
        });
        PrintMessages(err, failure == messages.end() ? messages : std::vector(failure, messages.end()));
        return 1;
    }
    CProject& project = transvane::detail::CAccess::Conversion(converter).Project();
    const CLoadReport& load = said.Load;
    CSource source;
    source.Name = fileName.substr(fileName.find_last_of('/') + 1);
    source.FormatVersion = load.Version;
    if (const CLoadReport::CSpan* options = load.Find(ESection::Options))
        source.OptionsVersion = options->Version;
    source.Notes = said.Report.Messages;

    CPlan plan;
    const CAssets assets = PlanAssets(project, plan);
    plan.Files.push_back({"", "project.json", [&](std::ostream& o) { WriteProjectJson(project, o, source, assets); }});
    plan.Files.push_back({"", "index.html", [&](std::ostream& o) { WriteIndexHtml(project, o, source, assets); }});

    CWritten written(folder);
    std::vector<std::pair<const CFile*, std::string>> replacements;  // a file and its hidden name
    std::size_t renamed = 0;
    bool committed = false;
    try {
        // From here on an interruption waits for the file being written and
        // then takes back everything written so far.
        stop.Writing = 1;
        if (stop.Signal != 0)
            return 128 + stop.Signal;
        // DIR and the folders above it that making it makes, nearest first.
        const std::vector<std::string> missing = MissingFolders(folder);
        for (std::size_t i = 1; i < missing.size(); ++i)
            written.Above(missing[i]);
        const COutputFolder root(folder);
        if (!missing.empty())
            written.Folder("");
        if (!replace) {
            // Nothing is written when anything is in the way.
            std::vector<std::string> taken;
            for (const CFile& file : plan.Files)
                if (root.Has(file.Path()))
                    taken.push_back(file.Path());
            if (!taken.empty()) {
                err << "Files to extract exist already; nothing was written (--force replaces them).\n";
                constexpr std::size_t MaxListed = 10;
                for (std::size_t i = 0; i < taken.size() && i < MaxListed; ++i)
                    err << "  " << folder << "/" << taken[i] << "\n";
                if (taken.size() > MaxListed)
                    err << "  and " << taken.size() - MaxListed << " more\n";
                return 1;
            }
        }
        // The folders from DIR down to the current file's, each opened from
        // the one above it with links refused; only that chain stays open, so
        // a project of a million sprites does not run out of handles.
        std::vector<std::pair<std::string, COutputFolder>> chain;
        auto open = [&](const std::string& path) -> const COutputFolder& {
            std::vector<std::string> parts;
            for (std::size_t start = 0; start < path.size();) {
                const std::size_t end = std::min(path.find('/', start), path.size());
                parts.push_back(path.substr(start, end - start));
                start = end + 1;
            }
            std::size_t shared = 0;
            while (shared < chain.size() && shared < parts.size() && chain[shared].first == parts[shared])
                ++shared;
            while (chain.size() > shared)
                chain.pop_back();
            for (std::size_t k = shared; k < parts.size(); ++k) {
                const COutputFolder& parent = k == 0 ? root : chain[k - 1].second;
                const bool made = !parent.Has(parts[k]);
                chain.emplace_back(parts[k], parent.Subfolder(parts[k]));
                if (made) {
                    std::string relative;
                    for (std::size_t m = 0; m <= k; ++m)
                        relative += (m == 0 ? "" : "/") + parts[m];
                    written.Folder(relative);
                }
            }
            return chain.empty() ? root : chain.back().second;
        };
        // A file that is there already (with --force) is written under a
        // hidden name beside it, and takes the name only once every file has
        // been written: until then an interruption or a failure leaves the
        // old files as they were.
        for (const CFile& file : plan.Files) {
            if (stop.Signal != 0)
                break;
            const COutputFolder& into = open(file.Folder);
            if (replace && into.Has(file.Name)) {
                // A folder in the way could not be replaced at the end.
                const std::string path = into.Path() + "/" + file.Name;
                std::error_code error;
                if (fs::is_directory(fs::symlink_status(PathOf(path), error)))
                    throw std::runtime_error(path + ": a folder has the name");
                std::string hidden = HiddenName(into, file.Name);
                written.File(file.Folder.empty() ? hidden : file.Folder + "/" + hidden);
                into.WriteFile(hidden, false, file.Write);
                replacements.emplace_back(&file, std::move(hidden));
            } else {
                written.File(file.Path());
                into.WriteFile(file.Name, false, file.Write);
            }
        }
        // Every new file on disk before the first takes an old one's name:
        // some file systems may otherwise keep a rename and lose the data
        // it names when the machine stops, leaving an empty file where the
        // user's was.  A failure here still takes everything back.
        if (stop.Signal == 0) {
            std::vector<std::string> hiddenPaths;
            for (const auto& [file, hidden] : replacements)
                hiddenPaths.push_back(folder + "/" + (file->Folder.empty() ? hidden : file->Folder + "/" + hidden));
            SyncFiles(hiddenPaths);
        }
        if (stop.Signal == 0) {
            // Renames only, quickly done: an interruption from here on
            // finds the extraction complete.
            committed = true;
            for (; renamed < replacements.size(); ++renamed)
                open(replacements[renamed].first->Folder)
                    .Rename(replacements[renamed].second, replacements[renamed].first->Name);
            // The new names, on disk: each folder once, in the order the
            // plan lists them.
            std::set<std::string> synced;
            for (const auto& [file, hidden] : replacements)
                if (synced.insert(file->Folder).second)
                    SyncFolderOf(open(file->Folder).Path() + "/" + file->Name);
        }
    } catch (const std::exception& error) {
        if (!committed) {
            written.Remove();
        } else {
            // A rename refused on the way: the files renamed so far hold
            // their new content, the others their old one; the hidden
            // files not renamed go.
            for (std::size_t i = renamed; i < replacements.size(); ++i)
                written.RemoveOne(replacements[i].first->Folder, replacements[i].second);
        }
        err << "Failed to extract the project.\n  " << error.what() << "\n";
        return 1;
    }
    if (stop.Signal != 0 && !committed) {
        written.Remove();
        err << "Extraction interrupted; what it had written is removed.\n";
        return 128 + stop.Signal;
    }
    out << OneLine("Extracted " + source.Name + ": open " + NameOf(PathOf(folder) / "index.html") + " to see it.")
        << "\n";
    return 0;
}

}  // namespace transvane
