// Whole projects from end to end: built as files of every header version,
// converted through the drivers and through transvane-cli, and read back
// with the tests' own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "format/core/Support_CodePage.h"
#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "project/Project_Main.h"
#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

const std::string Corrupted = "Error Loading: File seems to be corrupted.";
const std::string CannotCreate =
    "Error Saving: Cannot create the file. The game has not been saved!Try saving your work under a different "
    "name.";

const std::int32_t HeaderVersions[] = {400, 410, 411, 420, 430, 440, 441, 500};

// The command-line cases start programs as POSIX does; on Windows
// tests/windows/check_cli.sh runs transvane-cli.exe instead.
#ifndef _WIN32
// Runs transvane-cli in a shell that first runs prefix (limits, traps,
// the environment) and then becomes the converter.
CRunResult CliInShell(const std::string& prefix, const std::vector<std::string>& arguments) {
    std::vector<std::string> shell = {"-c", prefix + "exec \"$0\" \"$@\"", CliPath()};
    shell.insert(shell.end(), arguments.begin(), arguments.end());
    CScratchFolder work;
    return RunProgram("sh", shell, work.Path());
}
#endif

class Conversion : public ::testing::TestWithParam<std::int32_t> {};

// A step's measure in bytes: its sections in file order, never backwards,
// bounded in number, ending at the whole.
void ExpectBytesMeasured(const std::vector<CRecorder::CBytesAt>& reports, std::uint64_t total) {
    ASSERT_FALSE(reports.empty());
    const int sections = GameSectionCount();
    EXPECT_LE(reports.size(), 1000u + 2u * static_cast<unsigned>(sections));
    std::uint64_t done = 0;
    int section = 0;
    for (const CRecorder::CBytesAt& report : reports) {
        EXPECT_EQ(report.Total, total);
        EXPECT_GE(report.Done, done) << report.Section;
        done = report.Done;
        while (section < sections && report.Section != GameSections()[section].Name)
            ++section;
        EXPECT_LT(section, sections) << report.Section << " out of order";
    }
    EXPECT_EQ(reports.back().Done, total);
}

// What the drivers show and write, the progress of both steps, and nothing
// left beside the two files.
TEST_P(Conversion, ThroughTheDrivers) {
    const std::vector<int> steps = {5, 20, 50, 60, 65, 70, 75, 80, 85, 95, 100};
    const TProject source = SampleProject(GetParam(), static_cast<std::uint32_t>(GetParam()));
    const TExpectation expected = ExpectedConversion(source);
    const TDriverRun run = RunDrivers(WriteProject(source));
    ASSERT_TRUE(run.Converted);
    EXPECT_EQ(run.Messages, expected.Messages);
    ExpectConverted(expected, ReadProject(run.Output), run.SavedFrom, run.SavedUntil);
    EXPECT_EQ(run.Files, (std::vector<std::string>{"in.vtr", "out.vtr"}));
    EXPECT_EQ(run.LoadProgress, steps);
    EXPECT_EQ(run.SaveProgress, steps);
    // A load measures the file; a save the loaded sections, the header aside.
    const std::uint64_t fileSize = WriteProject(source).size();
    ExpectBytesMeasured(run.LoadBytes, fileSize);
    ExpectBytesMeasured(run.SaveBytes, fileSize - run.LoadBytes.front().Done);
    EXPECT_EQ(run.LoadEvents.front(), "start:Loading Game Data ...");
    EXPECT_EQ(run.SaveEvents.front(), "start:Saving Game Data ...");
    EXPECT_EQ(run.LoadEvents.back(), "end");
    EXPECT_EQ(run.SaveEvents.back(), "end");
}

TEST_P(Conversion, EmptyProject) {
    const TProject source = EmptyProject(GetParam());
    const TDriverRun run = RunDrivers(WriteProject(source));
    ASSERT_TRUE(run.Converted);
    EXPECT_TRUE(run.Messages.empty());
    ExpectConverted(ExpectedConversion(source), ReadProject(run.Output), run.SavedFrom, run.SavedUntil);
}

