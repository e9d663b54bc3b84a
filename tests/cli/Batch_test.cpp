// transvane-cli convert, run as the user runs it: the batch form, existing
// targets and --force, and interruptions.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "cli/Batch.h"
#include "format/core/Support_SafeSave.h"
#include "project/Resource_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace fs = std::filesystem;

namespace {

const std::string NotVantrel = "Error Loading: This is not a vantrel file.";
const std::string Corrupted = "Error Loading: File seems to be corrupted.";
const std::string Missing = "Error Loading: File does not exist.";

using Strings = std::vector<std::string>;

CBlock NotAProject() { return Bytes({'h', 'e', 'l', 'l', 'o'}); }

TEST(BatchConvert, GoesOnAfterFailuresAndSummarises) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    WriteWholeFile(folder.File("cut.vk3"), HeaderOnly());

    const CRunResult result =
        RunCli({"convert", "bad.vtr", "missing.vtr", "cut.vk3", "--output-dir", "out"}, folder.Path());

    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(MessageLines(result.Err), (Strings{"bad.vtr: " + NotVantrel, "bad.vtr: " + Corrupted,
                                                 "missing.vtr: " + Missing, "cut.vk3: " + Corrupted}));
    EXPECT_EQ(Lines(result.Out), (Strings{"3 failed", "  bad.vtr", "  missing.vtr", "  cut.vk3"}));
    EXPECT_FALSE(fs::exists(folder.File("out"))) << "the output folder it made, left empty, goes";
    EXPECT_EQ(ReadWholeFile(folder.File("bad.vtr")), NotAProject());
    EXPECT_EQ(ReadWholeFile(folder.File("cut.vk3")), HeaderOnly());

    // An empty output folder the run did not make stays.
    fs::create_directories(folder.File("there"));
    EXPECT_EQ(RunCli({"convert", "bad.vtr", "--output-dir", "there"}, folder.Path()).Status, 1);
    EXPECT_TRUE(fs::is_directory(folder.File("there")));
}

// The sub-folders a batch made for files whose saves failed go when it
// ends; those that existed before, and those holding anything, stay.
TEST(BatchConvert, EmptySubFoldersItMadeAreRemovedAtTheEnd) {
    CScratchFolder folder;
    fs::create_directories(folder.File("out/old"));
    CMadeFolders made;
    for (const char* file : {"out/old/a.vtr", "out/x/y/a.vtr", "out/x/b.vtr", "out/kept/c.vtr", "out/file/d.vtr"})
        made.MakeFor(folder.File(file));
    WriteWholeFile(folder.File("out/kept/c.vtr"), Bytes({1}));
    fs::remove(folder.File("out/file"));
    WriteWholeFile(folder.File("out/file"), Bytes({2}));  // a file took a folder's name
    made.RemoveEmpty();
    EXPECT_EQ(FolderTree(folder.File("out")), (Strings{"file", "kept", "kept/c.vtr", "old"}));
}

// A sub-folder of the output that cannot be made fails its file with the
// folder's cause, not the save's finding that there is no folder.
TEST(BatchConvert, ASubFolderThatCannotBeMadeNamesItsCause) {
    CScratchFolder folder;
    fs::create_directories(folder.File("tree/sub"));
    fs::create_directories(folder.File("out"));
    WriteWholeFile(folder.File("tree/sub/a.vtr"), project::WriteProject(project::EmptyProject(440)));
    WriteWholeFile(folder.File("out/sub"), Bytes({1}));
    const CRunResult result = RunCli({"convert", "tree", "-o", "out"}, folder.Path());
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(Lines(result.Err), (Strings{"tree/sub/a.vtr: " + std::string(CannotCreateFile), "  file: out/sub/a.vtr",
                                          "  cause: cannot create the folder out/sub: Not a directory"}));
}

// What an interruption's handler does, Stop then RemoveAll, while 16 or 64
// threads make folders and start saves as fast as they can: after it, none
// makes a folder or a hidden file, so that the process ending there leaves
// nothing behind.  The saves stay alive over the check, as they do in a
// process that ends.
TEST(BatchConvert, NothingIsMadeOnceAnInterruptionCleanedUp) {
    for (const int jobs : {16, 64}) {
        SCOPED_TRACE(jobs);
        CScratchFolder folder;
        CPendingFiles pending;
        CMadeFolders made(&pending);
        std::vector<std::optional<CSafeSave>> saves(static_cast<std::size_t>(jobs));
        std::vector<std::jthread> workers;
        for (int j = 0; j < jobs; ++j)
            workers.emplace_back([&, j] {
                for (int k = 0; k < 10000; ++k) {
                    const std::string file =
                        folder.File("out/" + std::to_string(j) + "/" + std::to_string(k) + "/a.vtr");
                    if (made.Make(fs::path(file).parent_path().string()))
                        return;
                    try {
                        saves[static_cast<std::size_t>(j)].emplace(file, CBackupSeries{".vk", 9}, &pending);
                    } catch (const EFileError&) {
                        return;
                    }
                }
            });
        while (pending.ArmedCount() < static_cast<std::size_t>(jobs) * 4)
            std::this_thread::yield();
        pending.Stop();
        pending.RemoveAll();
        workers.clear();
        EXPECT_EQ(FolderTree(folder.Path()), Strings{});
    }
}

