#include "testkit/ExpectedConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <utility>
#include <ostream>

#include "format/core/Support_Platform.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "testkit/ProjectReader.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace project {

namespace {

std::int32_t Norm(std::int32_t stored) { return stored > 0 ? 1 : 0; }

// Old action number (1..69) -> new action id of library 1.
constexpr std::int32_t Translation[69] = {
    101, 113, 114, 109, 111, 115, 103, 104, 107, 108, 102, 301, 201, 203, 202, 204, 211, 321, 701, 706, 224, 332, 302,
    425, 401, 404, 403, 402, 407, 408, 421, 422, 424, 603, 611, 501, 514, 523, 212, 117, 221, 222, 601, 511, 512, 513,
    521, 522, 110, 105, 205, 711, 223, 502, 405, 213, 333, 334, 423, 331, 322, 531, 409, 410, 604, 605, 118, 612, 613,
};

std::optional<TPicture> Converted(const TPicture& picture) {
    if (picture.Scheme == -1)
        return std::nullopt;
    TPicture result = picture;
    result.Scheme = 10;
    result.Block.clear();
    return result;
}

std::optional<TPicture> Converted(const std::optional<TPicture>& picture) {
    return picture ? Converted(*picture) : std::nullopt;
}

template <class T>
bool Exists(const TList<T>& list, std::int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < list.Slots.size() &&
           list.Slots[static_cast<std::size_t>(index)].has_value();
}

class TConverter {
public:
    explicit TConverter(const TProject& source) : S(source) {}

    TExpectation Run();

private:
    TAction Action(const TAction& a);
    TEvent Event(const TEvent& e);
    TObject Object(const TObject& o);
    TRoom Room(const TRoom& r);
    TOptions Options(const TOptions& o);
    TTree Tree(const TTree& t);

    const TProject& S;
    std::vector<std::string> FMessages;
};

TAction TConverter::Action(const TAction& a) {
    TAction r;  // every argument "0", every definition value zero
    r.TailFlag = 0;
    r.Selector = a.Selector;
    r.ActionFlag = Norm(a.ActionFlag);
    std::int32_t library = a.LibraryId;
    std::int32_t id = a.ActionId;
    if (a.Tag == 400) {
        library = 0;
    } else if (a.Tag == 440) {
        r.DefValue1 = a.DefValue1;
        r.DefFlag1 = Norm(a.DefFlag1);
        r.DefFlag2 = Norm(a.DefFlag2);
        r.DefFlag3 = Norm(a.DefFlag3);
        r.DefValue2 = a.DefValue2;
        r.DefText1 = a.DefText1;
        r.DefText2 = a.DefText2;
        r.DefValue3 = a.DefValue3;
        for (std::size_t i = 0; i < std::min<std::size_t>(8, a.ArgumentKinds.size()); ++i)
            r.ArgumentKinds[i] = a.ArgumentKinds[i];
        r.TailFlag = Norm(a.TailFlag);
    } else {
        // An unknown tag: the action keeps its defaults and is translated
        // (and complained about) only when it is saved.
        r.Selector = -1;
        r.ActionFlag = 0;
        r.LibraryId = 1;
        r.ActionId = 0;
        FMessages.push_back("@save:Failed to convert old action number: 0");
        return r;
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(8, a.Arguments.size()); ++i)
        r.Arguments[i] = a.Arguments[i];
    if (a.Tag == 400)
        r.TailFlag = r.Arguments[7] == "1" ? 1 : 0;
    if (library == 0) {
        bool known = false;
        id = TranslatedActionId(id, &known);
        if (!known)
            FMessages.push_back("Failed to convert old action number: " + std::to_string(a.ActionId));
        library = 1;
    }
    r.LibraryId = library;
    r.ActionId = id;
    return r;
}

TEvent TConverter::Event(const TEvent& e) {
    TEvent r;
    if (e.Tag != 400)
        return r;  // refused: the event stays empty
    for (const TAction& action : e.Actions)
        r.Actions.push_back(Action(action));
    return r;
}

TObject TConverter::Object(const TObject& o) {
    TObject r;
    r.SpriteIndex = Exists(S.Sprites, o.SpriteIndex) ? o.SpriteIndex : -1;
    r.Flag1 = Norm(o.Flag1);
    r.Flag2 = Norm(o.Flag2);
    r.Value = o.Value;
    r.Flag3 = Norm(o.Flag3);
    r.RelatedObjectIndex = Exists(S.Objects, o.RelatedObjectIndex) ? o.RelatedObjectIndex : -100;
    r.SecondSpriteIndex = Exists(S.Sprites, o.SecondSpriteIndex) ? o.SecondSpriteIndex : -1;
    // Events are placed by number; a number read twice keeps the later event.
    std::vector<std::map<std::int32_t, TEvent, std::greater<>>> rows(11);
    for (std::size_t row = 0; row < o.Rows.size(); ++row) {
        for (const TNumberedEvent& entry : o.Rows[row]) {
            if (row > 10)
                throw std::logic_error("an event in a row above 10 cannot be converted");
            rows[row][entry.Number] = Event(entry.Event);
        }
    }
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (auto& [number, event] : rows[row]) {
            if (row == 4 && !Exists(S.Objects, number))
                continue;  // a collision with an object that is gone
            if (!event.Actions.empty())
                r.Rows[row].push_back(TNumberedEvent{number, std::move(event)});
        }
    }
    return r;
}