// The saved project, read back, without the time of saving.
TProject SavedWithoutTime(const CBlock& file) {
    const TDriverRun run = RunDrivers(file);
    if (!run.Converted)
        throw std::runtime_error("the drivers did not convert the file");
    TProject saved = ReadProject(run.Output);
    saved.Options.LastChanged = 0;
    return saved;
}

// Converting the output again changes nothing but the time of saving.
TEST_P(Conversion, OutputConvertsToItself) {
    const TProject once = SavedWithoutTime(WriteProject(SampleProject(GetParam(), 5)));
    EXPECT_EQ(WriteProject(SavedWithoutTime(WriteProject(once))), WriteProject(once));
}

INSTANTIATE_TEST_SUITE_P(HeaderVersions, Conversion, ::testing::ValuesIn(HeaderVersions),
                         [](const auto& test) { return "v" + std::to_string(test.param); });

TEST(ConversionDrivers, BytesAfterTheTreeAreIgnored) {
    for (std::int32_t version : {400, 500}) {
        CBlock bytes = WriteProject(SampleProject(version));
        TProject plain = SavedWithoutTime(bytes);
        bytes.insert(bytes.end(), {0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3});
        TProject tail = SavedWithoutTime(bytes);
        if (version < 410)
            plain.Guid = tail.Guid;  // each load draws its own
        EXPECT_EQ(WriteProject(plain), WriteProject(tail)) << version;
    }
}

// A file cut short anywhere is corrupted, and the model is left empty: what
// a save writes afterwards is the empty project.
TEST(ConversionDrivers, FileCutShortIsClearedToAnEmptyModel) {
    CProject project;
    for (std::int32_t version : {400, 441, 500}) {
        const CBlock whole = WriteProject(SampleProject(version));
        for (std::size_t cut : {std::size_t{17}, std::size_t{40}, whole.size() / 5, whole.size() / 2,
                                whole.size() * 9 / 10, whole.size() - 1}) {
            SCOPED_TRACE("version " + std::to_string(version) + ", cut at " + std::to_string(cut));
            CScratchFolder folder;
            WriteWholeFile(folder.File("cut.vtr"), CBlock(whole.begin(), whole.begin() + static_cast<long>(cut)));
            CRecorder recorder(project.Core);
            EXPECT_FALSE(LoadGameFile(project, folder.File("cut.vtr")));
            ASSERT_FALSE(recorder.Messages.empty());
            EXPECT_EQ(recorder.Messages.back(), Corrupted);

            const double from = LocalNowAsDays();
            ASSERT_TRUE(SaveGameFile(project, folder.File("after.vtr")));
            TProject empty = EmptyProject(500);
            empty.GameId = ReadProject(ReadWholeFile(folder.File("after.vtr"))).GameId;
            TExpectation expected = ExpectedConversion(empty);
            expected.Project.Options.Icon = std::nullopt;  // the default icon
            expected.Project.GameInformation.Text.clear();
            expected.GameInformationAsStored = false;
            expected.GuidKnown = false;
            // The switch belongs to the never-shown editor, which a clear
            // leaves alone: it still holds the last project's value.
            expected.Project.GameInformation.MimicMainForm =
                ReadProject(ReadWholeFile(folder.File("after.vtr"))).GameInformation.MimicMainForm;
            ExpectConverted(expected, ReadProject(ReadWholeFile(folder.File("after.vtr"))), from, LocalNowAsDays());
        }
    }
}

TEST(ConversionDrivers, SavedHeaderBytes) {
    CProject project;
    for (std::int32_t version : {400, 410, 500}) {
        CScratchFolder folder;
        TProject source = SampleProject(version);
        source.GameId = 0x00012345;
        WriteWholeFile(folder.File("in.vtr"), WriteProject(source));
        CRecorder recorder(project.Core);
        ASSERT_TRUE(LoadGameFile(project, folder.File("in.vtr")));
        const CGuid guid = GameGuid(project.Model);
        ASSERT_TRUE(SaveGameFile(project, folder.File("out.vtr")));
        const CBlock out = ReadWholeFile(folder.File("out.vtr"));
        ASSERT_GE(out.size(), 32u);
        EXPECT_EQ(CBlock(out.begin(), out.begin() + 16),
                  Bytes({0x91, 0xD5, 0x12, 0x00, 0xF4, 0x01, 0, 0, 0, 0, 0, 0, 0x45, 0x23, 0x01, 0x00}));
        EXPECT_EQ(CBlock(out.begin() + 16, out.begin() + 32), CBlock(guid.begin(), guid.end()));
        if (version >= 410)
            EXPECT_EQ(guid, TestGuid());
        else
            EXPECT_NE(guid, TestGuid()) << "a version-400 file has no GUID: a fresh one is saved";
        // the first section starts at offset 32: the options' version
        EXPECT_EQ(CBlock(out.begin() + 32, out.begin() + 36), Bytes({0xF4, 0x01, 0, 0}));
    }
}

