// transvane-cli convert SOURCE... --output-dir DIR, run as the user runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

#include "testkit/ProjectFiles.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string NotVantrel = "Error Loading: This is not a vantrel file.";
const std::string Corrupted = "Error Loading: File seems to be corrupted.";
const std::string Missing = "Error Loading: File does not exist.";

using Strings = std::vector<std::string>;

CBlock NotAProject() { return Bytes({'h', 'e', 'l', 'l', 'o'}); }

// A version-500 header and nothing after it: cut short at the first section.
CBlock HeaderOnly() {
    CStream stream;
    WriteHeader(stream, 500);
    return stream.Bytes();
}

// The names in a folder, sorted; empty for a folder that does not exist.
Strings FolderContents(const std::string& path) {
    Strings names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BatchConvert, GoesOnAfterFailuresAndSummarises) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    WriteWholeFile(folder.File("cut.vk3"), HeaderOnly());

    const CRunResult result =
        RunCli({"convert", "bad.vtr", "missing.vtr", "cut.vk3", "--output-dir", "out"}, folder.Path());

    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(MessageLines(result.Err), (Strings{"bad.vtr: " + NotVantrel, "bad.vtr: " + Corrupted,
                                                 "missing.vtr: " + Missing, "cut.vk3: " + Corrupted}));
    EXPECT_EQ(Lines(result.Out), Strings{"0 converted, 3 failed"});
    EXPECT_TRUE(fs::is_directory(folder.File("out")));
    EXPECT_EQ(FolderContents(folder.File("out")), Strings{}) << "no partial output";
    EXPECT_EQ(ReadWholeFile(folder.File("bad.vtr")), NotAProject());
    EXPECT_EQ(ReadWholeFile(folder.File("cut.vk3")), HeaderOnly());
}

TEST(BatchConvert, QuietPrintsOnlyFailures) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    for (const char* quiet : {"--quiet", "-q"}) {
        const CRunResult result =
            RunCli({"convert", quiet, "bad.vtr", "missing.vtr", "-o", "out"}, folder.Path());
        EXPECT_EQ(result.Status, 1) << quiet;
        EXPECT_EQ(result.Out, "") << quiet;
        EXPECT_EQ(MessageLines(result.Err), (Strings{"bad.vtr: " + NotVantrel, "bad.vtr: " + Corrupted,
                                                     "missing.vtr: " + Missing}))
            << quiet;
    }
}

TEST(BatchConvert, OptionSpellingsAndTheOutputFolder) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    const Strings expected{"bad.vtr: " + NotVantrel, "bad.vtr: " + Corrupted};
    const std::vector<Strings> spellings = {
        {"convert", "bad.vtr", "--output-dir=new/deeper/a"},
        {"convert", "-o", "new/deeper/b", "bad.vtr"},
        {"convert", "--output-dir", "new/deeper/c", "--", "bad.vtr"},
    };
    for (const Strings& arguments : spellings) {
        const CRunResult result = RunCli(arguments, folder.Path());
        EXPECT_EQ(result.Status, 1) << arguments.back();
        EXPECT_EQ(MessageLines(result.Err), expected) << arguments.back();
    }
    EXPECT_EQ(FolderContents(folder.File("new/deeper")), (Strings{"a", "b", "c"}))
        << "the output folder is created with its parents";

    // After "--" a name that looks like an option is a file.
    const CRunResult dashed = RunCli({"convert", "-o", "out", "--", "--quiet"}, folder.Path());
    EXPECT_EQ(dashed.Status, 1);
    EXPECT_EQ(MessageLines(dashed.Err), Strings{"--quiet: " + Missing});
}

