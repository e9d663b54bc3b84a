// Recovering damaged projects: files of every header version built by the
// test kit, damaged in every section and in every kind of compressed block,
// recovered, and read back with the tests' own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "format/core/Support_Bytes.h"
#include "project/Conversion.h"
#include "transvane/transvane.h"
#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

struct TRecovered {
    transvane::CResult Result;
    CBlock Output;
    double From = 0, Until = 0;
};

TRecovered Recover(const CBlock& file) {
    TRecovered run;
    run.From = LocalNowAsDays();
    run.Result = transvane::RecoverBytes(file, run.Output);
    run.Until = LocalNowAsDays();
    return run;
}

// What a new project holds where reading stopped: an empty project cut
// where its game information begins recovers a new project's.
const TProject& NewProject() {
    static const TProject project = [] {
        const TProject empty = EmptyProject(500);
        const CBlock whole = WriteProject(empty);
        for (const TSectionLayout& section : ProjectLayout(empty))
            if (section.Name == "Game information")
                return ReadProject(
                    Recover(CBlock(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(section.Start))).Output);
        throw std::logic_error("no game information");
    }();
    return project;
}

template <class T>
void KeepSlots(TList<T>& list, const TSectionLayout& section, std::size_t stop) {
    list.Slots.resize(static_cast<std::size_t>(
        std::count_if(section.SlotEnds.begin(), section.SlotEnds.end(), [&](std::size_t end) { return end <= stop; })));
}

// What recovering must write when reading stops at byte stop: every slot
// that ends before it, nothing after it, a new project's options and game
// information where those were not read, and the tree rebuilt.
TExpectation ExpectedAfterStop(const TProject& source, const std::vector<TSectionLayout>& layout, std::size_t stop) {
    TProject kept = source;
    bool informationLost = false, roomsCut = false;
    std::size_t roomListEnd = 0;
    for (const TSectionLayout& section : layout) {
        if (section.Name == "Rooms")
            roomListEnd = section.SlotEnds.empty() ? section.Start + 8 : section.SlotEnds.back();
        if (section.End <= stop)
            continue;
        const std::string& name = section.Name;
        informationLost = informationLost || name == "Game information";
        roomsCut = roomsCut || name == "Rooms";
        if (name == "Sounds")
            KeepSlots(kept.Sounds, section, stop);
        if (name == "Sprites")
            KeepSlots(kept.Sprites, section, stop);
        if (name == "Backgrounds")
            KeepSlots(kept.Backgrounds, section, stop);
        if (name == "Paths")
            KeepSlots(kept.Paths, section, stop);
        if (name == "Scripts")
            KeepSlots(kept.Scripts, section, stop);
        if (name == "Data files")
            KeepSlots(kept.DataFiles, section, stop);
        if (name == "Time lines")
            KeepSlots(kept.TimeLines, section, stop);
        if (name == "Objects")
            KeepSlots(kept.Objects, section, stop);
        if (name == "Rooms")
            KeepSlots(kept.Rooms.List, section, stop);
    }
    TExpectation expected = ExpectedConversion(kept);
    TProject& e = expected.Project;
    if (informationLost) {
        e.GameInformation = NewProject().GameInformation;
        expected.GameInformationAsStored = true;
    }
    if (roomsCut) {
        // Counters not read move past every id kept.
        const bool tilesStored = source.Rooms.List.Version >= 420;
        e.Rooms.InstanceIdCounter = stop >= roomListEnd + 4 ? source.Rooms.InstanceIdCounter : 100000;
        e.Rooms.TileIdCounter = tilesStored && stop >= roomListEnd + 8 ? source.Rooms.TileIdCounter : 10000000;
        for (const auto& slot : kept.Rooms.List.Slots)
            if (slot) {
                for (const TInstance& instance : slot->Record.Instances)
                    e.Rooms.InstanceIdCounter = std::max(e.Rooms.InstanceIdCounter, instance.Id + 1);
                for (const TTile& tile : slot->Record.Version >= 420 ? slot->Record.Tiles : std::vector<TTile>{})
                    e.Rooms.TileIdCounter = std::max(e.Rooms.TileIdCounter, tile.Values[8] + 1);
            }
    }
    // A tree not read is rebuilt: each resource under its kind's group.
    e.Tree.TopLevel = DefaultTopLevel(500);
    e.Tree.RoomOrder.clear();
    const auto add = [&](std::size_t group, std::int32_t kind, const auto& list) {
        for (std::size_t i = 0; i < list.Slots.size(); ++i)
            if (list.Slots[i])
                e.Tree.TopLevel[group].Children.push_back(
                    TNode{3, kind, static_cast<std::int32_t>(i), list.Slots[i]->Name, {}});
    };
    add(0, 2, e.Sprites), add(1, 3, e.Sounds), add(2, 6, e.Backgrounds), add(3, 8, e.Paths), add(4, 7, e.Scripts);
    add(5, 9, e.DataFiles), add(6, 12, e.TimeLines), add(7, 1, e.Objects), add(8, 4, e.Rooms.List);
    for (const TNode& room : e.Tree.TopLevel[8].Children)
        e.Tree.RoomOrder.push_back(room.ResourceIndex);
    return expected;
}