TRoom TConverter::Room(const TRoom& s) {
    TRoom r;
    const std::int32_t v = s.Version;
    r.Caption = s.Caption;
    r.Width = s.Width;
    r.Height = s.Height;
    r.SnapX = s.SnapX;
    r.SnapY = s.SnapY;
    r.Speed = s.Speed;
    r.RoomFlag = Norm(s.RoomFlag);
    r.BackColor = s.BackColor;
    r.BackColorFlag = Norm(s.BackColorFlag);
    if (v >= 411)
        r.Code = s.Code;
    for (std::size_t i = 0; i < std::min<std::size_t>(8, s.Layers.size()); ++i) {
        TLayer l = s.Layers[i];
        for (std::int32_t* flag : {&l.Visible, &l.LayerFlag, &l.TileH, &l.TileV})
            *flag = Norm(*flag);
        r.Layers[i] = l;
    }
    r.ViewsEnabled = Norm(s.ViewsEnabled);
    for (std::size_t i = 0; i < std::min<std::size_t>(8, s.Views.size()); ++i) {
        r.Views[i] = s.Views[i];
        r.Views[i].Visible = Norm(s.Views[i].Visible);
    }
    for (const TInstance& instance : s.Instances) {
        if (!Exists(S.Objects, instance.ObjectIndex))
            continue;
        TInstance kept = instance;
        if (v < 500) {
            kept.Code.clear();
            kept.InstanceFlag = 0;
        }
        kept.InstanceFlag = Norm(kept.InstanceFlag);
        r.Instances.push_back(kept);
    }
    if (v >= 420)
        for (const TTile& tile : s.Tiles)
            if (Exists(S.Backgrounds, tile.Values[2]))
                r.Tiles.push_back(tile);
    if (v >= 500) {
        r.Settings = s.Settings;
        // bool, int, int, nine bools, bool, seven int
        for (std::size_t i : {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})
            r.Settings[i] = Norm(r.Settings[i]);
    }
    return r;
}

TOptions TConverter::Options(const TOptions& o) {
    const std::int32_t v = o.Version;
    TOptions r;
    r.Version = 500;
    for (std::size_t i = 0; i < 14; ++i)
        r.Flags[i] = Norm(o.Flags[i]);
    if (v < 411)
        r.Flags[1] = 0;
    if (v < 420)
        r.Flags[3] = 1;
    if (v < 500)
        r.Flags[6] = 0;
    r.WindowScale = v >= 420 ? o.WindowScale : 100;
    r.FullScale = v >= 420 ? o.FullScale : (o.FullMaxSwitch > 0 ? 0 : 100);
    r.ExclusiveMode = Norm(o.ExclusiveMode);
    r.SetResolution = v >= 420 ? Norm(o.SetResolution) : r.ExclusiveMode;
    r.ColorDepth = o.ColorDepth;
    r.Resolution = o.Resolution;
    r.Frequency = v >= 420 ? o.Frequency : 4;
    r.ProgressBarKind = v >= 411 ? o.ProgressBarKind : Norm(o.ProgressBarKind);
    if (r.ProgressBarKind == 2) {
        r.BarBackImage = Converted(o.BarBackImage);
        r.BarFrontImage = Converted(o.BarFrontImage);
    }
    r.ShowLoadImage = Norm(o.ShowLoadImage);
    if (r.ShowLoadImage == 1)
        r.LoadingImage = Converted(o.LoadingImage);
    if (v >= 410)
        r.Icon = o.Icon ? *o.Icon : TestIcon();
    else
        r.Icon = std::nullopt;  // the default game icon
    if (v >= 420)
        for (std::size_t i = 0; i < 4; ++i)
            r.Errors[i] = Norm(o.Errors[i]);
    if (v >= 441) {
        r.Author = o.Author;
        r.GameVersion = o.GameVersion;
        r.Information = o.Information;
    }
    return r;
}