// A usage error is one line naming the problem and a pointer to --help.
TEST(BatchConvert, UsageErrorsExitWithTwoAndConvertNothing) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    WriteWholeFile(folder.File("plain"), NotAProject());
    struct Case {
        Strings arguments;
        std::string problem;
        bool usage;  // the pointer to --help follows
    };
    const Case cases[] = {
        {{}, "no command given", true},
        {{"--fast"}, "unknown option --fast", true},
        {{"convrt", "a"}, "unknown command convrt", true},
        {{"convert"}, "convert needs a file", true},
        {{"convert", "bad.vtr"}, "converting one file needs a TARGET or --output-dir DIR", true},
        {{"convert", "bad.vtr", "b", "c"}, "converting several files needs --output-dir DIR", true},
        {{"convert", "-o", "out"}, "convert needs a file", true},
        {{"convert", "bad.vtr", "-o"}, "-o needs a folder name", true},
        {{"convert", "bad.vtr", "--output-dir="}, "--output-dir needs a folder name", true},
        {{"convert", "bad.vtr", "-o", "a", "-o", "b"}, "--output-dir is given more than once", true},
        {{"convert", "bad.vtr", "--fast", "-o", "out"}, "unknown option --fast", true},
        {{"convert", "-qx", "bad.vtr", "-o", "out"}, "unknown option -x", true},
        {{"convert", "--quiet=yes", "bad.vtr", "-o", "out"}, "--quiet takes no value", true},
        {{"convert", "-", "new.vtr"}, "convert cannot use \"-\"", true},
        {{"info"}, "info needs a file", true},
        {{"info", "a", "--xml"}, "unknown option --xml", true},
        {{"info", "a", "--json", "b"}, "info takes one file, not 2", true},
        {{"convert", "bad.vtr", "-o", "plain"}, "the output folder plain exists and is not a folder", false},
        {{"convert", "bad.vtr", "-o", "plain/sub"}, "cannot create the output folder plain/sub: ", false},
    };
    for (const Case& c : cases) {
        const CRunResult result = RunCli(c.arguments, folder.Path());
        const std::string shown = c.problem;
        EXPECT_EQ(result.Status, 2) << shown;
        EXPECT_EQ(result.Out, "") << shown;
        const Strings lines = Lines(result.Err);
        ASSERT_EQ(lines.size(), c.usage ? 2u : 1u) << result.Err;
        EXPECT_EQ(lines.front().rfind("transvane-cli: " + c.problem, 0), 0u) << lines.front();
        if (c.usage) {
            EXPECT_EQ(lines.back(), "Try 'transvane-cli --help'.");
        }
    }
    EXPECT_EQ(FolderContents(folder.Path()), (Strings{"bad.vtr", "plain"}));
}

TEST(BatchConvert, RefusesOutputsThatWouldReplaceASource) {
    CScratchFolder folder;
    fs::create_directories(folder.File("a"));
    fs::create_directories(folder.File("b"));
    fs::create_directories(folder.File("out"));
    WriteWholeFile(folder.File("a/g.vtr"), NotAProject());
    WriteWholeFile(folder.File("b/g.vk2"), NotAProject());
    WriteWholeFile(folder.File("out/self.vtr"), HeaderOnly());
    WriteWholeFile(folder.File("out/kept.vtr"), Bytes({7}));  // not a source
    WriteWholeFile(folder.File("out/kept.vk1"), HeaderOnly());

    const CRunResult result = RunCli({"convert", "a/g.vtr", "b/g.vk2", "./out/self.vtr",
                                      "out/kept.vk1", "--output-dir", "out/"},
                                     folder.Path());
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(MessageLines(result.Err),
              (Strings{
                  "a/g.vtr: " + NotVantrel,
                  "a/g.vtr: " + Corrupted,
                  "b/g.vk2: Not converted: its output out/g.vtr is already the output of a/g.vtr.",
                  "./out/self.vtr: Not converted: its output out/self.vtr would replace the "
                  "source file ./out/self.vtr; choose another output folder.",
                  "out/kept.vk1: Not converted: the backup of out/kept.vtr would replace the "
                  "source file out/kept.vk1; choose another output folder.",
              }));
    EXPECT_EQ(Lines(result.Out), Strings{"0 converted, 4 failed"});
    EXPECT_EQ(ReadWholeFile(folder.File("out/self.vtr")), HeaderOnly());
    EXPECT_EQ(ReadWholeFile(folder.File("out/kept.vtr")), Bytes({7}));
    EXPECT_EQ(ReadWholeFile(folder.File("out/kept.vk1")), HeaderOnly());
    EXPECT_EQ(FolderContents(folder.File("out")), (Strings{"kept.vk1", "kept.vtr", "self.vtr"}));
}

