// Batch conversion of complete project files mixed with corrupt and missing
// ones: every good file is converted exactly as the single form converts
// it, the bad ones leave nothing behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

const std::string Corrupted = "Error Loading: File seems to be corrupted.";

struct TGoodFile {
    std::string Source;  // as given on the command line
    std::string Output;  // as the tool names it
    project::TProject Project;
};

// The lines of the text that start with prefix.
Strings LinesOf(const std::string& text, const std::string& prefix) {
    Strings found;
    for (const std::string& line : Lines(text))
        if (line.starts_with(prefix))
            found.push_back(line);
    return found;
}

Strings Prefixed(const std::string& prefix, const Strings& messages) {
    Strings lines;
    for (const std::string& message : messages)
        lines.push_back(prefix + ": " + message);
    return lines;
}

TEST(BatchConvertProjects, ConvertsEveryGoodFileAndNothingElse) {
    CScratchFolder folder;
    fs::create_directories(folder.File("old"));
    std::vector<TGoodFile> good = {
        {"old/first.vtr", "out/first.vtr", project::SampleProject(400, 1)},
        {"old/second.vk3", "out/second.vtr", project::SampleProject(440, 2)},
        {"third.vtr", "out/third.vtr", project::SampleProject(500, 3)},
    };
    for (const TGoodFile& file : good)
        WriteWholeFile(folder.File(file.Source), project::WriteProject(file.Project));
    // A good file cut in half, and a file that is no project at all.
    const CBlock whole = project::WriteProject(project::SampleProject(500, 4));
    const CBlock half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    WriteWholeFile(folder.File("old/cut.vtr"), half);
    WriteWholeFile(folder.File("notes.vtr"), Bytes({'n', 'o', 't', 'e', 's'}));
    // What is in the output folder under a failed file's name stays as it
    // is, even where --force allows replacing it.
    fs::create_directories(folder.File("out"));
    WriteWholeFile(folder.File("out/cut.vtr"), Bytes({1, 2, 3}));

    const double before = project::LocalNowAsDays();
    const CRunResult result = RunCli({"convert", "old/first.vtr", "old/cut.vtr", "old/second.vk3", "missing.vtr",
                                      "notes.vtr", "third.vtr", "--output-dir", "out", "--force"},
                                     folder.Path());
    const double after = project::LocalNowAsDays();

    EXPECT_EQ(result.Status, 1);
    // The messages of a file that converts are its warnings.
    EXPECT_EQ(Lines(result.Out),
              (Strings{"old/first.vtr: converted to out/first.vtr (4 warnings)",
                       "old/second.vk3: converted to out/second.vtr (4 warnings)",
                       "third.vtr: converted to out/third.vtr (already version 5, 5 warnings)",
                       "3 converted (3 with warnings), 3 failed", "  old/cut.vtr", "  missing.vtr", "  notes.vtr"}));
    // The part before the cut may show messages of its own; the last is the verdict.
    const Strings cut = LinesOf(result.Err, "old/cut.vtr: ");
    ASSERT_FALSE(cut.empty());
    EXPECT_EQ(cut.back(), "old/cut.vtr: " + Corrupted);
    EXPECT_EQ(LinesOf(result.Err, "missing.vtr: "), Strings{"missing.vtr: Error Loading: File does not exist."});
    EXPECT_EQ(LinesOf(result.Err, "notes.vtr: "),
              (Strings{"notes.vtr: Error Loading: This is not a vantrel file.", "notes.vtr: " + Corrupted}));

    for (const TGoodFile& file : good) {
        SCOPED_TRACE(file.Source);
        const project::TExpectation expected = project::ExpectedConversion(file.Project);
        // Every file drops something: its messages end with the line that
        // sums the losses up.
        Strings lines = LinesOf(result.Err, file.Source + ": ");
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(lines.back().ends_with(" (transvane-cli check " + file.Source + " lists them)")) << lines.back();
        lines.pop_back();
        EXPECT_EQ(lines, Prefixed(file.Source, expected.Messages));
        project::ExpectConverted(expected, project::ReadProject(ReadWholeFile(folder.File(file.Output))), before,
                                 after);
        EXPECT_EQ(ReadWholeFile(folder.File(file.Source)), project::WriteProject(file.Project))
            << "the source is left as it was";
    }
    EXPECT_EQ(FolderContents(folder.File("out")), (Strings{"cut.vtr", "first.vtr", "second.vtr", "third.vtr"}))
        << "no partial output, no backup, no temporary file";
    EXPECT_EQ(ReadWholeFile(folder.File("out/cut.vtr")), Bytes({1, 2, 3}));
}