const std::int32_t Versions[] = {400, 420, 440, 500};

// Damage that stops the reading, each applied to every section: the file
// and the byte where reading must stop, or nullopt where the section gives
// the kind no room.
struct TStopKind {
    const char* Name;
    std::function<std::optional<std::pair<CBlock, std::size_t>>(const CBlock&, const TSectionLayout&)> Damage;
};

std::optional<std::pair<CBlock, std::size_t>> CutAt(const CBlock& file, std::size_t at) {
    return std::pair{CBlock(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at)), at};
}

const TStopKind StopKinds[] = {
    {"cut where the section begins", [](const CBlock& f, const TSectionLayout& s) { return CutAt(f, s.Start); }},
    {"cut in its middle", [](const CBlock& f, const TSectionLayout& s) { return CutAt(f, (s.Start + s.End) / 2); }},
    {"cut one byte before its end", [](const CBlock& f, const TSectionLayout& s) { return CutAt(f, s.End - 1); }},
    {"cut inside its second slot",
     [](const CBlock& f, const TSectionLayout& s) -> std::optional<std::pair<CBlock, std::size_t>> {
         if (s.SlotEnds.size() < 2)
             return std::nullopt;
         return CutAt(f, s.SlotEnds[0] + 6);
     }},
    // A count the file cannot hold may be a file cut short: its slots are
    // read as long as they last, and what follows them is no slot.
    {"a garbage slot count",
     [](const CBlock& f, const TSectionLayout& s) -> std::optional<std::pair<CBlock, std::size_t>> {
         if (s.SlotEnds.empty())
             return std::nullopt;
         return std::pair{Patched(f, s.Start + 4, 0x7FFFFFF0), s.SlotEnds.back()};
     }},
    {"a garbage name length in its second slot",
     [](const CBlock& f, const TSectionLayout& s) -> std::optional<std::pair<CBlock, std::size_t>> {
         // The second slot must hold a resource, whose name follows its flag.
         if (s.SlotEnds.size() < 2 || Get32(f, s.SlotEnds[0]) != 1)
             return std::nullopt;
         return std::pair{Patched(f, s.SlotEnds[0] + 4, 0x7FFFFFF0), s.SlotEnds[0] + 4};
     }},
};

// How many resources of a kind the file holds: what an undamaged copy
// recovers.
std::int64_t HeldOf(const transvane::CRecovery& whole, const std::string& kind) {
    for (const transvane::CRecoveredKind& held : whole.Kinds)
        if (held.Kind == kind)
            return held.Total;
    return -1;
}