TTree TConverter::Tree(const TTree& t) {
    TTree r;
    const std::vector<TNode> defaults = DefaultTopLevel(500);
    std::size_t next = 0;
    for (const TNode& entry : defaults) {
        const std::int32_t from = entry.ResourceKind == 8    ? 420
                                  : entry.ResourceKind == 9  ? 440
                                  : entry.ResourceKind == 12 ? 500
                                                             : 400;
        r.TopLevel.push_back(t.Version >= from ? t.TopLevel.at(next++) : entry);
    }
    // The room order: depth first under Rooms; an entry is not descended into.
    std::vector<const TNode*> pending;
    const TNode& rooms = r.TopLevel[8];
    for (auto child = rooms.Children.rbegin(); child != rooms.Children.rend(); ++child)
        pending.push_back(&*child);
    while (!pending.empty()) {
        const TNode* node = pending.back();
        pending.pop_back();
        if (node->NodeKind == 3) {
            r.RoomOrder.push_back(node->ResourceIndex);
            continue;
        }
        for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
            pending.push_back(&*child);
    }
    return r;
}

template <class T, class F>
TList<T> ConvertList(const TList<T>& list, std::int32_t version, F convert) {
    TList<T> r{version, {}};
    for (const auto& slot : list.Slots) {
        if (slot)
            r.Add(slot->Name, convert(slot->Record));
        else
            r.AddEmpty();
    }
    return r;
}

TExpectation TConverter::Run() {
    TExpectation x;
    TProject& p = x.Project;
    const std::int32_t v = S.Version;
    p.Version = 500;
    p.Flag = 0;
    p.GameId = S.GameId;
    p.Guid = S.Guid;
    x.GuidKnown = v >= 410;

    p.Options = Options(S.Options);
    p.Sounds = ConvertList(S.Sounds, 400, [](const TSound& s) {
        TSound r = s;
        r.Version = 440;
        if (s.Kind == -1)
            r.Data.clear();
        r.Flag1 = Norm(s.Flag1);
        r.Flag2 = Norm(s.Flag2);
        return r;
    });
    p.Sprites = ConvertList(S.Sprites, 400, [](const TSprite& s) {
        TSprite r = s;
        for (std::int32_t* flag : {&r.Transparent, &r.Flag1, &r.Flag2, &r.Flag3})
            *flag = Norm(*flag);
        for (TPicture& image : r.Images)
            image.Scheme = 10;
        return r;
    });
    p.Backgrounds = ConvertList(S.Backgrounds, 400, [](const TBackground& s) {
        TBackground r = s;
        for (std::int32_t* flag : {&r.Transparent, &r.Flag1, &r.Flag2, &r.HasImage})
            *flag = Norm(*flag);
        r.Image = r.HasImage ? *Converted(s.Image) : TPicture{};
        return r;
    });
    p.Paths = v >= 420 ? ConvertList(S.Paths, 420, [](const TPath& s) { return s; }) : TList<TPath>{420, {}};
    p.Scripts = ConvertList(S.Scripts, 400, [](const TScript& s) { return s; });
    p.DataFiles = v >= 440 ? ConvertList(S.DataFiles, 440,
                                         [](const TDataFile& s) {
                                             TDataFile r = s;
                                             for (std::int32_t* flag : {&r.HasData, &r.Flag1, &r.Flag2, &r.Flag3})
                                                 *flag = Norm(*flag);
                                             if (!r.HasData)
                                                 r.Data.clear();
                                             return r;
                                         })
                           : TList<TDataFile>{440, {}};
    p.TimeLines = v >= 500 ? ConvertList(S.TimeLines, 500,
                                         [this](const TTimeLine& s) {
                                             TTimeLine r;
                                             for (const TMoment& m : s.Moments)
                                                 r.Moments.push_back(TMoment{m.Moment, Event(m.Event)});
                                             return r;
                                         })
                           : TList<TTimeLine>{500, {}};
    p.Objects = ConvertList(S.Objects, 400, [this](const TObject& o) { return Object(o); });
    p.Rooms.List = ConvertList(S.Rooms.List, 420, [this](const TRoom& r) { return Room(r); });
    p.Rooms.InstanceIdCounter = S.Rooms.InstanceIdCounter;
    p.Rooms.TileIdCounter = S.Rooms.List.Version >= 420 ? S.Rooms.TileIdCounter : 10000000;

    const TGameInformation& g = S.GameInformation;
    p.GameInformation = TGameInformation{430, g.BackgroundColor, g.Version >= 430 ? Norm(g.MimicMainForm) : 0, g.Text};
    const std::string stored(g.Text.begin(), g.Text.end());
    x.GameInformationAsStored = stored.rfind("{\\rtf", 0) == 0;
    x.GameInformationText = stored;

    p.Libraries = TLibraries{};
    p.Tree = Tree(S.Tree);

    // Messages of the load come in file order; those of the save after them.
    for (const std::string& message : FMessages)
        if (message.rfind("@save:", 0) != 0)
            x.Messages.push_back(message);
    for (const std::string& message : FMessages)
        if (message.rfind("@save:", 0) == 0)
            x.Messages.push_back(message.substr(6));
    return x;
}

