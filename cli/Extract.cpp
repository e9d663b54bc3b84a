#include "cli/Extract.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <map>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "cli/Support_Json.h"
#include "cli/Support_SafeName.h"
#include "cli/Support_Words.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_CodePage.h"
#include "format/core/Support_Progress.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/media/Support_Png.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"

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

CAssets PlanAssets(CPlan& plan) {
    CAssets a;
    a.SpriteImages.resize(static_cast<std::size_t>(SpriteList().Count()));
    for (int i = 0; i < SpriteList().Count(); ++i) {
        const CSprite* sprite = SpriteList().Get(i);
        if (sprite == nullptr || sprite->Images.empty())
            continue;
        const std::string folder = plan.Folder("sprites", Utf8(SpriteList().Name(i)), Fallback("sprite", i));
        for (std::size_t k = 0; k < sprite->Images.size(); ++k)
            a.SpriteImages[static_cast<std::size_t>(i)].push_back(
                plan.File(folder, std::to_string(k), ".png", "", Png(sprite->Images[k])));
    }
    a.Backgrounds.resize(static_cast<std::size_t>(BackgroundList().Count()));
    for (int i = 0; i < BackgroundList().Count(); ++i)
        if (const CBackground* background = BackgroundList().Get(i); background != nullptr && background->Image)
            a.Backgrounds[static_cast<std::size_t>(i)] = plan.File(
                "backgrounds", Utf8(BackgroundList().Name(i)), ".png", Fallback("background", i), Png(*background->Image));
    a.Sounds.resize(static_cast<std::size_t>(SoundList().Count()));
    for (int i = 0; i < SoundList().Count(); ++i)
        if (const CSound* sound = SoundList().Get(i); sound != nullptr && sound->SoundKind != -1)
            a.Sounds[static_cast<std::size_t>(i)] =
                plan.File("sounds", Utf8(SoundList().Name(i)), std::string(".") + SoundFormat(sound->SoundData),
                          Fallback("sound", i), Bytes(sound->SoundData));
    a.Scripts.resize(static_cast<std::size_t>(ScriptList().Count()));
    for (int i = 0; i < ScriptList().Count(); ++i)
        if (const CScript* script = ScriptList().Get(i); script != nullptr)
            a.Scripts[static_cast<std::size_t>(i)] = plan.File("scripts", Utf8(ScriptList().Name(i)), ".txt",
                                                              Fallback("script", i), Text(Utf8(script->ScriptText)));
    a.DataFiles.resize(static_cast<std::size_t>(DataFileList().Count()));
    for (int i = 0; i < DataFileList().Count(); ++i) {
        const CDataFile* dataFile = DataFileList().Get(i);
        if (dataFile == nullptr || !dataFile->HasData)
            continue;
        // Under the name the game exports it as; the resource's name when
        // the file name is empty.
        const std::string name = Utf8(dataFile->FileName.empty() ? DataFileList().Name(i) : dataFile->FileName);
        a.DataFiles[static_cast<std::size_t>(i)] =
            plan.File("datafiles", name, "", Fallback("datafile", i), Bytes(dataFile->Data));
    }

    const CGameOptions& o = GameOptions();
    if (!o.Icon.empty())
        a.Icon = plan.File("game", "icon", ".ico", "", Bytes(o.Icon));
    if (o.LoadingImage)
        a.LoadingImage = plan.File("game", "loading", ".png", "", Png(*o.LoadingImage));
    if (o.BarBackImage)
        a.BarBackImage = plan.File("game", "bar-back", ".png", "", Png(*o.BarBackImage));
    if (o.BarFrontImage)
        a.BarFrontImage = plan.File("game", "bar-front", ".png", "", Png(*o.BarFrontImage));
    a.InformationRtf = plan.File("game", "information", ".rtf", "", Bytes(GameInformation().Text));
    a.InformationText = plan.File("game", "information", ".txt", "", Text(Utf8(GameInformationPlainText())));
    return a;
}