#ifndef _WIN32
// When writing the new file fails (here: a file-size limit the shell
// imposes), the earlier file keeps its name, no backup is made and no
// partial or temporary file is left.
TEST(ConversionCommandLine, FailedWriteLeavesTheEarlierFileInPlace) {
    CScratchFolder folder;
    const TProject source = SampleProject(500);
    WriteWholeFile(folder.File("in.vtr"), WriteProject(source));
    WriteWholeFile(folder.File("a.vtr"), Bytes({1, 2, 3}));
    std::vector<std::string> lines = ExpectedConversion(source).Messages;
    lines.push_back(CannotCreate);
    const CRunResult run =
        CliInShell("trap '' XFSZ; ulimit -f 4; ", {"convert", "--force", folder.File("in.vtr"), folder.File("a.vtr")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(MessageLines(run.Err), lines);
    EXPECT_EQ(ReadWholeFile(folder.File("a.vtr")), Bytes({1, 2, 3}));
    EXPECT_EQ(FolderContents(folder.Path()), (std::vector<std::string>{"a.vtr", "in.vtr"}));
}

// A backup picked as the source and saved over its project with --force
// when all nine backups exist: the save would drop it to make room, so it
// is refused and every file stays as it was.
TEST(ConversionCommandLine, TheBackupBeingConvertedIsNotDropped) {
    for (const char* command : {"convert", "recover"}) {
        SCOPED_TRACE(command);
        CScratchFolder folder;
        std::vector<std::pair<std::string, CBlock>> files{{"game.vtr", Bytes({7, 7, 7})}};
        for (int n = 1; n <= 9; ++n)
            files.emplace_back("game.vk" + std::to_string(n),
                               WriteProject(SampleProject(430, static_cast<std::uint32_t>(n))));
        for (const auto& [name, bytes] : files)
            WriteWholeFile(folder.File(name), bytes);
        const CRunResult run = RunCli({command, "--force", folder.File("game.vk8"), folder.File("game.vtr")});
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find(CannotCreate + "\n  file: " + folder.File("game.vtr") +
                               "\n  cause: the save would drop its backup " + folder.File("game.vk8")),
                  std::string::npos)
            << run.Err;
        for (const auto& [name, bytes] : files)
            EXPECT_EQ(ReadWholeFile(folder.File(name)), bytes) << name;
        EXPECT_EQ(FolderContents(folder.Path()).size(), files.size());

        // Another backup goes where the save may drop one, and says so.
        const CRunResult saved = RunCli({command, "--force", folder.File("game.vk1"), folder.File("game.vtr")});
        EXPECT_EQ(saved.Status, 0) << saved.Err;
        EXPECT_NE(
            saved.Err.find("the earlier " + folder.File("game.vtr") + " was kept as " + folder.File("game.vk1") +
                           "\ntransvane-cli: the earlier " + folder.File("game.vk8") + " was dropped to make room\n"),
            std::string::npos)
            << saved.Err;
        EXPECT_EQ(ReadWholeFile(folder.File("game.vk9")), files[9].second);
    }
}

// Files the converter refuses: the exact lines on standard error, exit 1,
// and the target left exactly as it was (no backup made either).
TEST(ConversionCommandLine, RefusedFilesLeaveTheTargetUntouched) {
    CProject project;
    const CBlock sample = WriteProject(SampleProject(441));
    struct Case {
        const char* what;
        std::optional<CBlock> bytes;  // nullopt: no such file
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"not a project",
         Bytes({'P', 'K', 3, 4, 0, 0, 0, 0}),
         {"Error Loading: This is not a vantrel file.", Corrupted}},
        {"version 399",
         HeaderOnly(399),
         {"Error Loading: Cannot load game file created before version 4.0.", Corrupted}},
        {"version 501",
         HeaderOnly(501),
         {"Error Loading: File was created with a newer version of vantrel. Please get the new version from the web "
          "site.",
          Corrupted}},
        {"missing file", std::nullopt, {"Error Loading: File does not exist."}},
        {"cut short", CBlock(sample.begin(), sample.begin() + static_cast<long>(sample.size() / 3)), {Corrupted}},
        {"empty file", CBlock{}, {Corrupted}},
    };
    for (const Case& c : cases) {
        CScratchFolder folder;
        if (c.bytes)
            WriteWholeFile(folder.File("in.vtr"), *c.bytes);
        WriteWholeFile(folder.File("target.vtr"), Bytes({7, 7, 7}));
        const CRunResult run = RunCli({"convert", "-f", folder.File("in.vtr"), folder.File("target.vtr")});
        EXPECT_EQ(run.Status, 1) << c.what;
        EXPECT_EQ(MessageLines(run.Err), c.lines) << c.what;
        EXPECT_EQ(ReadWholeFile(folder.File("target.vtr")), Bytes({7, 7, 7})) << c.what;
        EXPECT_FALSE(std::filesystem::exists(folder.File("target.vk1"))) << c.what;
    }
}