TEST(BatchConvert, OptionSpellingsAndTheOutputFolder) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    WriteWholeFile(folder.File("good.vtr"), project::WriteProject(project::EmptyProject(440)));
    const Strings expected{"bad.vtr: " + NotVantrel, "bad.vtr: " + Corrupted};
    const std::vector<Strings> spellings = {
        {"convert", "bad.vtr", "good.vtr", "--output-dir=new/deeper/a"},
        {"convert", "-o", "new/deeper/b", "bad.vtr", "good.vtr"},
        {"convert", "--output-dir", "new/deeper/c", "--", "bad.vtr", "good.vtr"},
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

// A usage error is one line naming the problem and a pointer to --help,
// exit status 2; an output folder that cannot be made is a failure (1).
TEST(BatchConvert, UsageErrorsAndUnusableFoldersConvertNothing) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), NotAProject());
    WriteWholeFile(folder.File("plain"), NotAProject());
    fs::create_directories(folder.File("sub"));
    struct Case {
        Strings arguments;
        std::string problem;
        bool usage;  // the pointer to --help follows
    };
    const Case cases[] = {
        {{}, "no command given", true},
        {{"--fast"}, "unknown option --fast", true},
        {{"frobnicate", "a"}, "unknown command frobnicate", true},
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
        {{"convert", "bad.vtr", "sub/"}, "TARGET sub/ is a folder; to convert into it, use --output-dir sub/", true},
        {{"convert", "bad.vtr", "new/"}, "TARGET new/ is a folder; to convert into it, use --output-dir new/", true},
        {{"recover", "bad.vtr", "sub"}, "TARGET sub is a folder; recovery writes one file", true},
        {{"convert", "bad.vtr", "-o", "out", "-j", "0"}, "--jobs needs a whole number from 1 to 256, not 0", true},
        {{"convert", "bad.vtr", "-o", "out", "-j", "257"}, "--jobs needs a whole number from 1 to 256, not 257", true},
        {{"convert", "bad.vtr", "-o", "out", "-j", "-1"}, "--jobs needs a whole number from 1 to 256, not -1", true},
        {{"convert", "bad.vtr", "-o", "out", "-f", "--skip-existing"},
         "--skip-existing and --force cannot be used together",
         true},
        {{"info"}, "info needs a file", true},
        {{"info", "a", "--xml"}, "unknown option --xml", true},
        {{"info", "a", "--json", "b"}, "info takes one file, not 2", true},
        {{"extract", "a"}, "extract needs a file and a folder", true},
        {{"extract", "a", "b", "c"}, "extract takes a file and a folder, not 3", true},
        {{"help", "frobnicate"}, "unknown command frobnicate", true},
        {{"help", "info", "check"}, "help takes one command, not 2", true},
        {{"convert", "bad.vtr", "-o", "plain"}, "the output folder plain exists and is not a folder", false},
        {{"convert", "bad.vtr", "-o", "plain/sub"}, "cannot create the output folder plain/sub: ", false},
    };
    for (const Case& c : cases) {
        const CRunResult result = RunCli(c.arguments, folder.Path());
        const std::string shown = c.problem;
        EXPECT_EQ(result.Status, c.usage ? 2 : 1) << shown;
        EXPECT_EQ(result.Out, "") << shown;
        const Strings lines = Lines(result.Err);
        ASSERT_EQ(lines.size(), c.usage ? 2u : 1u) << result.Err;
        EXPECT_EQ(lines.front().rfind("transvane-cli: " + c.problem, 0), 0u) << lines.front();
        if (c.usage) {
            EXPECT_EQ(lines.back(), "Try 'transvane-cli --help'.");
        }
    }
    EXPECT_EQ(FolderContents(folder.Path()), (Strings{"bad.vtr", "plain", "sub"}));

    // A slip of the keyboard in a command or a long option names what was
    // probably meant, on a line of its own; a far or short name, as above,
    // names nothing.
    const std::pair<Strings, std::string> slips[] = {
        {{"convert", "bad.vtr", "new.vtr", "--froce"}, "unknown option --froce\n  did you mean --force?"},
        {{"convert", "bad.vtr", "-o", "out", "--job=2"}, "unknown option --job\n  did you mean --jobs?"},
        {{"convrt", "bad.vtr"}, "unknown command convrt\n  did you mean convert?"},
        {{"help", "ifno"}, "unknown command ifno\n  did you mean info?"},
        {{"CONVERT", "bad.vtr"}, "unknown command CONVERT\n  did you mean convert?"},
        {{"info", "bad.vtr", "--jsno"}, "unknown option --jsno\n  did you mean --json?"},
    };
    for (const auto& [arguments, problem] : slips) {
        const CRunResult result = RunCli(arguments, folder.Path());
        EXPECT_EQ(result.Status, 2) << problem;
        EXPECT_EQ(result.Err, "transvane-cli: " + problem + "\nTry 'transvane-cli --help'.\n");
    }
    EXPECT_EQ(FolderContents(folder.Path()), (Strings{"bad.vtr", "plain", "sub"}));
}