// Line breaks as one "\n" each, none at the end: a paragraph mark stands
// for whichever break the text held.
std::string TrimLineBreaks(const std::string& stored) {
    std::string text;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\r') {
            text += '\n';
            if (i + 1 < stored.size() && stored[i + 1] == '\n')
                ++i;
        } else {
            text += stored[i];
        }
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

template <class T>
std::string FirstDifference(const TSlot<T>& expected, const TSlot<T>& actual, std::int32_t version) {
    const CBlock x = ListBytes(TList<T>{version, {expected}});
    const CBlock y = ListBytes(TList<T>{version, {actual}});
    std::size_t at = 0;
    while (at < x.size() && at < y.size() && x[at] == y[at])
        ++at;
    auto context = [at](const CBlock& bytes) {
        std::string text;
        const std::size_t from = at >= 8 ? at - 8 : 0;
        for (std::size_t i = from; i < std::min(bytes.size(), at + 12); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, i == at ? "[%02X" : " %02X", bytes[i]);
            text += hex;
        }
        return text;
    };
    return "the record, written alone in its list section, first differs at byte " + std::to_string(at) +
           " (the record starts at byte " + std::to_string(8 + 4 + 4 + expected.Name.size()) +
           ")\n  expected:" + context(x) + "\n  actual:  " + context(y);
}

template <class T>
void ExpectSameList(const char* section, const TList<T>& expected, const TList<T>& actual) {
    SCOPED_TRACE(section);
    EXPECT_EQ(actual.Version, expected.Version);
    ASSERT_EQ(actual.Slots.size(), expected.Slots.size());
    for (std::size_t i = 0; i < expected.Slots.size(); ++i) {
        SCOPED_TRACE("slot " + std::to_string(i));
        ASSERT_EQ(actual.Slots[i].has_value(), expected.Slots[i].has_value());
        if (!expected.Slots[i])
            continue;
        EXPECT_EQ(actual.Slots[i]->Name, expected.Slots[i]->Name);
        EXPECT_TRUE(actual.Slots[i]->Record == expected.Slots[i]->Record)
            << FirstDifference(*expected.Slots[i], *actual.Slots[i], expected.Version);
    }
}

}  // namespace

std::int32_t TranslatedActionId(std::int32_t oldNumber, bool* known) {
    const bool inTable = oldNumber >= 1 && oldNumber <= 69;
    if (known != nullptr)
        *known = inTable;
    return inTable ? Translation[oldNumber - 1] : oldNumber;
}