// Usage errors are checked with the batch form's; here the help texts.
TEST(ConversionCommandLine, Help) {
    const CRunResult help = RunCli({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out.rfind("Usage: transvane-cli COMMAND", 0), 0u) << help.Out;
    EXPECT_TRUE(help.Err.empty());
    // Each command has its own help, wherever --help stands.
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"convert", "--help"}, {"info", "a.vtr", "-h"}, {"check", "--help"}}) {
        const CRunResult commandHelp = RunCli(arguments);
        EXPECT_EQ(commandHelp.Status, 0);
        EXPECT_EQ(commandHelp.Out.rfind("Usage: transvane-cli " + arguments[0] + " ", 0), 0u) << commandHelp.Out;
    }
}
#endif

}  // namespace

namespace {

// Projects drawn at random, every header version, through the drivers.
TEST(ConversionRandom, DrawnProjectsOfEveryVersionConvert) {
    CProject project;
    for (std::int32_t version : HeaderVersions) {
        for (std::uint32_t seed = 1; seed <= 25; ++seed) {
            SCOPED_TRACE("version " + std::to_string(version) + ", seed " + std::to_string(seed));
            const TProject source = RandomProject(version, seed * 7919 + static_cast<std::uint32_t>(version));
            const TExpectation expected = ExpectedConversion(source);
            const TDriverRun run = RunDrivers(WriteProject(source));
            ASSERT_TRUE(run.Converted) << ::testing::PrintToString(run.Messages);
            EXPECT_EQ(run.Messages, expected.Messages);
            ExpectConverted(expected, ReadProject(run.Output), run.SavedFrom, run.SavedUntil);
            if (HasFailure())
                return;  // one drawn project at a time is enough to read
        }
    }
}

// The library calls: each conversion with a project of its own, any number
// at once, each as correct as on its own.
TEST(ConversionLibrary, BytesConvertOnTwoThreadsAtOnce) {
    std::vector<TProject> sources;
    for (std::uint32_t seed = 1; seed <= 6; ++seed)
        sources.push_back(RandomProject(HeaderVersions[seed], seed * 104729));
    std::vector<CBlock> outputs(sources.size());
    std::vector<transvane::CResult> results(sources.size());
    const auto convertEvery = [&](std::size_t first) {
        for (std::size_t i = first; i < sources.size(); i += 2)
            results[i] = transvane::ConvertBytes(WriteProject(sources[i]), outputs[i]);
    };
    const double from = LocalNowAsDays();
    {
        std::jthread even(convertEvery, 0);
        std::jthread odd(convertEvery, 1);
    }
    const double until = LocalNowAsDays();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(i);
        const TExpectation expected = ExpectedConversion(sources[i]);
        ASSERT_TRUE(results[i].Ok());
        EXPECT_EQ(Texts(results[i].Messages), expected.Messages);
        ExpectConverted(expected, ReadProject(outputs[i]), from, until);
    }
}

