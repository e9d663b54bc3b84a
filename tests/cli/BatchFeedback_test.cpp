// The console feedback of a conversion: prefixed lines, held-back lines
// under --quiet, and the progress line that must leave no trace.
#include "cli/Batch.h"
#include "testkit/ProjectFiles.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace transvane {

namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

// A temporary file that stands in for standard error.
class CCapture {
public:
    std::FILE* File() { return FFile.get(); }
    std::string Text() {
        std::fflush(FFile.get());
        std::rewind(FFile.get());
        std::string text;
        for (int c = std::fgetc(FFile.get()); c != EOF; c = std::fgetc(FFile.get()))
            text.push_back(static_cast<char>(c));
        return text;
    }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> FFile{std::tmpfile()};
};

// What a terminal shows after the text: carriage returns move back to the
// start of the line and what follows overwrites it.  Trailing blanks are
// dropped, and so is a last line left blank.
Strings Screen(const std::string& text) {
    Strings lines;
    std::string line;
    std::size_t column = 0;
    const auto finish = [&] {
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
        line.clear();
        column = 0;
    };
    for (char c : text) {
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            finish();
        } else {
            if (column < line.size())
                line[column] = c;
            else
                line.push_back(c);
            ++column;
        }
    }
    finish();
    if (lines.back().empty())
        lines.pop_back();
    return lines;
}

// One file's road: a load with a message in the middle of it.
void Convert(CBatchFeedback& feedback, const std::string& source, bool converted) {
    feedback.Begin(source);
    feedback.ProgressStart("Loading Game Data ...");
    feedback.ProgressSet(50);
    feedback.ShowMessage("Failed to convert old action number: 7", {});
    feedback.ProgressSet(100);
    feedback.ProgressEnd();
    if (converted) {
        feedback.ProgressStart("Saving Game Data ...");
        feedback.ProgressBytes("Sounds", 30, 40);
        feedback.ProgressSet(60);  // the bytes say more than the bar's steps
        feedback.ProgressEnd();
    }
    feedback.Finish(converted);
}

// Without a progress line, or with one that quick files never earn, the
// messages are plain prefixed lines; --quiet keeps those of failed files
// and shows no progress line.
TEST(BatchFeedback, MessagesArePrefixedLines) {
    struct Case {
        bool Quiet, Progress;
        std::chrono::milliseconds Delay;
        std::string Text;
    };
    const std::string a = "a.vtr: Failed to convert old action number: 7\n";
    const std::string b = "dir/b.vk1: Failed to convert old action number: 7\n";
    for (const Case& c : {Case{false, false, 0ms, a + b}, Case{true, true, 0ms, b}, Case{false, true, 1h, a + b}}) {
        CCapture capture;
        CBatchFeedback feedback(c.Quiet, c.Progress, capture.File(), c.Delay);
        Convert(feedback, "a.vtr", true);
        Convert(feedback, "dir/b.vk1", false);
        EXPECT_EQ(capture.Text(), c.Text) << c.Quiet << c.Progress;
    }
}

TEST(BatchFeedback, ProgressLineShowsAndLeavesNoTrace) {
    CCapture capture;
    CBatchFeedback feedback(false, true, capture.File(), 0ms);
    Convert(feedback, "a.vtr", true);
    feedback.Begin("b.vtr");
    feedback.ShowMessage("Error Loading: File does not exist.", {});
    feedback.Finish(false);
    // A file converted on another thread: the line follows its probe.
    CProgressProbe probe;
    probe.ProgressStart("Loading Game Data ...");
    probe.ProgressBytes("Rooms", 1, 4);
    probe.ProgressSet(95);
    feedback.Begin("c.vtr");
    feedback.ShowProgress(probe.State());
    probe.ProgressEnd();
    feedback.ShowProgress(probe.State());
    feedback.Finish(true);

    const std::string text = capture.Text();
    for (const char* shown : {"\ra.vtr: Loading Game Data ... 50%", "\ra.vtr: Saving Game Data ... 75% (Sounds)",
                              "\rc.vtr: Loading Game Data ... 25% (Rooms)"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown;
    EXPECT_EQ(text.find("60%"), std::string::npos);
    EXPECT_EQ(Screen(text),
              (Strings{"a.vtr: Failed to convert old action number: 7", "b.vtr: Error Loading: File does not exist."}));
}

// Run as a user runs them, on a terminal a conversion and an extract show
// their progress in place and leave the screen as the same run redirected
// prints it; redirected, or with --quiet, they show none.  The wait before
// the line appears is lifted, so that timing plays no part.
TEST(ProgressLine, OnATerminalOnly) {
    const CBlock big = project::WriteProject(project::BulkyProject(std::size_t{4} << 20, 8));
    const std::string noWait = "TRANSVANE_PROGRESS_DELAY=0";
    struct Case {
        Strings Arguments;
        std::string Shown;  // a line drawn on the terminal, "" for none
    };
    const Case cases[] = {
        {{"convert", "big.vtr", "new.vtr"}, "\rSaving Game Data ... "},
        {{"convert", "big.vtr", "-o", "out", "-j", "1"}, "\rbig.vtr: Saving Game Data ... "},
        {{"extract", "big.vtr", "assets"}, "\rLoading Game Data ... "},
        {{"convert", "--quiet", "big.vtr", "new.vtr"}, ""},
    };
    for (const Case& c : cases) {
        const std::string shown = ::testing::PrintToString(c.Arguments);
        CScratchFolder onTerminal, piped;
        WriteWholeFile(onTerminal.File("big.vtr"), big);
        WriteWholeFile(piped.File("big.vtr"), big);
        const CRunResult terminal = RunCliOnTerminal(c.Arguments, onTerminal.Path(), {noWait});
        Strings arguments{noWait, CliPath()};
        arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
        const CRunResult redirected = RunProgram("env", arguments, piped.Path());

        EXPECT_EQ(terminal.Status, 0) << shown;
        EXPECT_EQ(redirected.Status, 0) << shown;
        EXPECT_EQ(redirected.Err.find('\r'), std::string::npos) << shown;
        if (c.Shown.empty()) {
            EXPECT_EQ(terminal.Err.find('\r'), std::string::npos) << shown;
        } else {
            EXPECT_NE(terminal.Err.find(c.Shown), std::string::npos) << shown << terminal.Err;
            EXPECT_NE(terminal.Err.find("% (Data files)"), std::string::npos) << shown;
        }
        EXPECT_EQ(Screen(terminal.Err), Lines(redirected.Err)) << shown;
        EXPECT_EQ(terminal.Out, redirected.Out) << shown;
    }
}

}  // namespace

}  // namespace transvane