TEST(SingleConvert, KeepsItsPlainMessagesAndStatus) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    struct Case {
        Strings arguments;
        Strings messages;
    };
    const Case cases[] = {
        {{"convert", "bad.vtr", "new.vtr"}, {NotVantrel, Corrupted}},
        {{"convert", "missing.vtr", "new.vtr"}, {Missing}},
        // After "--" a name that starts with a dash is a file.
        {{"convert", "--", "-x", "new.vtr"}, {Missing}},
    };
    for (const Case& c : cases) {
        const CRunResult result = RunCli(c.arguments, folder.Path());
        EXPECT_EQ(result.Status, 1) << c.arguments[1];
        EXPECT_EQ(result.Out, "") << c.arguments[1];
        EXPECT_EQ(MessageLines(result.Err), c.messages) << c.arguments[1];
    }
    EXPECT_EQ(FolderContents(folder.Path()), Strings{"bad.vtr"});
}

// Each message is followed by its context: the file, and the cause the
// system gave or where reading stopped.
TEST(Messages, NameTheirFileAndCause) {
    CScratchFolder folder;
    fs::create_directories(folder.File("dir"));
    WriteWholeFile(folder.File("cut.vtr"), HeaderOnly());
    WriteWholeFile(folder.File("locked.vtr"), HeaderOnly());
    fs::permissions(folder.File("locked.vtr"), fs::perms::none);
    struct Case {
        std::string source;
        Strings lines;
    };
    std::vector<Case> cases = {
        {"missing.vtr", {Missing, "  file: missing.vtr", "  cause: No such file or directory"}},
        {"dir", {Missing, "  file: dir", "  cause: Is a directory"}},
        {"cut.vtr",
         {Corrupted, "  file: cut.vtr", "  section: Game options (from byte 32)", "  stopped at: byte 32",
          "  cause: Stream read error", "  more: transvane-cli info cut.vtr"}},
    };
    if (::geteuid() != 0)  // the superuser reads any file
        cases.push_back({"locked.vtr", {"Error Loading: Failed to load the file.", "  file: locked.vtr",
                                        "  cause: Permission denied"}});
    for (const Case& c : cases) {
        const CRunResult result = RunCli({"convert", c.source, "new.vtr"}, folder.Path());
        EXPECT_EQ(result.Status, 1) << c.source;
        EXPECT_EQ(Lines(result.Err), c.lines) << c.source;
    }
}

// Messages after which the conversion goes on are warnings: each names its
// place, and they are counted; --quiet keeps failures only.
TEST(Messages, WarningsNameTheirPlaceAndAreCounted) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("a.vtr"), project::WriteProject(project::SampleProject(500)));
    WriteWholeFile(folder.File("plain.vtr"), project::WriteProject(project::EmptyProject(440)));
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());

    const CRunResult single = RunCli({"convert", "a.vtr", "new.vtr"}, folder.Path());
    EXPECT_EQ(single.Status, 0);
    const Strings lines = Lines(single.Err);
    ASSERT_EQ(lines.size(), 5u * 3 + 2) << single.Err;
    EXPECT_EQ(Strings(lines.begin(), lines.begin() + 3),
              (Strings{"Failed to convert old action number: 70", "  file: a.vtr",
                       "  place: time line 0 \"line\", moment 30, action 4"}));
    EXPECT_EQ(lines[5], "  place: object 0 \"hero\", row 0, event 0, action 4");
    EXPECT_EQ(Strings(lines.end() - 2, lines.end()),
              (Strings{"transvane-cli: a.vtr was already version 5", "transvane-cli: converted with 5 warnings"}));
    EXPECT_EQ(RunCli({"convert", "-q", "a.vtr", "new.vtr"}, folder.Path()).Err, "");

    const CRunResult batch = RunCli({"convert", "a.vtr", "plain.vtr", "bad.vtr", "-o", "out"}, folder.Path());
    EXPECT_EQ(Lines(batch.Out), (Strings{"a.vtr: converted to out/a.vtr (already version 5, 5 warnings)",
                                         "plain.vtr: converted to out/plain.vtr",
                                         "2 converted (1 with warnings), 1 failed"}));
    EXPECT_EQ(Lines(batch.Err)[1], "  file: a.vtr");
    // Options stand anywhere and short ones combine.
    const CRunResult quiet = RunCli({"convert", "a.vtr", "-qo", "out2", "plain.vtr", "bad.vtr"}, folder.Path());
    EXPECT_EQ(quiet.Out, "");
    EXPECT_EQ(MessageLines(quiet.Err), (Strings{"bad.vtr: " + NotVantrel, "bad.vtr: " + Corrupted}));
}

}  // namespace