TExpectation ExpectedConversion(const TProject& source) { return TConverter(source).Run(); }

TDriverRun RunDrivers(const CBlock& file) {
    CProject project;
    return RunDrivers(project, file);
}

TDriverRun RunDrivers(CProject& project, const CBlock& file) {
    TDriverRun run;
    CScratchFolder folder;
    WriteWholeFile(folder.File("in.vtr"), file);
    CRecorder recorder(project.Core);
    run.Loaded = LoadGameFile(project, folder.File("in.vtr"));
    run.LoadEvents = std::exchange(recorder.Events, {});
    run.LoadProgress = recorder.Progress;
    run.LoadBytes = recorder.ByteProgress;
    if (run.Loaded) {
        run.SavedFrom = LocalNowAsDays();
        run.Converted = SaveGameFile(project, folder.File("out.vtr"));
        run.SavedUntil = LocalNowAsDays();
        run.SaveEvents = recorder.Events;
        run.SaveProgress = recorder.Progress;
        run.SaveBytes = recorder.ByteProgress;
    }
    run.Messages = recorder.Messages;
    if (run.Converted)
        run.Output = ReadWholeFile(folder.File("out.vtr"));
    run.Files = FolderContents(folder.Path());
    return run;
}

double LocalNowAsDays() {
    // The precise clock, as the converter reads it when it stamps a save:
    // std::time() reads a coarse clock that may still show the previous
    // second while the precise one has passed it, which would put a stamp
    // taken in between outside the window.
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t whole = system_clock::to_time_t(now);
    const std::tm local = LocalTime(whole);
    // The broken-down local time read as if it were UTC gives the local
    // date and time as seconds since 1970.
    const sys_days date{year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday};
    const auto fraction = duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000;
    const double seconds = static_cast<double>(date.time_since_epoch().count()) * 86400.0 + local.tm_hour * 3600.0 +
                           local.tm_min * 60.0 + local.tm_sec + static_cast<double>(fraction) / 1e6;
    return seconds / 86400.0 + 25569.0;  // 1 January 1970 is day 25569
}

void ExpectConverted(const TExpectation& expected, const TProject& actual, double savedFrom, double savedUntil) {
    const TProject& e = expected.Project;
    EXPECT_EQ(actual.Version, 500);
    EXPECT_EQ(actual.Flag, 0);
    EXPECT_EQ(actual.GameId, e.GameId);
    if (expected.GuidKnown) {
        EXPECT_EQ(actual.Guid, e.Guid);
    }

    {
        SCOPED_TRACE("game options");
        TOptions a = actual.Options;
        TOptions x = e.Options;
        // The stamp keeps whole milliseconds, so it may lie up to one
        // millisecond before the window opened.
        const double millisecond = 1.0 / 86400000;
        EXPECT_GE(a.LastChanged, savedFrom - 2 * millisecond);
        EXPECT_LE(a.LastChanged, savedUntil + millisecond);
        a.LastChanged = x.LastChanged = 0;
        if (!x.Icon) {
            // the default game icon: one 32 x 32 image, 2238 bytes
            ASSERT_TRUE(a.Icon.has_value());
            EXPECT_EQ(a.Icon->size(), 2238u);
            EXPECT_EQ(CBlock(a.Icon->begin(), a.Icon->begin() + 8), CBlock({0, 0, 1, 0, 1, 0, 32, 32}));
            a.Icon = std::nullopt;
        }
        EXPECT_EQ(a.Flags, x.Flags);
        EXPECT_EQ(a.ProgressBarKind, x.ProgressBarKind);
        EXPECT_EQ(a.BarBackImage, x.BarBackImage);
        EXPECT_EQ(a.BarFrontImage, x.BarFrontImage);
        EXPECT_EQ(a.LoadingImage, x.LoadingImage);
        EXPECT_EQ(a.Icon, x.Icon);
        EXPECT_TRUE(a == x) << "some other option differs";
    }
    ExpectSameList("sounds", e.Sounds, actual.Sounds);
    ExpectSameList("sprites", e.Sprites, actual.Sprites);
    ExpectSameList("backgrounds", e.Backgrounds, actual.Backgrounds);
    ExpectSameList("paths", e.Paths, actual.Paths);
    ExpectSameList("scripts", e.Scripts, actual.Scripts);
    ExpectSameList("data files", e.DataFiles, actual.DataFiles);
    ExpectSameList("time lines", e.TimeLines, actual.TimeLines);
    ExpectSameList("objects", e.Objects, actual.Objects);
    ExpectSameList("rooms", e.Rooms.List, actual.Rooms.List);
    EXPECT_EQ(actual.Rooms.InstanceIdCounter, e.Rooms.InstanceIdCounter);
    EXPECT_EQ(actual.Rooms.TileIdCounter, e.Rooms.TileIdCounter);
    {
        SCOPED_TRACE("game information");
        const TGameInformation& a = actual.GameInformation;
        EXPECT_EQ(a.Version, 430);
        EXPECT_EQ(a.BackgroundColor, e.GameInformation.BackgroundColor);
        EXPECT_EQ(a.MimicMainForm, e.GameInformation.MimicMainForm);
        if (expected.GameInformationAsStored) {
            EXPECT_EQ(a.Text, e.GameInformation.Text);
        } else {
            const std::string written(a.Text.begin(), a.Text.end());
            EXPECT_EQ(written.rfind("{\\rtf", 0), 0u) << written;
            EXPECT_EQ(TrimLineBreaks(RtfPlainText(a.Text)), TrimLineBreaks(expected.GameInformationText)) << written;
        }
    }
    EXPECT_EQ(actual.Libraries, e.Libraries);
    {
        SCOPED_TRACE("resource tree");
        EXPECT_EQ(actual.Tree.Version, 500);
        EXPECT_EQ(actual.Tree.RoomOrder, e.Tree.RoomOrder);
        EXPECT_EQ(actual.Tree.TopLevel, e.Tree.TopLevel);
    }
}