// Bytes handed over with room behind them take the output in their own
// memory, which the caller has written to already; the file is the same.
TEST(ConversionLibrary, BytesWithRoomTakeTheOutputInTheirMemory) {
    const TProject source = RandomProject(441, 5);
    CBlock roomy = WriteProject(source);
    roomy.reserve(roomy.size() + (std::size_t{16} << 20));
    const std::uint8_t* const memory = roomy.data();
    transvane::CConverter converter;
    const double from = LocalNowAsDays();
    ASSERT_TRUE(converter.Load(std::move(roomy)).Ok());
    CBlock output;
    ASSERT_TRUE(converter.Save(output).Ok());
    EXPECT_EQ(output.data(), memory);
    ExpectConverted(ExpectedConversion(source), ReadProject(output), from, LocalNowAsDays());
}

using TKindCounts = std::vector<std::pair<std::string, std::int64_t>>;

TKindCounts KindCounts(const std::vector<transvane::CResourceCount>& counts) {
    TKindCounts out;
    for (const transvane::CResourceCount& count : counts)
        out.emplace_back(count.Kind, count.Count);
    return out;
}

// What a summary counts in a project read back: resources present, and the
// parts of those present.
TKindCounts ExpectedCounts(const TProject& p) {
    const auto present = [](const auto& list, auto parts) {
        std::pair<std::int64_t, std::int64_t> counted{0, 0};
        for (const auto& slot : list.Slots)
            if (slot) {
                ++counted.first;
                counted.second += static_cast<std::int64_t>(parts(slot->Record));
            }
        return counted;
    };
    const auto none = [](const auto&) { return 0; };
    const auto sprites = present(p.Sprites, [](const TSprite& s) { return s.Images.size(); });
    const auto instances = present(p.Rooms.List, [](const TRoom& r) { return r.Instances.size(); });
    const auto tiles = present(p.Rooms.List, [](const TRoom& r) { return r.Tiles.size(); });
    return {{"Sounds", present(p.Sounds, none).first},
            {"Sprites", sprites.first},
            {"Subimages", sprites.second},
            {"Backgrounds", present(p.Backgrounds, none).first},
            {"Paths", present(p.Paths, none).first},
            {"Scripts", present(p.Scripts, none).first},
            {"Data files", present(p.DataFiles, none).first},
            {"Time lines", present(p.TimeLines, none).first},
            {"Objects", present(p.Objects, none).first},
            {"Rooms", instances.first},
            {"Instances", instances.second},
            {"Tiles", tiles.second}};
}

TEST(ConversionLibrary, ReportsMessagesAndSummaryAndLeavesTheTargetOnFailure) {
    const TProject source = SampleProject(410, 3);
    CBlock output;
    const transvane::CResult converted = transvane::ConvertBytes(WriteProject(source), output);
    EXPECT_TRUE(converted.Ok());
    EXPECT_EQ(Texts(converted.Messages), ExpectedConversion(source).Messages);
    EXPECT_EQ(converted.SourceVersion, 410);
    // Counted after saving: what the new file holds.
    const TProject written = ReadProject(output);
    EXPECT_EQ(converted.GameId, written.GameId);
    EXPECT_EQ(KindCounts(converted.Counts), ExpectedCounts(written));
    // Every kind from its own list, also where a file holds all of them.
    const transvane::CResult full = transvane::ConvertBytes(WriteProject(RandomProject(500, 11)), output);
    ASSERT_TRUE(full.Ok());
    EXPECT_EQ(KindCounts(full.Counts), ExpectedCounts(ReadProject(output)));

    CBlock untouched = Bytes({7});
    const CBlock cut(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(output.size() / 2));
    const transvane::CResult failed = transvane::ConvertBytes(cut, untouched);
    EXPECT_EQ(failed.Error, transvane::EErrorCode::Damaged);
    ASSERT_FALSE(failed.Messages.empty());
    EXPECT_EQ(failed.Messages.back().Text, Corrupted);
    EXPECT_EQ(failed.SourceVersion, 500);
    EXPECT_EQ(untouched, Bytes({7}));
    const transvane::CResult missing = transvane::ConvertFile("no/such/file.vtr", "unused.vtr");
    EXPECT_EQ(missing.Error, transvane::EErrorCode::CannotRead);
    EXPECT_EQ(Texts(missing.Messages), std::vector<std::string>{"Error Loading: File does not exist."});
}