// The tool's help gives each command one whole sentence, and every help
// stays within 80 columns; "help [COMMAND]" is --help by another name, and
// --version wins wherever it stands before "--".
TEST(CommandLine, HelpAndVersion) {
    const CRunResult help = RunCli({"--help"});
    EXPECT_EQ(help.Status, 0);
    const Strings lines = Lines(help.Out);
    for (const std::string& line : lines)
        EXPECT_LT(line.size(), 80u) << line;
    auto command = std::find(lines.begin(), lines.end(), "Commands:");
    ASSERT_NE(command, lines.end());
    int commands = 0;
    for (++command; command != lines.end() && !command->empty(); ++command, ++commands)
        EXPECT_TRUE(command->starts_with("  ") && command->ends_with(".")) << *command;
    EXPECT_EQ(commands, 6);
    EXPECT_EQ(RunCli({"help"}).Out, help.Out);
    for (const char* name : {"convert", "info", "check", "extract", "recover"}) {
        const CRunResult one = RunCli({"help", name});
        EXPECT_EQ(one.Status, 0) << name;
        EXPECT_TRUE(one.Out.starts_with(std::string("Usage: transvane-cli ") + name + " ")) << one.Out;
        EXPECT_EQ(one.Out, RunCli({name, "--help"}).Out) << name;
        EXPECT_EQ(one.Out, RunCli({"--help", name}).Out) << name;
        for (const std::string& line : Lines(one.Out))
            EXPECT_LT(line.size(), 80u) << line;
    }

    const CRunResult version = RunCli({"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_TRUE(version.Out.starts_with("transvane-cli ")) << version.Out;
    for (const Strings& arguments : std::vector<Strings>{{"convert", "a.vtr", "--version"},
                                                         {"info", "--json", "--version", "--bogus"},
                                                         {"help", "convert", "--version"},
                                                         {"--help", "--version"}}) {
        const CRunResult run = RunCli(arguments);
        EXPECT_EQ(run.Status, 0) << arguments.back();
        EXPECT_EQ(run.Out, version.Out);
    }
    EXPECT_EQ(RunCli({"info", "--", "--version"}).Status, 1) << "after --, a file of that name";
}

TEST(BatchConvert, RefusesOutputsThatWouldReplaceASource) {
    CScratchFolder folder;
    fs::create_directories(folder.File("a"));
    fs::create_directories(folder.File("b"));
    fs::create_directories(folder.File("out"));
    WriteWholeFile(folder.File("a/g.vtr"), NotAProject());
    WriteWholeFile(folder.File("b/g.vk2"), NotAProject());
    WriteWholeFile(folder.File("out/self.vtr"), HeaderOnly());
    WriteWholeFile(folder.File("a/self.vtr"), NotAProject());
    WriteWholeFile(folder.File("out/kept.vtr"), Bytes({7}));  // not a source
    WriteWholeFile(folder.File("out/kept.vk1"), HeaderOnly());

    const CRunResult result = RunCli(
        {"convert", "a/g.vtr", "b/g.vk2", "a/self.vtr", "./out/self.vtr", "out/kept.vk1", "--output-dir", "out/"},
        folder.Path());
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(MessageLines(result.Err), (Strings{
                                            "a/g.vtr: " + NotVantrel,
                                            "a/g.vtr: " + Corrupted,
                                            // a/g.vtr wrote nothing: its output is b/g.vk2's to try.
                                            "b/g.vk2: " + NotVantrel,
                                            "b/g.vk2: " + Corrupted,
                                            "a/self.vtr: Not converted: its output out/self.vtr would replace the "
                                            "source file ./out/self.vtr; choose another output folder.",
                                            // A refused file claims no output: the project converts in
                                            // place (and is found damaged).
                                            "./out/self.vtr: " + Corrupted,
                                            "out/kept.vk1: Not converted: the backup of out/kept.vtr would replace the "
                                            "source file out/kept.vk1; choose another output folder.",
                                        }));
    EXPECT_EQ(Lines(result.Out),
              (Strings{"5 failed", "  a/g.vtr", "  b/g.vk2", "  a/self.vtr", "  ./out/self.vtr", "  out/kept.vk1"}));
    EXPECT_EQ(ReadWholeFile(folder.File("out/self.vtr")), HeaderOnly());
    EXPECT_EQ(ReadWholeFile(folder.File("out/kept.vtr")), Bytes({7}));
    EXPECT_EQ(ReadWholeFile(folder.File("out/kept.vk1")), HeaderOnly());
    EXPECT_EQ(FolderContents(folder.File("out")), (Strings{"kept.vk1", "kept.vtr", "self.vtr"}));

    // The rotation stops at the first free number: a backup beyond it is
    // not moved, so it may be the source.
    fs::create_directories(folder.File("c"));
    WriteWholeFile(folder.File("c/g.vtr"), Bytes({7}));
    const CBlock backup = project::WriteProject(project::EmptyProject(450));
    WriteWholeFile(folder.File("c/g.vk2"), backup);
    const CRunResult gap = RunCli({"convert", "c/g.vk2", "-o", "c", "--force"}, folder.Path());
    EXPECT_EQ(gap.Status, 0) << gap.Err;
    EXPECT_EQ(ReadWholeFile(folder.File("c/g.vk1")), Bytes({7}));
    EXPECT_EQ(ReadWholeFile(folder.File("c/g.vk2")), backup);
}

// Converts without a message.
const project::TProject Small = project::EmptyProject(440);

// Files that share an output: the first that writes it owns it, whatever
// the jobs; a file that fails writes nothing and leaves it to the next.
TEST(BatchConvert, AFileThatWritesNothingLeavesItsOutputToTheNext) {
    CScratchFolder folder;
    for (const char* sub : {"a", "b", "c", "d"})
        fs::create_directories(folder.File(sub));
    WriteWholeFile(folder.File("a/g.vtr"), NotAProject());
    WriteWholeFile(folder.File("d/g.vtr"), NotAProject());
    for (const std::int32_t id : {2, 3}) {
        project::TProject project = Small;
        project.GameId = id;
        WriteWholeFile(folder.File(id == 2 ? "b/g.vtr" : "c/g.vtr"), project::WriteProject(project));
    }
    const std::string taken = ": Not converted: its output out/g.vtr is already the output of b/g.vtr.";
    for (const char* jobs : {"1", "16", "64"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(folder.File("out"));
        const CRunResult shared =
            RunCli({"convert", "a/g.vtr", "b/g.vtr", "c/g.vtr", "d/g.vtr", "-o", "out", "-j", jobs}, folder.Path());
        EXPECT_EQ(shared.Status, 1);
        EXPECT_EQ(Lines(shared.Out), (Strings{"b/g.vtr: converted to out/g.vtr", "1 converted, 3 failed", "  a/g.vtr",
                                              "  c/g.vtr", "  d/g.vtr"}));
        EXPECT_EQ(MessageLines(shared.Err),
                  (Strings{"a/g.vtr: " + NotVantrel, "a/g.vtr: " + Corrupted, "c/g.vtr" + taken, "d/g.vtr" + taken}));
        EXPECT_EQ(project::ReadProject(ReadWholeFile(folder.File("out/g.vtr"))).GameId, 2);

        const CRunResult bothFail = RunCli({"convert", "a/g.vtr", "d/g.vtr", "-o", "out2", "-j", jobs}, folder.Path());
        EXPECT_EQ(MessageLines(bothFail.Err), (Strings{"a/g.vtr: " + NotVantrel, "a/g.vtr: " + Corrupted,
                                                       "d/g.vtr: " + NotVantrel, "d/g.vtr: " + Corrupted}));
    }
}

// A folder stands for the .vtr files below it, each converted to the same
// path under the output folder; the output folder inside it and a link
// back up the tree are passed by.  Its backups, and what is named as a
// project but is no ordinary file, are counted as skipped, and named with
// --verbose.  A second run with --skip-existing finishes what the first
// left undone and exits 0.
TEST(BatchConvert, FolderTwiceWithSkipExisting) {
    CScratchFolder folder;
    fs::create_directories(folder.File("proj/sub/deeper"));
    fs::create_directories(folder.File("proj/conv"));
    WriteWholeFile(folder.File("proj/a.vtr"), project::WriteProject(Small));
    WriteWholeFile(folder.File("proj/a.vk1"), project::WriteProject(Small));
    WriteWholeFile(folder.File("proj/B.VTR"), project::WriteProject(project::EmptyProject(500)));
    WriteWholeFile(folder.File("proj/notes.txt"), NotAProject());
    WriteWholeFile(folder.File("proj/sub/c.vtr"), project::WriteProject(Small));
    WriteWholeFile(folder.File("proj/sub/old.VK3"), project::WriteProject(Small));
    WriteWholeFile(folder.File("proj/sub/deeper/d.vtr"), NotAProject());
    fs::create_directory_symlink("..", folder.File("proj/sub/up"));
    fs::create_symlink("nowhere.vtr", folder.File("proj/gone.vtr"));
    ASSERT_EQ(::mkfifo(folder.File("proj/pipe.vtr").c_str(), 0600), 0);  // opening it would block

    const Strings arguments{"convert", "proj", "-o", "proj/conv", "-j", "2"};
    const CRunResult first = RunCli(arguments, folder.Path());
    EXPECT_EQ(first.Status, 1);
    EXPECT_EQ(Lines(first.Out),
              (Strings{"proj/B.VTR: converted to proj/conv/B.VTR (already version 5)",
                       "proj/a.vtr: converted to proj/conv/a.vtr", "proj/sub/c.vtr: converted to proj/conv/sub/c.vtr",
                       "3 converted, 4 skipped, 1 failed", "  proj/sub/deeper/d.vtr"}));
    EXPECT_EQ(MessageLines(first.Err),
              (Strings{"proj/sub/deeper/d.vtr: " + NotVantrel, "proj/sub/deeper/d.vtr: " + Corrupted}));

    WriteWholeFile(folder.File("proj/sub/deeper/d.vtr"), project::WriteProject(Small));
    Strings again = arguments;
    again.insert(again.end(), {"--skip-existing", "--verbose"});
    const CRunResult second = RunCli(again, folder.Path());
    EXPECT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(
        Lines(second.Out),
        (Strings{"proj/B.VTR: skipped: proj/conv/B.VTR already exists", "proj/a.vk1: skipped: backup of proj/a.vtr",
                 "proj/a.vtr: skipped: proj/conv/a.vtr already exists",
                 "proj/gone.vtr: skipped: a link that leads nowhere",
                 "proj/pipe.vtr: skipped: not an ordinary file (a FIFO, device or socket)",
                 "proj/sub/c.vtr: skipped: proj/conv/sub/c.vtr already exists",
                 "proj/sub/deeper/d.vtr: converted to proj/conv/sub/deeper/d.vtr",
                 "proj/sub/old.VK3: skipped: a backup; name it to convert it", "1 converted, 7 skipped"}));
    EXPECT_EQ(second.Err, "");
    EXPECT_EQ(FolderTree(folder.File("proj/conv")),
              (Strings{"B.VTR", "a.vtr", "sub", "sub/c.vtr", "sub/deeper", "sub/deeper/d.vtr"}));
    for (const char* output : {"B.VTR", "a.vtr", "sub/c.vtr", "sub/deeper/d.vtr"})
        EXPECT_NO_THROW(project::ReadProject(ReadWholeFile(folder.File("proj/conv/") + output))) << output;

    // A folder with nothing to convert is most likely the wrong one.
    fs::create_directories(folder.File("proj/empty"));
    WriteWholeFile(folder.File("proj/empty/a.vk1"), project::WriteProject(Small));
    const CRunResult empty = RunCli({"convert", "proj/empty", "-o", "other"}, folder.Path());
    EXPECT_EQ(empty.Status, 1);
    EXPECT_EQ(MessageLines(empty.Err), Strings{"proj/empty: Not converted: the folder holds no .vtr file."});
}

// Converted into its own folder, a version-5 file is left as it is (even
// with --skip-existing, which leaves other outputs alone) and a version-4
// one is converted in place, its original kept as a backup.
TEST(BatchConvert, FolderIntoItself) {
    CScratchFolder folder;
    fs::create_directories(folder.File("proj"));
    const CBlock old = project::WriteProject(Small);
    const CBlock current = project::WriteProject(project::EmptyProject(500));
    WriteWholeFile(folder.File("proj/a.vtr"), old);
    WriteWholeFile(folder.File("proj/b.vtr"), current);
    const Strings arguments{"convert", "proj", "-o", "proj", "--skip-existing"};
    const std::string unchanged = " was already version 5; left unchanged";

    const CRunResult first = RunCli(arguments, folder.Path());
    EXPECT_EQ(first.Status, 0);
    EXPECT_EQ(Lines(first.Out), (Strings{"proj/a.vtr: converted to proj/a.vtr (the earlier one kept as proj/a.vk1)",
                                         "proj/b.vtr" + unchanged, "1 converted, 1 unchanged"}));
    const CRunResult second = RunCli(arguments, folder.Path());
    EXPECT_EQ(second.Status, 0);
    EXPECT_EQ(Lines(second.Out),
              (Strings{"proj/a.vtr" + unchanged, "proj/b.vtr" + unchanged, "2 unchanged, 1 skipped"}));
    EXPECT_EQ(FolderContents(folder.File("proj")), (Strings{"a.vk1", "a.vtr", "b.vtr"}));
    EXPECT_EQ(ReadWholeFile(folder.File("proj/a.vk1")), old);
    EXPECT_EQ(ReadWholeFile(folder.File("proj/b.vtr")), current);
}

// Names in capitals (projects copied from Windows) keep their case: a
// project converts in place under its own name, its backups stay one
// series, and a backup converts to the project of its case.  A series
// spelt in two cases is refused before anything is written.
TEST(BatchConvert, NamesInCapitalsKeepTheirCase) {
    struct Case {
        Strings files;  // in proj/
        Strings arguments;
        Strings out, err, after;
    };
    const Case cases[] = {
        {{"GAME.VTR", "GAME.VK1"},
         {"proj", "-o", "proj"},
         {"proj/GAME.VTR: converted to proj/GAME.VTR (the earlier one kept as proj/GAME.VK1)",
          "1 converted, 1 skipped"},
         {},
         {"proj", "proj/GAME.VK1", "proj/GAME.VK2", "proj/GAME.VTR"}},
        {{"GAME.VTR", "GAME.VK1"},
         {"proj/GAME.VK1", "-o", "conv"},
         {"proj/GAME.VK1: converted to conv/GAME.VTR", "1 converted"},
         {},
         {"conv", "conv/GAME.VTR", "proj", "proj/GAME.VK1", "proj/GAME.VTR"}},
        {{"GAME.VTR", "GAME.vk1", "GAME.VK1"},
         {"proj", "-o", "proj"},
         {"2 skipped, 1 failed", "  proj/GAME.VTR"},
         {"proj/GAME.VTR: Error Saving: Cannot create the file. The game has not been saved!Try saving your work under "
          "a different name.",
          "  file: proj/GAME.VTR",
          "  cause: its backups are named in two cases, GAME.VK1 and GAME.vk1; rename them to one case, or move one "
          "series away"},
         {"proj", "proj/GAME.VK1", "proj/GAME.VTR", "proj/GAME.vk1"}},
    };
    for (const Case& c : cases) {
        const std::string shown = ::testing::PrintToString(c.arguments);
        CScratchFolder folder;
        fs::create_directories(folder.File("proj"));
        for (const std::string& name : c.files)
            WriteWholeFile(folder.File("proj/" + name), project::WriteProject(Small));
        Strings arguments{"convert"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CRunResult result = RunCli(arguments, folder.Path());
        EXPECT_EQ(result.Status, c.err.empty() ? 0 : 1) << shown;
        EXPECT_EQ(Lines(result.Out), c.out) << shown;
        EXPECT_EQ(Lines(result.Err), c.err) << shown;
        EXPECT_EQ(FolderTree(folder.Path()), c.after) << shown;
    }
}

// A project wins its name over its backups, whatever their order; a backup
// given without its project converts.
TEST(BatchConvert, ProjectBesideItsBackups) {
    struct Case {
        Strings sources;
        Strings out, err;
        std::int32_t gameId;  // of conv/game.vtr
    };
    const Case cases[] = {
        {{"proj/game.vk1", "proj/game.vk2", "proj/game.vtr"},
         {"proj/game.vk1: skipped: backup of proj/game.vtr", "proj/game.vk2: skipped: backup of proj/game.vtr",
          "proj/game.vtr: converted to conv/game.vtr", "1 converted, 2 skipped"},
         {},
         3},
        {{"proj/game.vk2", "proj"},
         {"proj/game.vk2: skipped: backup of proj/game.vtr", "proj/game.vtr: converted to conv/game.vtr",
          "1 converted, 3 skipped"},
         {},
         3},
        {{"proj/game.vk2", "proj/game.vk1"},
         {"proj/game.vk2: converted to conv/game.vtr", "1 converted, 1 failed", "  proj/game.vk1"},
         {"proj/game.vk1: Not converted: its output conv/game.vtr is already the output of proj/game.vk2."},
         2},
        // One file named twice, however spelt, converts once.
        {{"proj/game.vtr", "proj/../proj/game.vtr", "proj/game.vtr", "--verbose"},
         {"proj/game.vtr: converted to conv/game.vtr", "proj/../proj/game.vtr: skipped: the same file as proj/game.vtr",
          "proj/game.vtr: skipped: the same file as proj/game.vtr", "1 converted, 2 skipped"},
         {},
         3},
        {{"proj/game.vk1", "proj/game.vk1", "-j", "16"},
         {"proj/game.vk1: converted to conv/game.vtr", "1 converted, 1 skipped"},
         {},
         1},
    };
    for (const Case& c : cases) {
        const std::string shown = ::testing::PrintToString(c.sources);
        CScratchFolder folder;
        fs::create_directories(folder.File("proj"));
        for (std::int32_t n = 1; n <= 3; ++n) {
            project::TProject project = project::EmptyProject(440);
            project.GameId = n;
            WriteWholeFile(folder.File(n == 3 ? "proj/game.vtr" : "proj/game.vk" + std::to_string(n)),
                           project::WriteProject(project));
        }
        Strings arguments{"convert", "-o", "conv"};
        arguments.insert(arguments.end(), c.sources.begin(), c.sources.end());
        const CRunResult result = RunCli(arguments, folder.Path());
        EXPECT_EQ(result.Status, c.err.empty() ? 0 : 1) << shown;
        EXPECT_EQ(Lines(result.Out), c.out) << shown;
        EXPECT_EQ(Lines(result.Err), c.err) << shown;
        EXPECT_EQ(project::ReadProject(ReadWholeFile(folder.File("conv/game.vtr"))).GameId, c.gameId) << shown;
        EXPECT_EQ(FolderContents(folder.File("conv")), Strings{"game.vtr"}) << shown;
    }
}

// An existing target is replaced only when it is the source itself (any
// name of it) or with --force, and then kept as its .vk1, which the tool
// names; refused, it is
// left as it was and the tool says so in one line, before loading anything.
TEST(ConvertExistingTarget, NeedsForceUnlessItIsTheSource) {
    struct Case {
        Strings arguments;
        int status;
        Strings err;
        Strings after;  // the folder afterwards
    };
    const std::string refused =
        "transvane-cli: b.vtr already exists; use --force to replace it, or --skip-existing to leave it";
    const std::string keptB = "transvane-cli: the earlier b.vtr was kept as b.vk1";
    const Case cases[] = {
        {{"a.vtr", "b.vtr"}, 1, {refused}, {"a.vtr", "b.vtr", "l.vtr", "out", "out/a.vtr"}},
        {{"a.vtr", "b.vtr", "--force"}, 0, {keptB}, {"a.vtr", "b.vk1", "b.vtr", "l.vtr", "out", "out/a.vtr"}},
        {{"-f", "a.vtr", "b.vtr"}, 0, {keptB}, {"a.vtr", "b.vk1", "b.vtr", "l.vtr", "out", "out/a.vtr"}},
        {{"a.vtr", "./a.vtr"},
         0,
         {"transvane-cli: the earlier ./a.vtr was kept as ./a.vk1"},
         {"a.vk1", "a.vtr", "b.vtr", "l.vtr", "out", "out/a.vtr"}},
        // A link to the source: its file is replaced, and backed up beside it.
        {{"a.vtr", "l.vtr"},
         0,
         {"transvane-cli: the earlier l.vtr was kept as a.vk1"},
         {"a.vk1", "a.vtr", "b.vtr", "l.vtr", "out", "out/a.vtr"}},
        {{"missing.vtr", "b.vtr"}, 1, {refused}, {"a.vtr", "b.vtr", "l.vtr", "out", "out/a.vtr"}},
        {{"a.vtr", "b.vtr", "--skip-existing"},
         0,
         {"transvane-cli: skipped: b.vtr already exists"},
         {"a.vtr", "b.vtr", "l.vtr", "out", "out/a.vtr"}},
        // In a batch the file with an existing output fails, the others go on.
        {{"a.vtr", "l.vtr", "-o", "out"},
         1,
         {"a.vtr: Not converted: its output out/a.vtr already exists; use --force to replace it, or --skip-existing to "
          "leave it."},
         {"a.vtr", "b.vtr", "l.vtr", "out", "out/a.vtr", "out/l.vtr"}},
        {{"a.vtr", "l.vtr", "-o", "out", "-f"},
         0,
         {},
         {"a.vtr", "b.vtr", "l.vtr", "out", "out/a.vk1", "out/a.vtr", "out/l.vtr"}},
    };
    for (const Case& c : cases) {
        const std::string shown = ::testing::PrintToString(c.arguments);
        CScratchFolder folder;
        WriteWholeFile(folder.File("a.vtr"), project::WriteProject(Small));
        WriteWholeFile(folder.File("b.vtr"), NotAProject());
        fs::create_symlink("a.vtr", folder.File("l.vtr"));
        fs::create_directory(folder.File("out"));
        WriteWholeFile(folder.File("out/a.vtr"), NotAProject());
        Strings arguments{"convert"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CRunResult result = RunCli(arguments, folder.Path());
        EXPECT_EQ(result.Status, c.status) << shown;
        EXPECT_EQ(Lines(result.Err), c.err) << shown;
        EXPECT_EQ(FolderTree(folder.Path()), c.after) << shown;
        const bool replaced = std::find(c.after.begin(), c.after.end(), "b.vk1") != c.after.end();
        EXPECT_EQ(ReadWholeFile(folder.File("b.vtr")) == NotAProject(), !replaced) << shown;
        EXPECT_TRUE(fs::is_symlink(folder.File("l.vtr"))) << shown;
    }
}

// A large conversion onto an existing project, interrupted by SIGINT at
// moments drawn over the length of a whole run: the target's name always
// holds a whole project, the old one or the new one; no temporary file is
// left; the tool says so and exits with 130 (or 0 when it had finished).
// The signal is held back until the tool has installed its handlers, so
// every kill meets a tool that handles it.
TEST(ConvertInterrupted, TheTargetNameAlwaysHoldsAWholeProject) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("big.vtr"), project::WriteProject(project::BulkyProject(std::size_t{16} << 20)));
    const CBlock old = project::WriteProject(Small);
    const std::string target = folder.File("t.vtr");
    const Strings arguments{"convert", "--force", "big.vtr", "t.vtr"};

    WriteWholeFile(target, old);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli(arguments, folder.Path()).Status, 0);
    const auto whole = std::chrono::steady_clock::now() - started;
    const auto newSize = static_cast<off_t>(fs::file_size(target));

    std::mt19937 random(15);
    std::uniform_int_distribution<long long> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(whole).count());
    int interrupted = 0;
    for (int kill = 0; kill < 6; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        WriteWholeFile(target, old);
        fs::remove(folder.File("t.vk1"));
        // Meanwhile a thread keeps opening the name: it must always open,
        // and what it opens must have the size of a whole project.
        std::atomic<bool> stop{false};
        int missing = 0;
        std::set<off_t> sizes;
        std::thread watcher([&] {
            while (!stop) {
                const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
                struct stat info {};
                if (fd < 0 || ::fstat(fd, &info) != 0)
                    ++missing;
                else
                    sizes.insert(info.st_size);
                if (fd >= 0)
                    ::close(fd);
            }
        });
        CRunningProgram cli(CliPath(), arguments, folder.Path(), {SIGINT});
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        cli.Signal(SIGINT);
        const CRunResult result = cli.Wait();
        stop = true;
        watcher.join();

        EXPECT_EQ(missing, 0);
        for (const off_t size : sizes)
            EXPECT_TRUE(size == static_cast<off_t>(old.size()) || size == newSize) << size;
        const CBlock now = ReadWholeFile(target);
        if (result.Status == 130) {
            ++interrupted;
            EXPECT_EQ(Lines(result.Err).back(), "Conversion interrupted.");
        } else {
            EXPECT_EQ(result.Status, 0);
        }
        if (now != old) {
            EXPECT_EQ(now.size(), static_cast<std::size_t>(newSize));
            EXPECT_NO_THROW(project::ReadProject(now));
        } else {
            EXPECT_EQ(result.Status, 130) << "a finished run leaves the new project";
        }
        Strings left = FolderContents(folder.Path());
        std::erase(left, "t.vk1");  // the old project's backup, once the rename came near
        EXPECT_EQ(left, (Strings{"big.vtr", "t.vtr"})) << "no temporary file";
    }
    EXPECT_GT(interrupted, 0);
}

// A batch interrupted in its first file, by SIGTERM once the file is being
// written: the file counts as failed, the others are named as not
// converted, the summary comes, and nothing is left in the output folder
// but what was converted: the folders the run made and left empty go too,
// the output folder itself among them.  SIGHUP ends the single form the
// same way.
TEST(ConvertInterrupted, BatchSaysWhereItStoppedAndSummarises) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("big.vtr"), project::WriteProject(project::BulkyProject(std::size_t{4} << 20)));
    WriteWholeFile(folder.File("small.vtr"), project::WriteProject(Small));
    fs::create_directories(folder.File("tree/sub/deep"));
    fs::create_directories(folder.File("out/old"));
    // Big enough that its save is still under way when the small file
    // beside it has been converted, on a busy machine too.
    WriteWholeFile(folder.File("tree/sub/deep/big.vtr"),
                   project::WriteProject(project::BulkyProject(std::size_t{16} << 20)));
    fs::copy_file(folder.File("small.vtr"), folder.File("tree/sub/a.vtr"));
    struct Case {
        Strings arguments;
        int signal;
        std::string folder;      // where the temporary file appears
        Strings out, err;        // exactly; with written, err holds these lines
        Strings left = {"old"};  // in the output folder
        std::string written{};   // what the run has written when it is signalled
    };
    const Case cases[] = {
        // One job: the files after big.vtr are certain not to have started.
        {{"convert", "big.vtr", "small.vtr", "x.vtr", "-o", "out", "-j", "1"},
         SIGTERM,
         "out",
         {"1 interrupted, 2 not started"},
         {"big.vtr: Conversion interrupted.", "small.vtr: Not converted: the conversion was interrupted.",
          "x.vtr: Not converted: the conversion was interrupted."}},
        {{"convert", "big.vtr", "new.vtr"}, SIGHUP, ".", {}, {"Conversion interrupted."}},
        // The output folders the run made, the top one too, go with it.
        {{"convert", "big.vtr", "-o", "made/out"},
         SIGINT,
         "made/out",
         {"1 interrupted"},
         {"big.vtr: Conversion interrupted."}},
        // Many jobs, a folder: what was converted stays, with its folder.
        // Whether the run counted it before the signal is left open.
        {{"convert", "tree", "-o", "out", "-j", "64"},
         SIGINT,
         "out/sub/deep",
         {},
         {"tree/sub/deep/big.vtr: Conversion interrupted."},
         {"old", "sub", "sub/a.vtr"},
         "out/sub/a.vtr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        CRunningProgram cli(CliPath(), c.arguments, folder.Path(), {c.signal});
        // Waits for the save to begin, then signals; a run that ends first
        // fails the test on its status.
        const auto saving = [&] {
            std::error_code error;
            for (fs::directory_iterator entry(folder.File(c.folder), error), end; !error && entry != end;
                 entry.increment(error))
                if (entry->path().extension() == ".tmp")
                    return true;
            return false;
        };
        const auto ready = [&] { return saving() && (c.written.empty() || fs::exists(folder.File(c.written))); };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!ready() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        cli.Signal(c.signal);
        const CRunResult result = cli.Wait();
        EXPECT_EQ(result.Status, 128 + c.signal);
        const Strings err = Lines(result.Err);
        if (c.written.empty()) {
            EXPECT_EQ(Lines(result.Out), c.out);
            EXPECT_EQ(err, c.err);
        }
        for (const std::string& line : c.err)
            EXPECT_NE(std::find(err.begin(), err.end(), line), err.end()) << line;
        EXPECT_EQ(FolderTree(folder.File("out")), c.left);
        EXPECT_EQ(FolderContents(folder.Path()), (Strings{"big.vtr", "out", "small.vtr", "tree"}));
        fs::remove_all(folder.File("out/sub"));
    }
}