void PrintTo(const TPicture& value, std::ostream* out) {
    *out << "picture{scheme " << value.Scheme << ", " << value.Width << "x" << value.Height << ", ";
    if (value.Pixels.size() <= 64 &&
        value.Pixels.size() == static_cast<std::size_t>(value.Width) * static_cast<std::size_t>(value.Height)) {
        // Small enough to show: the rows as RRGGBB values.
        char text[8];
        for (std::size_t i = 0; i < value.Pixels.size(); ++i) {
            std::snprintf(text, sizeof text, "%06X", value.Pixels[i]);
            *out << (i == 0 ? "" : i % static_cast<std::size_t>(value.Width) == 0 ? " / " : " ") << text;
        }
    } else {
        std::uint32_t hash = 2166136261u;
        for (std::uint32_t pixel : value.Pixels)
            hash = (hash ^ pixel) * 16777619u;
        *out << value.Pixels.size() << " pixels, hash " << std::hex << hash << std::dec;
    }
    *out << (value.Block.empty() ? "" : ", stored as given") << "}";
}

void PrintTo(const TAction& a, std::ostream* out) {
    *out << "action{tag " << a.Tag << ", lib " << a.LibraryId << ", id " << a.ActionId << ", def " << a.DefValue1 << "/"
         << a.DefFlag1 << a.DefFlag2 << a.DefFlag3 << "/" << a.DefValue2 << "/'" << a.DefText1 << "'/'" << a.DefText2
         << "'/" << a.DefValue3 << ", kinds";
    for (std::int32_t kind : a.ArgumentKinds)
        *out << " " << kind;
    *out << ", sel " << a.Selector << ", flag " << a.ActionFlag << ", args";
    for (const std::string& argument : a.Arguments)
        *out << " '" << argument << "'";
    *out << ", tail " << a.TailFlag << "}";
}

void PrintTo(const TEvent& e, std::ostream* out) {
    *out << "event{tag " << e.Tag << ":";
    for (const TAction& action : e.Actions) {
        *out << " ";
        PrintTo(action, out);
    }
    *out << "}";
}

void PrintTo(const TNode& n, std::ostream* out) {
    *out << "node{" << n.NodeKind << "," << n.ResourceKind << "," << n.ResourceIndex << ",'" << n.Name << "'";
    for (const TNode& child : n.Children) {
        *out << " ";
        PrintTo(child, out);
    }
    *out << "}";
}

}  // namespace project

}  // namespace transvane