// Each refusal of a header has its own code.
TEST(ConversionLibrary, TellsWhyAHeaderIsRefused) {
    const CBlock good = WriteProject(EmptyProject(500));
    const struct {
        CBlock File;
        transvane::EErrorCode Code;
    } cases[] = {
        {Patched(good, 0, 1234320), transvane::EErrorCode::NotAProject},
        {Patched(good, 4, 399), transvane::EErrorCode::TooOld},
        {Patched(good, 4, 501), transvane::EErrorCode::TooNew},
        {CBlock(good.begin(), good.begin() + 6), transvane::EErrorCode::Damaged},
    };
    for (const auto& c : cases) {
        CBlock output;
        const transvane::CResult result = transvane::ConvertBytes(c.File, output);
        EXPECT_EQ(result.Error, c.Code) << Texts(result.Messages).back();
        EXPECT_TRUE(output.empty());
    }
}

// A target that exists is replaced only when asked, kept among as many
// backups as asked; a conversion in place needs no asking.
TEST(ConversionLibrary, ReplacesATargetOnlyWhenAsked) {
    CScratchFolder folder;
    const std::string source = folder.File("game.vtr"), target = folder.File("new.vtr");
    WriteWholeFile(source, WriteProject(SampleProject(430)));
    WriteWholeFile(target, Bytes({1, 2, 3}));

    const transvane::CResult refused = transvane::ConvertFile(source, target);
    EXPECT_EQ(refused.Error, transvane::EErrorCode::CannotWrite);
    ASSERT_EQ(refused.Messages.size(), ExpectedConversion(SampleProject(430)).Messages.size() + 1);
    EXPECT_EQ(refused.Messages.back().Text, CannotCreate);
    EXPECT_EQ(refused.Messages.back().Context.front(), "file: " + target);
    EXPECT_EQ(ReadWholeFile(target), Bytes({1, 2, 3}));

    transvane::COptions replace;
    replace.Force = true;
    replace.Backups = 0;
    EXPECT_TRUE(transvane::ConvertFile(source, target, replace).Ok());
    EXPECT_FALSE(std::filesystem::exists(folder.File("new.vk1")));
    replace.Backups = 9;
    EXPECT_EQ(transvane::ConvertFile(source, target, replace).KeptAs, folder.File("new.vk1"));
    const transvane::CResult inPlace = transvane::ConvertFile(source, source);
    EXPECT_TRUE(inPlace.Ok());
    EXPECT_EQ(inPlace.KeptAs, folder.File("game.vk1"));
}

// Recovery beside conversion: the report as a value, the damaged source
// never written, a refusal by its code.
TEST(ConversionLibrary, RecoversADamagedFile) {
    CScratchFolder folder;
    const std::string source = folder.File("game.vtr"), target = folder.File("game (recovered).vtr");
    const CBlock whole = WriteProject(SampleProject(500, 4));
    const CBlock cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    WriteWholeFile(source, cut);

    const transvane::CResult onto = transvane::RecoverFile(source, folder.File("./game.vtr"));
    EXPECT_EQ(onto.Error, transvane::EErrorCode::CannotWrite);
    EXPECT_EQ(Texts(onto.Messages), std::vector<std::string>{RecoveryOntoSource});

    const transvane::CResult recovered = transvane::RecoverFile(source, target);
    ASSERT_TRUE(recovered.Ok()) << Texts(recovered.Messages).back();
    EXPECT_EQ(ReadWholeFile(source), cut);
    EXPECT_EQ(ReadProject(ReadWholeFile(target)).Version, 500);
    ASSERT_TRUE(recovered.Recovery && recovered.Recovery->Stopped);
    const transvane::CRecovery& report = *recovered.Recovery;
    EXPECT_FALSE(report.LostNothing);
    EXPECT_EQ(report.Kinds.front().Kind, "game options");
    EXPECT_EQ(report.Kinds.front().State, transvane::ERecoveredState::Complete);
    std::int64_t kept = 0;
    for (const transvane::CResourceCount& count : recovered.Counts)
        kept += count.Kind == "Subimages" || count.Kind == "Instances" || count.Kind == "Tiles" ? 0 : count.Count;
    EXPECT_EQ(report.Recovered, kept);
    EXPECT_EQ(report.Lines.front(), "game options: recovered");
    EXPECT_TRUE(transvane::RecoveredInto(report, "x.vtr")
                    .starts_with("recovered " + std::to_string(report.Recovered) + " of "));
    // A second recovery does not replace the first unasked.
    EXPECT_EQ(transvane::RecoverFile(source, target).Error, transvane::EErrorCode::CannotWrite);

    CBlock untouched = Bytes({7});
    const transvane::CResult noProject = transvane::RecoverBytes(Bytes("not a project at all"), untouched);
    EXPECT_EQ(noProject.Error, transvane::EErrorCode::NotAProject);
    EXPECT_FALSE(noProject.Recovery);
    EXPECT_EQ(untouched, Bytes({7}));
}