TEST(Recover, KeepsEveryRecordBeforeTheDamageAndNothingAfterIt) {
    for (const std::int32_t version : Versions) {
        const TProject source = SampleProject(version, static_cast<std::uint32_t>(version));
        const CBlock file = WriteProject(source);
        const transvane::CRecovery whole = *Recover(file).Result.Recovery;
        const std::vector<TSectionLayout> layout = ProjectLayout(source);
        // Nothing before the first section, or a header cut short: nothing
        // to keep, no empty project that would pass for a rescue.
        const auto keptNothing = [](const TRecovered& run) {
            EXPECT_EQ(run.Result.Error, transvane::EErrorCode::Damaged);
            EXPECT_FALSE(run.Result.Recovery);
            EXPECT_TRUE(run.Output.empty());
            const std::vector<std::string>& context = run.Result.Messages.back().Context;
            EXPECT_TRUE(std::any_of(context.begin(), context.end(), [](const std::string& line) {
                return line.starts_with("recovery: nothing could be recovered");
            }));
        };
        keptNothing(Recover(CBlock(file.begin(), file.begin() + 10)));
        for (const TSectionLayout& section : layout)
            for (const TStopKind& kind : StopKinds) {
                const auto damaged = kind.Damage(file, section);
                if (!damaged)
                    continue;
                SCOPED_TRACE(std::to_string(version) + ", " + section.Name + ": " + kind.Name);
                const TRecovered run = Recover(damaged->first);
                if (section.Name == "Game options") {
                    keptNothing(run);
                    continue;
                }
                ASSERT_TRUE(run.Result.Ok());
                const transvane::CRecovery& report = *run.Result.Recovery;
                ASSERT_TRUE(report.Stopped);
                EXPECT_EQ(report.Stopped->Section, section.Name);
                // The counts tell the truth: exactly, or as a bound when
                // slots after the damage may have been empty.
                for (const transvane::CRecoveredKind& counted : report.Kinds)
                    if (counted.IsList && counted.State == transvane::ERecoveredState::Stopped) {
                        const std::int64_t held = HeldOf(whole, counted.Kind);
                        EXPECT_EQ(counted.Total >= 0 ? counted.Total : held, held) << counted.Kind;
                        EXPECT_LE(counted.Recovered, held) << counted.Kind;
                        EXPECT_GE(counted.AtMost >= 0 ? counted.AtMost : held, held) << counted.Kind;
                    }
                EXPECT_LE(report.Recovered, report.Total);
                EXPECT_TRUE(report.TreeRebuilt);
                ExpectConverted(ExpectedAfterStop(source, layout, damaged->second), ReadProject(run.Output), run.From,
                                run.Until);
                // The ordinary load stays all or nothing.
                EXPECT_FALSE(CConversion().Load(damaged->first));
            }
    }
}

// A damaged compressed block: the record keeps everything else.
struct TBlockKind {
    const char* Name;
    // Adds a record holding the block to the project and returns the data
    // the block holds; then makes the project what recovery must keep.
    std::function<CBlock(TProject&)> Add;
    std::function<void(TProject&)> Lose;
};

const TPicture Picture = MakePicture(10, 5, 3, 7);
const CBlock Data = NoiseBytes(300, 3);

const TBlockKind BlockKinds[] = {
    {"a sprite's subimage",
     [](TProject& p) {
         p.Sprites.Add("ship", TSprite{.Images = {MakePicture(10, 5, 3, 8), Picture, MakePicture(10, 5, 3, 9)}});
         return EncodeBmp24(Picture);
     },
     [](TProject& p) {
         p.Sprites.Slots.back()->Record.Images.erase(p.Sprites.Slots.back()->Record.Images.begin() + 1);
     }},
    {"a background's picture",
     [](TProject& p) {
         p.Backgrounds.Add("sky", TBackground{.HasImage = 1, .Image = Picture});
         return EncodeBmp24(Picture);
     },
     [](TProject& p) { p.Backgrounds.Slots.back()->Record = TBackground{}; }},
    {"a sound's data",
     [](TProject& p) {
         p.Sounds.Add("bang", TSound{.Data = Data});
         return Data;
     },
     [](TProject& p) { p.Sounds.Slots.back()->Record.Data.clear(); }},
    {"a data file's data",
     [](TProject& p) {
         p.DataFiles.Add("level", TDataFile{.FileName = "level.dat", .HasData = 1, .Data = Data});
         return Data;
     },
     [](TProject& p) { p.DataFiles.Slots.back()->Record.Data.clear(); }},
    {"the loading picture of the options",
     [](TProject& p) {
         p.Options.ShowLoadImage = 1;
         p.Options.LoadingImage = Picture;
         return EncodeBmp24(Picture);
     },
     [](TProject& p) { p.Options.LoadingImage = std::nullopt; }},
};