// ---- project.json -------------------------------------------------------------

// A path, or null for none.
void PathMember(CJsonWriter& j, std::string_view key, const std::string& path) {
    j.Key(key);
    if (path.empty())
        j.Null();
    else
        j.Text(path);
}

// A reference to a slot: null for none (a negative index), else its index
// and the resource's name, or "missing": true when the slot holds nothing.
template <class T>
void ReferenceMember(CJsonWriter& j, std::string_view key, const CResourceList<T>& list, std::int32_t index) {
    j.Key(key);
    if (index < 0) {
        j.Null();
        return;
    }
    j.BeginObject();
    j.Member("index", index);
    if (list.Exists(index)) {
        j.Member("name", Utf8(list.Name(index)));
    } else {
        j.Key("name").Null();
        j.Member("missing", true);
    }
    j.EndObject();
}

// The slots of a list: one object per resource, with its index and name.
template <class T, class F>
void ListMember(CJsonWriter& j, std::string_view key, const CResourceList<T>& list, F describe) {
    j.Key(key).BeginArray();
    for (int i = 0; i < list.Count(); ++i) {
        const T* record = list.Get(i);
        if (record == nullptr)
            continue;
        j.BeginObject();
        j.Member("index", i);
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
        j.Member("LibraryId", a.LibraryId);
        j.Member("ActionId", a.ActionId);
        j.Member("DefValue1", a.DefValue1);
        j.Member("DefFlag1", a.DefFlag1);
        j.Member("DefFlag2", a.DefFlag2);
        j.Member("DefFlag3", a.DefFlag3);
        j.Member("DefValue2", a.DefValue2);
        j.Member("DefText1", Utf8(a.DefText1.View()));
        j.Member("DefText2", Utf8(a.DefText2.View()));
        j.Member("DefValue3", a.DefValue3);
        j.Key("ArgumentKinds").BeginArray();
        for (const std::int32_t kind : a.ArgumentKinds)
            j.Number(kind);
        j.EndArray();
        j.Member("Selector", a.Selector);
        j.Member("ActionFlag", a.ActionFlag);
        j.Key("Arguments").BeginArray();
        for (const CCompactString& argument : a.Arguments)
            j.Text(Utf8(argument.View()));
        j.EndArray();
        j.Member("TailFlag", a.TailFlag);
        j.EndObject();
    }
    j.EndArray();
}

void OptionsMember(CJsonWriter& j, const CAssets& a) {
    const CGameOptions& o = GameOptions();
    j.Key("options").BeginObject();
    const std::pair<const char*, bool> flags[] = {
        {"OptionFlag1", o.OptionFlag1},   {"OptionFlag2", o.OptionFlag2},   {"OptionFlag3", o.OptionFlag3},
        {"OptionFlag4", o.OptionFlag4},   {"OptionFlag5", o.OptionFlag5},   {"OptionFlag6", o.OptionFlag6},
        {"OptionFlag7", o.OptionFlag7},   {"OptionFlag8", o.OptionFlag8},   {"OptionFlag9", o.OptionFlag9},
        {"OptionFlag10", o.OptionFlag10}, {"OptionFlag11", o.OptionFlag11}, {"OptionFlag12", o.OptionFlag12},
        {"OptionFlag13", o.OptionFlag13}, {"OptionFlag14", o.OptionFlag14}};
    for (const auto& [key, value] : flags)
        j.Member(key, value);
    j.Member("WindowScale", o.WindowScale);
    j.Member("FullScale", o.FullScale);
    j.Member("SetResolution", o.SetResolution);
    j.Member("ExclusiveMode", o.ExclusiveMode);
    j.Member("ColorDepth", o.ColorDepth);
    j.Member("color depth", ColorDepthWords(o.ColorDepth));
    j.Member("Resolution", o.Resolution);
    j.Member("resolution", ResolutionWords(o.Resolution));
    j.Member("Frequency", o.Frequency);
    j.Member("frequency", FrequencyWords(o.Frequency));
    j.Member("ProgressBarKind", o.ProgressBarKind);
    j.Member("progress bar", ProgressBarWords(o.ProgressBarKind));
    PathMember(j, "BarBackImage", a.BarBackImage);
    PathMember(j, "BarFrontImage", a.BarFrontImage);
    j.Member("ShowLoadImage", o.ShowLoadImage);
    PathMember(j, "LoadingImage", a.LoadingImage);
    PathMember(j, "Icon", a.Icon);
    j.Member("DisplayErrors", o.DisplayErrors);
    j.Member("WriteErrors", o.WriteErrors);
    j.Member("AbortErrors", o.AbortErrors);
    j.Member("VariableErrors", o.VariableErrors);
    j.Member("Author", Utf8(o.Author));
    j.Member("GameVersion", o.GameVersion);
    j.Member("LastChanged", o.LastChanged);
    j.Member("last changed", DateTimeToText(o.LastChanged));
    j.Member("Information", Utf8(o.Information));
    j.EndObject();
}