// An observer that asks to stop while the save writes: the target is as it
// was and nothing is left beside it.
TEST(ConversionLibrary, StopsWhenTheObserverAsks) {
    struct CStopWhileSaving final : transvane::CObserver {
        void Progress(const transvane::CProgress& progress) override {
            Saving = progress.Stage == "Saving Game Data ...";
        }
        bool StopRequested() override { return Saving; }
        bool Saving = false;
    } observer;
    CScratchFolder folder;
    const std::string source = folder.File("game.vtr"), target = folder.File("new.vtr");
    WriteWholeFile(source, WriteProject(SampleProject(500)));
    WriteWholeFile(target, Bytes({1, 2, 3}));
    transvane::COptions options;
    options.Force = true;
    options.Observer = &observer;
    const transvane::CResult stopped = transvane::ConvertFile(source, target, options);
    EXPECT_EQ(stopped.Error, transvane::EErrorCode::Interrupted);
    EXPECT_EQ(stopped.Messages.back().Text, "Conversion interrupted.");
    EXPECT_EQ(ReadWholeFile(target), Bytes({1, 2, 3}));
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"game.vtr", "new.vtr"}));
}

// What a file holds, as info tells it; for a damaged one, where reading
// stopped.
TEST(ConversionLibrary, InspectsWhatAFileHolds) {
    const TProject source = SampleProject(441, 7);
    const CBlock file = WriteProject(source);
    const transvane::CInspection whole = transvane::Inspect(file);
    ASSERT_TRUE(whole.Ok());
    EXPECT_EQ(whole.Version, 441);
    EXPECT_EQ(whole.FileBytes, file.size());
    EXPECT_EQ(whole.GameId, source.GameId);
    EXPECT_EQ(whole.Sections.size(), static_cast<std::size_t>(GameSectionCount()));
    EXPECT_EQ(whole.Sections.back().Offset + whole.Sections.back().Bytes, file.size());
    EXPECT_EQ(whole.Author, Windows1252ToUtf8(source.Options.Author));
    EXPECT_EQ(whole.Counts.size(), 12u);
    EXPECT_FALSE(whole.Stopped);

    EXPECT_FALSE(transvane::Inspect(WriteProject(SampleProject(430))).Author) << "not stored before 441";
    const transvane::CInspection cut = transvane::Inspect(std::span(file).first(file.size() - 5));
    EXPECT_EQ(cut.Error, transvane::EErrorCode::Damaged);
    ASSERT_TRUE(cut.Stopped);
    EXPECT_EQ(cut.Stopped->Section, "Resource tree");
    EXPECT_EQ(cut.Sections.size(), static_cast<std::size_t>(GameSectionCount() - 1));
    EXPECT_TRUE(cut.Counts.empty());
    EXPECT_EQ(cut.GameId, source.GameId) << "the header was read";
    EXPECT_EQ(cut.Guid, whole.Guid);
    for (const transvane::CMessage& message : cut.Messages)
        EXPECT_NE(message.Text, "Error Loading: File seems to be corrupted.") << "Stopped tells it";
}

}  // namespace

}  // namespace transvane