TEST(Recover, ADamagedBlockLosesOnlyItsOwnData) {
    for (const std::int32_t version : {440, 500})
        for (const TBlockKind& kind : BlockKinds) {
            SCOPED_TRACE(std::to_string(version) + ": " + kind.Name);
            TProject source = SampleProject(version, 5);
            const CBlock data = kind.Add(source);
            const CBlock damaged = BreakCompressedBlock(WriteProject(source), data);
            const TRecovered run = Recover(damaged);
            ASSERT_TRUE(run.Result.Ok());
            const transvane::CRecovery& report = *run.Result.Recovery;
            EXPECT_FALSE(report.Stopped) << report.Stopped->Reason;
            ASSERT_EQ(report.Blocks.size(), 1u);
            EXPECT_FALSE(report.TreeRebuilt);
            // The resource counts as recovered; the last line says what it lacks.
            EXPECT_TRUE(transvane::RecoveredInto(report, "x.vtr").ends_with(" into x.vtr (1 damaged block left out)"));
            TProject kept = source;
            kind.Lose(kept);
            ExpectConverted(ExpectedConversion(kept), ReadProject(run.Output), run.From, run.Until);
            EXPECT_FALSE(CConversion().Load(damaged));
        }
}

// Nothing is written for a file whose header is not a project's; an
// undamaged file converts as it would anyway.
TEST(Recover, NeedsAProjectsHeaderAndLosesNothingOfAnUndamagedFile) {
    const CBlock header = HeaderOnly(500);
    for (const CBlock& file : {CBlock{}, CBlock(header.begin(), header.begin() + 10), Patched(header, 4, 399),
                               Patched(header, 4, 501), Patched(header, 0, 7)}) {
        CBlock target = Bytes("untouched");
        EXPECT_FALSE(transvane::RecoverBytes(file, target).Ok());
        EXPECT_EQ(target, Bytes("untouched"));
    }
    // An empty project is no damaged one.
    EXPECT_TRUE(Recover(WriteProject(EmptyProject(400))).Result.Ok());
    const TProject source = SampleProject(500, 9);
    const TRecovered run = Recover(WriteProject(source));
    ASSERT_TRUE(run.Result.Ok());
    EXPECT_TRUE(run.Result.Recovery->LostNothing);
    EXPECT_EQ(run.Result.Recovery->Lines.back(), "nothing was lost: no damage was found");
    EXPECT_EQ(run.Result.Recovery->Recovered, run.Result.Recovery->Total);
    ExpectConverted(ExpectedConversion(source), ReadProject(run.Output), run.From, run.Until);
}

TEST(Recover, TheLastLineSaysOnlyWhatIsKnown) {
    struct TRow {
        std::int64_t Recovered, Total;
        bool TotalIsLeast;
        std::size_t Blocks;
        const char* Line;
    };
    for (const TRow& row : std::initializer_list<TRow>{
             {1204, 1392, false, 0, "recovered 1,204 of 1,392 resources into x.vtr"},
             {5, 6, true, 1, "recovered 5 of at least 6 resources into x.vtr (1 damaged block left out)"},
             // Reading stopped before the first count: no total is known.
             {0, 0, true, 0, "recovered 0 resources into x.vtr"},
             {0, 0, false, 0, "recovered 0 of 0 resources into x.vtr"},
         }) {
        transvane::CRecovery recovery;
        recovery.Recovered = row.Recovered;
        recovery.Total = row.Total;
        recovery.TotalIsLeast = row.TotalIsLeast;
        recovery.Blocks.resize(row.Blocks);
        EXPECT_EQ(transvane::RecoveredInto(recovery, "x.vtr"), row.Line);
    }
}