// Each message is followed by its context: the file, and the cause the
// system gave or where reading stopped.
TEST(Messages, NameTheirFileAndCause) {
    CScratchFolder folder;
    fs::create_directories(folder.File("dir"));
    WriteWholeFile(folder.File("cut.vtr"), HeaderOnly());
    WriteWholeFile(folder.File("-cut.vtr"), HeaderOnly());
    WriteWholeFile(folder.File("hello.vtr"), NotAProject());
    WriteWholeFile(folder.File("future.vtr"), Bytes({0x91, 0xD5, 0x12, 0x00, 0x58, 0x02, 0x00, 0x00}));
    ASSERT_EQ(::mkfifo(folder.File("fifo.vtr").c_str(), 0600), 0);
    WriteWholeFile(folder.File("locked.vtr"), HeaderOnly());
    fs::permissions(folder.File("locked.vtr"), fs::perms::none);
    struct Case {
        std::string source;
        Strings lines;
    };
    std::vector<Case> cases = {
        {"missing.vtr", {Missing, "  file: missing.vtr", "  cause: No such file or directory"}},
        {"dir", {Missing, "  file: dir", "  cause: Is a directory"}},
        // A header refused: no recovery to suggest, it starts from the header.
        {"hello.vtr",
         {NotVantrel, "  file: hello.vtr", Corrupted, "  file: hello.vtr", "  section: header (from byte 0)",
          "  stopped at: byte 4", "  more: transvane-cli info hello.vtr"}},
        {"future.vtr",
         {"Error Loading: File was created with a newer version of vantrel. Please get the new version from the web "
          "site.",
          "  file: future.vtr", Corrupted, "  file: future.vtr", "  section: header (from byte 0)",
          "  stopped at: byte 8", "  more: transvane-cli info future.vtr"}},
        {"cut.vtr",
         {Corrupted, "  file: cut.vtr", "  section: Game options (from byte 32)", "  stopped at: byte 32",
          "  cause: Stream read error", "  more: transvane-cli info cut.vtr",
          "  more: transvane-cli recover cut.vtr 'cut (recovered).vtr'"}},
        // The command to run next works for a name that looks like an option.
        {"-cut.vtr",
         {Corrupted, "  file: -cut.vtr", "  section: Game options (from byte 32)", "  stopped at: byte 32",
          "  cause: Stream read error", "  more: transvane-cli info -- -cut.vtr",
          "  more: transvane-cli recover -- -cut.vtr '-cut (recovered).vtr'"}},
        // There, but not a file: not opened (a FIFO would wait for a writer).
        {"fifo.vtr", {"Error Loading: Failed to load the file.", "  file: fifo.vtr", "  cause: not an ordinary file"}},
    };
    if (::geteuid() != 0)  // the superuser reads any file
        cases.push_back(
            {"locked.vtr",
             {"Error Loading: Failed to load the file.", "  file: locked.vtr", "  cause: Permission denied"}});
    for (const Case& c : cases) {
        const CRunResult result = RunCli({"convert", "--", c.source, "new.vtr"}, folder.Path());
        EXPECT_EQ(result.Status, 1) << c.source;
        EXPECT_EQ(result.Out, "") << c.source;
        EXPECT_EQ(Lines(result.Err), c.lines) << c.source;
    }
    // After "--" a name that starts with a dash is a file.
    EXPECT_EQ(MessageLines(RunCli({"convert", "--", "-x", "new.vtr"}, folder.Path()).Err), Strings{Missing});

    // A control character in a name is escaped, keeping each line one line,
    // and the command to run next still names the file.
    WriteWholeFile(folder.File("new\nline\t.vtr"), HeaderOnly());
    const CRunResult odd = RunCli({"convert", "new\nline\t.vtr", "-o", "out"}, folder.Path());
    EXPECT_EQ(Lines(odd.Out), (Strings{"1 failed", "  new\\nline\\t.vtr"}));
    const Strings lines = Lines(odd.Err);
    ASSERT_EQ(lines.size(), 7u) << odd.Err;
    EXPECT_EQ(lines[1], "  file: new\\nline\\t.vtr");
    EXPECT_EQ(lines[5], "  more: transvane-cli info $'new\\nline\\t.vtr'");
    const std::string command = "test -f " + lines[5].substr(lines[5].find("info ") + 5);
    EXPECT_EQ(RunProgram("bash", {"-c", command}, folder.Path()).Status, 0) << command;
    EXPECT_FALSE(fs::exists(folder.File("new.vtr"))) << "a failed conversion writes nothing";
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
    ASSERT_EQ(lines.size(), 5u * 3 + 3) << single.Err;
    EXPECT_EQ(Strings(lines.begin(), lines.begin() + 3),
              (Strings{"Failed to convert old action number: 70", "  file: a.vtr",
                       "  place: time line 0 \"line\", moment 30, action 4"}));
    EXPECT_EQ(lines[5], "  place: object 0 \"hero\", row 0, event 0, action 4");
    EXPECT_EQ(Strings(lines.end() - 2, lines.end()),
              (Strings{"transvane-cli: a.vtr was already version 5", "transvane-cli: converted with 5 warnings"}));
    EXPECT_EQ(RunCli({"convert", "-qf", "a.vtr", "new.vtr"}, folder.Path()).Err, "");

    const CRunResult batch = RunCli({"convert", "a.vtr", "plain.vtr", "bad.vtr", "-o", "out"}, folder.Path());
    EXPECT_EQ(Lines(batch.Out), (Strings{"a.vtr: converted to out/a.vtr (already version 5, 5 warnings)",
                                         "plain.vtr: converted to out/plain.vtr",
                                         "2 converted (1 with warnings), 1 failed", "  bad.vtr"}));
    EXPECT_EQ(Lines(batch.Err)[1], "  file: a.vtr");
    // Options stand anywhere and short ones combine.
    const CRunResult quiet = RunCli({"convert", "a.vtr", "-qo", "out2", "plain.vtr", "bad.vtr"}, folder.Path());
    EXPECT_EQ(quiet.Out, "");
    EXPECT_EQ(MessageLines(quiet.Err), (Strings{"bad.vtr: " + NotVantrel, "bad.vtr: " + Corrupted}));
}