// Several files at once give what one after the other gives: the same
// lines in the same order, the same summary, every output correct, with
// far more jobs than cores and more saves in flight than any fixed table
// of temporary files would hold.
TEST(BatchConvertProjects, JobsChangeNothingButTheTime) {
    const std::int32_t versions[] = {400, 410, 411, 420, 430, 440, 441, 500};
    Strings arguments = {"convert", "missing.vtr"};
    std::vector<project::TProject> projects;
    for (std::uint32_t copy = 0; copy < 5; ++copy)
        for (std::int32_t version : versions) {
            projects.push_back(project::SampleProject(version, static_cast<std::uint32_t>(version) + copy));
            arguments.push_back("v" + std::to_string(version) + "_" + std::to_string(copy) + ".vtr");
        }
    arguments.push_back("notes.vtr");
    const char* jobs[] = {"1", "16", "64"};
    constexpr std::size_t Runs = std::size(jobs);
    CRunResult runs[Runs];
    CScratchFolder folders[Runs];
    const double before = project::LocalNowAsDays();
    for (std::size_t run = 0; run < Runs; ++run) {
        for (std::size_t i = 0; i < projects.size(); ++i)
            WriteWholeFile(folders[run].File(arguments[i + 2]), project::WriteProject(projects[i]));
        WriteWholeFile(folders[run].File("notes.vtr"), Bytes({'n', 'o'}));
        Strings withJobs = arguments;
        withJobs.insert(withJobs.end(), {"-o", "out", "--jobs", jobs[run]});
        runs[run] = RunCli(withJobs, folders[run].Path());
    }
    const double after = project::LocalNowAsDays();
    const Strings out = Lines(runs[0].Out);
    EXPECT_EQ(Strings(out.end() - 3, out.end()),
              (Strings{"40 converted (40 with warnings), 2 failed", "  missing.vtr", "  notes.vtr"}));
    for (std::size_t run = 1; run < Runs; ++run) {
        SCOPED_TRACE(std::string("--jobs ") + jobs[run]);
        EXPECT_EQ(runs[run].Status, runs[0].Status);
        EXPECT_EQ(runs[run].Out, runs[0].Out);
        EXPECT_EQ(runs[run].Err, runs[0].Err);
        EXPECT_EQ(FolderContents(folders[run].File("out")).size(), projects.size()) << "no temporary file left";
    }
    for (std::size_t i = 0; i < projects.size(); ++i) {
        SCOPED_TRACE(arguments[i + 2]);
        const project::TExpectation expected = project::ExpectedConversion(projects[i]);
        for (CScratchFolder& folder : folders)
            project::ExpectConverted(
                expected, project::ReadProject(ReadWholeFile(folder.File("out/" + arguments[i + 2]))), before, after);
    }
}

TEST(BatchConvertProjects, QuietRunOfGoodFilesIsSilentAndKeepsBackups) {
    CScratchFolder folder;
    const project::TProject first = project::SampleProject(410, 5);
    const project::TProject second = project::SampleProject(500, 6);
    WriteWholeFile(folder.File("first.vtr"), project::WriteProject(first));
    WriteWholeFile(folder.File("second.vk1"), project::WriteProject(second));
    fs::create_directories(folder.File("out"));
    WriteWholeFile(folder.File("out/first.vtr"), Bytes({9, 9}));  // an earlier result

    const CRunResult result =
        RunCli({"convert", "--quiet", "-f", "first.vtr", "second.vk1", "-o", "out"}, folder.Path());
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "") << "the messages of converted files are not failures";
    EXPECT_EQ(FolderContents(folder.File("out")), (Strings{"first.vk1", "first.vtr", "second.vtr"}));
    EXPECT_EQ(ReadWholeFile(folder.File("out/first.vk1")), Bytes({9, 9}))
        << "the file that was there is kept as its backup (replaced with --force)";
    for (const char* output : {"out/first.vtr", "out/second.vtr"})
        EXPECT_NO_THROW(project::ReadProject(ReadWholeFile(folder.File(output)))) << output;
}

}  // namespace

}  // namespace transvane