void RoomsMember(CJsonWriter& j) {
    ListMember(j, "rooms", RoomList(), [&](const CRoom& r, std::size_t) {
        j.Member("Caption", Utf8(r.Caption));
        j.Member("Width", r.Width);
        j.Member("Height", r.Height);
        j.Member("SnapX", r.SnapX);
        j.Member("SnapY", r.SnapY);
        j.Member("Speed", r.Speed);
        j.Member("RoomFlag", r.RoomFlag);
        j.Member("BackColor", r.BackColor);
        j.Member("BackColorFlag", r.BackColorFlag);
        j.Member("Code", Utf8(r.Code));
        j.Key("layers").BeginArray();
        for (const CRoomLayer& l : r.Layers) {
            j.BeginObject();
            j.Member("Visible", l.Visible);
            j.Member("LayerFlag", l.LayerFlag);
            ReferenceMember(j, "background", BackgroundList(), l.BackgroundIndex);
            j.Member("X", l.X);
            j.Member("Y", l.Y);
            j.Member("TileH", l.TileH);
            j.Member("TileV", l.TileV);
            j.Member("SpeedH", l.SpeedH);
            j.Member("SpeedV", l.SpeedV);
            j.EndObject();
        }
        j.EndArray();
        j.Member("ViewsEnabled", r.ViewsEnabled);
        j.Key("views").BeginArray();
        for (const CRoomView& v : r.Views) {
            j.BeginObject();
            j.Member("Visible", v.Visible);
            const std::pair<const char*, std::int32_t> values[] = {
                {"ViewX", v.ViewX},     {"ViewY", v.ViewY},     {"ViewWidth", v.ViewWidth}, {"ViewHeight", v.ViewHeight},
                {"PortX", v.PortX},     {"PortY", v.PortY},     {"BorderH", v.BorderH},     {"BorderV", v.BorderV},
                {"SpeedH", v.SpeedH},   {"SpeedV", v.SpeedV}};
            for (const auto& [key, value] : values)
                j.Member(key, value);
            ReferenceMember(j, "follow object", ObjectList(), v.FollowObject);
            j.EndObject();
        }
        j.EndArray();
        j.Key("instances").BeginArray();
        for (const CRoomInstance& instance : r.Instances) {
            j.BeginObject();
            j.Member("X", instance.X);
            j.Member("Y", instance.Y);
            ReferenceMember(j, "object", ObjectList(), instance.ObjectIndex);
            j.Member("Id", instance.Id);
            j.Member("Code", Utf8(instance.Code));
            j.Member("InstanceFlag", instance.InstanceFlag);
            j.EndObject();
        }
        j.EndArray();
        j.Key("tiles").BeginArray();
        for (const CRoomTile& t : r.Tiles) {
            j.BeginObject();
            j.Member("X", t.X);
            j.Member("Y", t.Y);
            ReferenceMember(j, "background", BackgroundList(), t.BackgroundIndex);
            const std::pair<const char*, std::int32_t> values[] = {{"SourceX", t.SourceX}, {"SourceY", t.SourceY},
                                                                   {"Width", t.Width},     {"Height", t.Height},
                                                                   {"Depth", t.Depth},     {"Id", t.Id}};
            for (const auto& [key, value] : values)
                j.Member(key, value);
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
    j.Member("InstanceIdCounter", InstanceIdCounter());
    j.Member("TileIdCounter", TileIdCounter());
}

// The name of the resource a tree entry stands for, if it exists.
std::optional<std::string> TreeResourceName(std::int32_t kind, std::int32_t index) {
    auto name = [index](const auto& list) -> std::optional<std::string> {
        if (!list.Exists(index))
            return std::nullopt;
        return Utf8(list.Name(index));
    };
    switch (kind) {
    case KindObjects: return name(ObjectList());
    case KindSprites: return name(SpriteList());
    case KindSounds: return name(SoundList());
    case KindRooms: return name(RoomList());
    case KindBackgrounds: return name(BackgroundList());
    case KindScripts: return name(ScriptList());
    case KindPaths: return name(PathList());
    case KindDataFiles: return name(DataFileList());
    case KindTimeLines: return name(TimeLineList());
    default: return std::nullopt;
    }
}

// The tree as a flat list in reading order, each node naming its parent:
// files nest groups a hundred thousand deep, which no JSON reader should
// have to recurse through.
void TreeMember(CJsonWriter& j) {
    j.Key("tree").BeginArray();
    std::int64_t next = 0;
    struct CPending {
        const CTreeNode* Node;
        std::int64_t Parent;
        std::int64_t Depth;
    };
    std::vector<CPending> pending;
    const auto& top = ResourceTree().Items();
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
        j.Member("NodeKind", r.NodeKind);
        j.Member("ResourceKind", r.ResourceKind);
        j.Member("ResourceIndex", r.ResourceIndex);
        if (r.NodeKind == ResourceNode) {
            const std::optional<std::string> name = TreeResourceName(r.ResourceKind, r.ResourceIndex);
            j.Key("resource");
            if (name)
                j.Text(*name);
            else
                j.Null();
            if (!name)
                j.Member("missing", true);
        }
        j.EndObject();
        const auto& children = item.Node->Children;
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({child->get(), id, item.Depth + 1});
    }
    j.EndArray();
}

void WriteProjectJson(std::ostream& out, const std::string& source, const CAssets& a) {
    CJsonWriter j(out);
    j.BeginObject();
    j.Member("file", source);
    j.Member("GameId", GameId());
    j.Member("GameGuid", GuidText(GameGuid()));
    j.Key("counts").BeginObject();
    for (const auto& count : ResourceCounts())
        j.Member(count.Kind, count.Count);
    j.EndObject();
    OptionsMember(j, a);

    ListMember(j, "sprites", SpriteList(), [&](const CSprite& s, std::size_t i) {
        j.Member("Width", s.Width);
        j.Member("Height", s.Height);
        j.Key("Bounds").BeginObject();
        j.Member("Left", s.Bounds.Left);
        j.Member("Top", s.Bounds.Top);
        j.Member("Right", s.Bounds.Right);
        j.Member("Bottom", s.Bounds.Bottom);
        j.EndObject();
        j.Member("Transparent", s.Transparent);
        j.Member("SpriteValue1", s.SpriteValue1);
        j.Member("SpriteFlag1", s.SpriteFlag1);
        j.Member("SpriteFlag2", s.SpriteFlag2);
        j.Member("SpriteFlag3", s.SpriteFlag3);
        j.Member("SpriteValue2", s.SpriteValue2);
        j.Member("SpriteValue3", s.SpriteValue3);
        j.Key("subimages").BeginArray();
        for (const std::string& path : a.SpriteImages[i])
            j.Text(path);
        j.EndArray();
    });
    ListMember(j, "sounds", SoundList(), [&](const CSound& s, std::size_t i) {
        j.Member("SoundKind", s.SoundKind);
        j.Member("SoundText", Utf8(s.SoundText));
        PathMember(j, "data", a.Sounds[i]);
        if (s.SoundKind != -1) {
            j.Member("format", SoundFormatWords(s.SoundData));
            j.Member("bytes", s.SoundData.size());
        }
        j.Member("SoundFlag1", s.SoundFlag1);
        j.Member("SoundValue", s.SoundValue);
        j.Member("SoundFlag2", s.SoundFlag2);
    });
    ListMember(j, "backgrounds", BackgroundList(), [&](const CBackground& b, std::size_t i) {
        j.Member("Width", b.Width);
        j.Member("Height", b.Height);
        j.Member("Transparent", b.Transparent);
        j.Member("BackgroundFlag1", b.BackgroundFlag1);
        j.Member("BackgroundFlag2", b.BackgroundFlag2);
        PathMember(j, "image", a.Backgrounds[i]);
    });
    ListMember(j, "paths", PathList(), [&](const CPath& p, std::size_t) {
        j.Member("ConnectionKind", p.ConnectionKind);
        j.Member("connection", PathConnectionWords(p.ConnectionKind));
        j.Member("EndAction", p.EndAction);
        j.Member("end", PathEndWords(p.EndAction));
        j.Member("SmoothingDepth", p.SmoothingDepth);
        j.Member("Length", p.Length);
        j.Key("points").BeginArray();
        for (const PathPoint& point : p.Points) {
            j.BeginObject();
            j.Member("X", point.X);
            j.Member("Y", point.Y);
            j.Member("Speed", point.Speed);
            j.EndObject();
        }
        j.EndArray();
    });
    ListMember(j, "scripts", ScriptList(), [&](const CScript& s, std::size_t i) {
        j.Member("text", a.Scripts[i]);
        j.Member("characters", s.ScriptText.size());
    });
    ListMember(j, "data files", DataFileList(), [&](const CDataFile& d, std::size_t i) {
        j.Member("FileName", Utf8(d.FileName));
        j.Member("HasData", d.HasData);
        PathMember(j, "data", a.DataFiles[i]);
        if (d.HasData)
            j.Member("bytes", d.Data.size());
        j.Member("ExportMode", d.ExportMode);
        j.Member("export", ExportModeWords(d.ExportMode));
        j.Member("DataFileFlag1", d.DataFileFlag1);
        j.Member("DataFileFlag2", d.DataFileFlag2);
        j.Member("DataFileFlag3", d.DataFileFlag3);
    });
    ListMember(j, "time lines", TimeLineList(), [&](const CTimeLine& t, std::size_t) {
        j.Key("moments").BeginArray();
        for (std::size_t k = 0; k < t.Moments.size(); ++k) {
            j.BeginObject();
            j.Member("moment", t.Moments[k]);
            ActionsMember(j, *t.Events[k]);
            j.EndObject();
        }
        j.EndArray();
    });
    ListMember(j, "objects", ObjectList(), [&](const CObject& o, std::size_t) {
        ReferenceMember(j, "sprite", SpriteList(), o.SpriteIndex);
        j.Member("ObjectFlag1", o.ObjectFlag1);
        j.Member("ObjectFlag2", o.ObjectFlag2);
        j.Member("ObjectValue", o.ObjectValue);
        j.Member("ObjectFlag3", o.ObjectFlag3);
        ReferenceMember(j, "related object", ObjectList(), o.RelatedObjectIndex == NoRelatedObject ? -1 : o.RelatedObjectIndex);
        ReferenceMember(j, "second sprite", SpriteList(), o.SecondSpriteIndex);
        j.Key("events").BeginArray();
        for (int row = 0; row < EventRowCount; ++row)
            for (const auto& [number, event] : o.Row(row).Events()) {
                if (event->Empty())
                    continue;
                j.BeginObject();
                j.Member("row", row);
                j.Member("number", number);
                // Row 4's numbers name objects.
                if (row == ObjectEventRow)
                    ReferenceMember(j, "object", ObjectList(), number);
                ActionsMember(j, *event);
                j.EndObject();
            }
        j.EndArray();
    });
    RoomsMember(j);

    j.Key("game information").BeginObject();
    j.Member("BackgroundColor", GameInformation().BackgroundColor);
    j.Member("background colour", ColourText(GameInformation().BackgroundColor));
    j.Member("MimicMainForm", GameInformation().MimicMainForm);
    j.Member("rtf", a.InformationRtf);
    j.Member("text", a.InformationText);
    j.EndObject();

    TreeMember(j);
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
    "ul.tree{list-style:none;padding-left:1.2em}.missing{color:#a00}";

template <class T>
void PageCount(std::ostream& out, const char* kind, const char* anchor, const CResourceList<T>& list) {
    out << "<tr><th><a href=\"#" << anchor << "\">" << kind << "</a></th><td>" << ResourceCount(list) << "</td></tr>\n";
}

template <class T>
std::string PageReference(const CResourceList<T>& list, std::int32_t index) {
    const std::string words = Html(ReferenceWords(list, index));
    return DanglingReference(index, list.Exists(index)) ? "<span class=\"missing\">" + words + "</span>" : words;
}

void PageTree(std::ostream& out) {
    // Walked with a stack; every group opens a list that its last child
    // closes.
    out << "<ul class=\"tree\">\n";
    struct CPending {
        const CTreeNode* Node;
        bool Close;  // closes a group's list instead
    };
    std::vector<CPending> pending;
    const auto& top = ResourceTree().Items();
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
            const bool exists = TreeResourceName(node.Resource.ResourceKind, node.Resource.ResourceIndex).has_value();
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

void WriteIndexHtml(std::ostream& out, const std::string& source, const CAssets& a) {
    const CGameOptions& o = GameOptions();
    const std::string title = Html(source);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<title>" << title << "</title>\n<style>" << PageStyle << "</style>\n</head>\n<body>\n"
        << "<h1>" << title << "</h1>\n<p>Game id " << GameId() << ", author " << Html(Utf8(o.Author))
        << ", game version " << o.GameVersion << ", last changed " << DateTimeToText(o.LastChanged)
        << ". The whole project is described in <a href=\"project.json\">project.json</a>.</p>\n";

    out << "<table>\n";
    PageCount(out, "Sprites", "sprites", SpriteList());
    PageCount(out, "Sounds", "sounds", SoundList());
    PageCount(out, "Backgrounds", "backgrounds", BackgroundList());
    PageCount(out, "Paths", "paths", PathList());
    PageCount(out, "Scripts", "scripts", ScriptList());
    PageCount(out, "Data files", "datafiles", DataFileList());
    PageCount(out, "Time lines", "timelines", TimeLineList());
    PageCount(out, "Objects", "objects", ObjectList());
    PageCount(out, "Rooms", "rooms", RoomList());
    out << "</table>\n<p id=\"pictures\"></p>\n";

    out << "<h2 id=\"sprites\">Sprites</h2>\n";
    for (int i = 0; i < SpriteList().Count(); ++i) {
        const CSprite* s = SpriteList().Get(i);
        if (s == nullptr)
            continue;
        const std::string name = Html(Utf8(SpriteList().Name(i)));
        out << "<figure>";
        for (const std::string& path : a.SpriteImages[static_cast<std::size_t>(i)])
            out << "<img src=\"" << Url(path) << "\" alt=\"" << name << "\">";
        out << "<figcaption>" << name << " (" << s->Width << " x " << s->Height << ", " << s->Images.size()
            << " subimages)</figcaption></figure>\n";
    }
    out << "<h2 id=\"backgrounds\">Backgrounds</h2>\n";
    for (int i = 0; i < BackgroundList().Count(); ++i) {
        const CBackground* b = BackgroundList().Get(i);
        if (b == nullptr)
            continue;
        const std::string name = Html(Utf8(BackgroundList().Name(i)));
        const std::string& path = a.Backgrounds[static_cast<std::size_t>(i)];
        out << "<figure>";
        if (!path.empty())
            out << "<img src=\"" << Url(path) << "\" alt=\"" << name << "\">";
        out << "<figcaption>" << name << " (" << b->Width << " x " << b->Height
            << (path.empty() ? ", no image" : "") << ")</figcaption></figure>\n";
    }
    out << "<h2 id=\"sounds\">Sounds</h2>\n<table>\n<tr><th>Name</th><th>Data</th><th>Bytes</th><th></th></tr>\n";
    for (int i = 0; i < SoundList().Count(); ++i) {
        const CSound* s = SoundList().Get(i);
        if (s == nullptr)
            continue;
        const std::string& path = a.Sounds[static_cast<std::size_t>(i)];
        out << "<tr><td>" << Html(Utf8(SoundList().Name(i))) << "</td>";
        if (path.empty()) {
            out << "<td>none</td><td></td><td></td></tr>\n";
            continue;
        }
        const std::string format = SoundFormat(s->SoundData);
        out << "<td>" << SoundFormatWords(s->SoundData) << "</td><td>" << s->SoundData.size() << "</td><td>";
        if (format == "wav" || format == "mp3")
            out << "<audio controls preload=\"none\" src=\"" << Url(path) << "\"></audio>";
        out << " <a href=\"" << Url(path) << "\">file</a></td></tr>\n";
    }
    out << "</table>\n<h2 id=\"paths\">Paths</h2>\n<table>\n"
        << "<tr><th>Name</th><th>Points</th><th>Connection</th><th>At the end</th><th>Length</th></tr>\n";
    for (int i = 0; i < PathList().Count(); ++i)
        if (const CPath* p = PathList().Get(i); p != nullptr)
            out << "<tr><td>" << Html(Utf8(PathList().Name(i))) << "</td><td>" << p->PointCount() << "</td><td>"
                << PathConnectionWords(p->ConnectionKind) << "</td><td>" << Html(PathEndWords(p->EndAction))
                << "</td><td>" << p->Length << "</td></tr>\n";
    out << "</table>\n<h2 id=\"scripts\">Scripts</h2>\n";
    for (int i = 0; i < ScriptList().Count(); ++i)
        if (const CScript* s = ScriptList().Get(i); s != nullptr)
            out << "<details><summary>" << Html(Utf8(ScriptList().Name(i))) << " (<a href=\""
                << Url(a.Scripts[static_cast<std::size_t>(i)]) << "\">file</a>)</summary><pre>"
                << Html(Utf8(s->ScriptText)) << "</pre></details>\n";
    out << "<h2 id=\"datafiles\">Data files</h2>\n<table>\n"
        << "<tr><th>Name</th><th>File name</th><th>Bytes</th><th>Export</th></tr>\n";
    for (int i = 0; i < DataFileList().Count(); ++i) {
        const CDataFile* d = DataFileList().Get(i);
        if (d == nullptr)
            continue;
        const std::string& path = a.DataFiles[static_cast<std::size_t>(i)];
        out << "<tr><td>" << Html(Utf8(DataFileList().Name(i))) << "</td><td>";
        if (path.empty())
            out << Html(Utf8(d->FileName)) << "</td><td>no data";
        else
            out << "<a href=\"" << Url(path) << "\">" << Html(Utf8(d->FileName)) << "</a></td><td>" << d->Data.size();
        out << "</td><td>" << Html(ExportModeWords(d->ExportMode)) << "</td></tr>\n";
    }
    out << "</table>\n<h2 id=\"timelines\">Time lines</h2>\n<table>\n<tr><th>Name</th><th>Moments</th></tr>\n";
    for (int i = 0; i < TimeLineList().Count(); ++i)
        if (const CTimeLine* t = TimeLineList().Get(i); t != nullptr)
            out << "<tr><td>" << Html(Utf8(TimeLineList().Name(i))) << "</td><td>" << t->Count() << "</td></tr>\n";
    out << "</table>\n<h2 id=\"objects\">Objects</h2>\n<table>\n"
        << "<tr><th>Name</th><th>Sprite</th><th>Events</th><th>Actions</th></tr>\n";
    for (int i = 0; i < ObjectList().Count(); ++i) {
        const CObject* o2 = ObjectList().Get(i);
        if (o2 == nullptr)
            continue;
        const CEventCounts counts = CountEvents(*o2);
        out << "<tr><td>" << Html(Utf8(ObjectList().Name(i))) << "</td><td>" << PageReference(SpriteList(), o2->SpriteIndex)
            << "</td><td>" << counts.Events << "</td><td>" << counts.Actions << "</td></tr>\n";
    }
    out << "</table>\n<h2 id=\"rooms\">Rooms</h2>\n<table>\n"
        << "<tr><th>Name</th><th>Caption</th><th>Size</th><th>Instances</th><th>Tiles</th></tr>\n";
    for (int i = 0; i < RoomList().Count(); ++i)
        if (const CRoom* r = RoomList().Get(i); r != nullptr)
            out << "<tr><td>" << Html(Utf8(RoomList().Name(i))) << "</td><td>" << Html(Utf8(r->Caption)) << "</td><td>"
                << r->Width << " x " << r->Height << "</td><td>" << r->Instances.size() << "</td><td>"
                << r->Tiles.size() << "</td></tr>\n";
    out << "</table>\n<h2>Game information</h2>\n<p><a href=\"" << Url(a.InformationRtf)
        << "\">As formatted text</a></p>\n<pre>" << Html(Utf8(GameInformationPlainText())) << "</pre>\n";
    out << "<h2>Game options</h2>\n<p>Loading progress bar: " << Html(ProgressBarWords(o.ProgressBarKind))
        << "; resolution " << Html(ResolutionWords(o.Resolution)) << ", colour depth "
        << Html(ColorDepthWords(o.ColorDepth)) << ", frequency " << Html(FrequencyWords(o.Frequency))
        << ".</p>\n";
    const std::pair<const char*, const std::string*> pictures[] = {{"Icon", &a.Icon},
                                                                   {"Loading image", &a.LoadingImage},
                                                                   {"Progress bar back", &a.BarBackImage},
                                                                   {"Progress bar front", &a.BarFrontImage}};
    for (const auto& [caption, path] : pictures)
        if (!path->empty())
            out << "<figure><img src=\"" << Url(*path) << "\" alt=\"" << caption << "\"><figcaption>" << caption
                << "</figcaption></figure>\n";
    out << "<h2>Resource tree</h2>\n";
    PageTree(out);
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

int RunExtract(const std::string& fileName, const std::string& folder, bool replace, std::ostream& err) {
    // The file is read into a project of its own, which goes with it; its
    // messages go where the tool's do.
    CProject project;
    project.Core.Feedback = GetFeedback();
    CProjectScope scope(project.Parts());
    if (!LoadGameFile(fileName))
        return 1;
    CPlan plan;
    const CAssets assets = PlanAssets(plan);
    std::string source = fileName.substr(fileName.find_last_of('/') + 1);
    plan.Files.push_back({"", "project.json", [&](std::ostream& out) { WriteProjectJson(out, source, assets); }});
    plan.Files.push_back({"", "index.html", [&](std::ostream& out) { WriteIndexHtml(out, source, assets); }});

    try {
        const COutputFolder root(folder);
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
                chain.emplace_back(parts[k], parent.Subfolder(parts[k]));
            }
            return chain.empty() ? root : chain.back().second;
        };
        for (const CFile& file : plan.Files)
            open(file.Folder).WriteFile(file.Name, replace, file.Write);
    } catch (const std::exception& error) {
        err << "Failed to extract the project.\n  " << error.what() << "\n";
        return 1;
    }
    return 0;
}