// A message shown while the file is written is about the source's data: it
// names the source and the action's full place.  What the conversion
// dropped or cleared is summed up after the messages (--quiet omits it),
// in a batch too.
TEST(Messages, WhatWasLostIsSummedUp) {
    CScratchFolder folder;
    project::TProject p = project::EmptyProject(430);
    project::TObject object;
    object.SpriteIndex = 4;  // no such sprite: the reference is cleared
    // An action of an unknown kind is kept and translated only as the file
    // is written.
    object.Rows[0] = {{3, {400, {project::TAction{.Tag = 7}}}}};
    p.Objects.Add("o", object);
    WriteWholeFile(folder.File("late.vtr"), project::WriteProject(p));

    const CRunResult single = RunCli({"convert", "late.vtr", "new.vtr"}, folder.Path());
    EXPECT_EQ(single.Status, 0);
    const std::string losses =
        "1 old action without translation, 1 object reference cleared, 1 version-4 options "
        "block dropped (transvane-cli check late.vtr lists them)";
    EXPECT_EQ(Lines(single.Err), (Strings{"Failed to convert old action number: 0", "  file: late.vtr",
                                          "  place: object 0 \"o\", row 0, event 3, action 1",
                                          "transvane-cli: " + losses, "transvane-cli: converted with 1 warning"}));
    EXPECT_EQ(RunCli({"convert", "-qf", "late.vtr", "new.vtr"}, folder.Path()).Err, "");
    for (const char* jobs : {"1", "2"}) {
        fs::remove_all(folder.File("out"));
        const CRunResult batch = RunCli({"convert", "late.vtr", "late.vtr", "-o", "out", "-j", jobs}, folder.Path());
        const Strings lines = Lines(batch.Err);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "late.vtr: " + losses), 1) << batch.Err;
    }
}

}  // namespace

}  // namespace transvane