// Starts transvane-cli as POSIX does; on Windows tests/windows/check_cli.sh
// runs transvane-cli.exe instead.
#ifndef _WIN32
TEST(Recover, OnTheCommandLine) {
    CScratchFolder work;
    const TProject source = SampleProject(500, 11);
    const std::vector<TSectionLayout> layout = ProjectLayout(source);
    const TSectionLayout& sprites =
        *std::find_if(layout.begin(), layout.end(), [](const auto& s) { return s.Name == "Sprites"; });
    const CBlock whole = WriteProject(source);
    const CBlock cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(sprites.SlotEnds[0] + 6));
    WriteWholeFile(work.Path() + "/in.vtr", cut);

    const CRunResult run = RunCli({"recover", "in.vtr", "out.vtr"}, work.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> lines = Lines(run.Out);
    // Slots 0 and 1 (a sprite, an empty slot) were read, reading stopped in
    // slot 2's flag: two slots unread, each perhaps empty.
    ASSERT_EQ(source.Sprites.Slots.size(), 4u);
    ASSERT_FALSE(source.Sprites.Slots[1]);
    const std::string spritesLine =
        "sprites: 1 of at most 3 recovered (up to 2 lost, as the slots after the damage "
        "may be empty: reading stopped in \"Sprites\" at byte ";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.starts_with(spritesLine) && line.ends_with(": what is stored there runs past the end of the file)");
    })) << run.Out;
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with("recovered ") && lines.back().ends_with(" resources into out.vtr"))
        << lines.back();
    EXPECT_EQ(ReadWholeFile(work.Path() + "/in.vtr"), cut);
    EXPECT_EQ(ReadProject(ReadWholeFile(work.Path() + "/out.vtr")).Version, 500);

    // The report as JSON, by its schema.
    const CRunResult json = RunCli({"recover", "in.vtr", "again.vtr", "--json"}, work.Path());
    EXPECT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(SchemaViolations(json.Out, "recover"), "");

    // The damaged file is never the target, by any name; an existing target
    // needs --force; a file that is no project gives nothing.
    for (const char* target : {"in.vtr", "./in.vtr"}) {
        const CRunResult refused = RunCli({"recover", "in.vtr", target, "--force"}, work.Path());
        EXPECT_EQ(refused.Status, 2);
        EXPECT_EQ(Lines(refused.Err).size(), 2u) << refused.Err;
    }
    EXPECT_EQ(RunCli({"recover", "in.vtr", "out.vtr"}, work.Path()).Status, 1);
    // Refused with --json, a script still gets the report's shape.
    const CRunResult refusedJson = RunCli({"recover", "in.vtr", "out.vtr", "--json"}, work.Path());
    EXPECT_EQ(refusedJson.Status, 1);
    EXPECT_EQ(SchemaViolations(refusedJson.Out, "recover"), "");
    EXPECT_NE(refusedJson.Out.find("already exists"), std::string::npos) << refusedJson.Out;
    const CRunResult replaced = RunCli({"recover", "in.vtr", "out.vtr", "--force"}, work.Path());
    EXPECT_EQ(replaced.Status, 0);
    EXPECT_NE(replaced.Err.find("the earlier out.vtr was kept as out.vk1"), std::string::npos) << replaced.Err;
    const CRunResult replacedJson = RunCli({"recover", "in.vtr", "out.vtr", "--force", "--json"}, work.Path());
    EXPECT_EQ(SchemaViolations(replacedJson.Out, "recover"), "");
    EXPECT_NE(replacedJson.Out.find("\"kept as\": \"out.vk1\""), std::string::npos) << replacedJson.Out;
    WriteWholeFile(work.Path() + "/noise.vtr", NoiseBytes(100));
    const CRunResult noise = RunCli({"recover", "noise.vtr", "n.vtr"}, work.Path());
    EXPECT_EQ(noise.Status, 1);
    EXPECT_EQ(MessageLines(noise.Err).front(), "Error Loading: This is not a vantrel file.");
    EXPECT_EQ(ReadWholeFile(work.Path() + "/in.vtr"), cut);
}
#endif

}  // namespace

}  // namespace transvane
