// A stream loaded from a file reads the file's mapped pages.  The hazard of
// a mapping, a file that shrinks while it is read, must end in a failed load
// and never in a crash; every other SIGBUS must still end the program.
#include "format/core/Support_MappedFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <unistd.h>
#include <vector>

#include "cli/Support_Signals.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Stream.h"
#include "format/media/Sound_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

// As the programs do in their main, for every test of this program.
[[maybe_unused]] const bool FaultsHandled = (HandleMappedFileFaults(), true);

TEST(MappedFile, LoadedStreamReadsWritesAndHandsOverLikeAnyOther) {
    CScratchFolder folder;
    const CBlock content = NoiseBytes(3 * 4096 + 5);
    WriteWholeFile(folder.File("a.bin"), content);
    CStream s;
    s.LoadFromFile(folder.File("a.bin"));
    ASSERT_EQ(s.Size(), content.size());
    EXPECT_TRUE(std::equal(s.View().begin(), s.View().end(), content.begin(), content.end()));
    EXPECT_THROW(s.Bytes(), std::logic_error) << "a mapped stream has no buffer to show";
    s.SetPosition(4096);
    EXPECT_EQ(s.Rest().size(), content.size() - 4096);
    EXPECT_EQ(s.Rest()[0], content[4096]);
    EXPECT_FALSE(s.FileFailed());

    // The first write copies the file into the stream's own buffer; the file
    // itself is never written.
    s.SetPosition(8);
    s.WriteInt(-1);
    CBlock expected = content;
    std::fill_n(expected.begin() + 8, 4, 0xFF);
    EXPECT_EQ(s.Bytes(), expected);
    EXPECT_EQ(s.Position(), 12u);
    EXPECT_EQ(ReadWholeFile(folder.File("a.bin")), content);

    CStream handed;
    handed.LoadFromFile(folder.File("a.bin"));
    EXPECT_EQ(handed.TakeBytes(), content);
    EXPECT_EQ(handed.Size(), 0u);
}

TEST(MappedFile, MoreFilesThanMappingsAreReadInstead) {
    CScratchFolder folder;
    const CBlock content = NoiseBytes(10000);
    WriteWholeFile(folder.File("a.bin"), content);
    std::vector<CStream> streams(CMappedFile::MaxMappings + 4);
    for (CStream& s : streams)
        s.LoadFromFile(folder.File("a.bin"));
    for (CStream& s : streams)
        EXPECT_TRUE(std::equal(s.View().begin(), s.View().end(), content.begin(), content.end()));
    // Slots are given back: a later load maps again.
    streams.clear();
    CStream again;
    again.LoadFromFile(folder.File("a.bin"));
    EXPECT_THROW(again.Bytes(), std::logic_error);
}

TEST(MappedFile, FileThatShrinksWhileReadReadsZerosAndFails) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("shrinks.bin"), CBlock(4 * 4096, 0xAB));
    WriteWholeFile(folder.File("stays.bin"), CBlock(4 * 4096, 0xCD));
    CStream shrinking;
    shrinking.LoadFromFile(folder.File("shrinks.bin"));
    CStream staying;
    staying.LoadFromFile(folder.File("stays.bin"));
    EXPECT_EQ(shrinking.ReadInt(), static_cast<std::int32_t>(0xABABABAB));

    ASSERT_EQ(::truncate(folder.File("shrinks.bin").c_str(), 0), 0);
    const std::span<const std::uint8_t> rest = shrinking.Take(shrinking.Remaining());
    EXPECT_TRUE(std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(shrinking.FileFailed());

    EXPECT_FALSE(staying.FileFailed()) << "only the mapping that lost its pages fails";
    EXPECT_EQ(staying.Take(staying.Remaining()).back(), 0xCD);
}

// Cuts the file being loaded to nothing at the first progress report, when
// the first section has been read.
class CTruncatingFeedback final : public CFeedback {
public:
    explicit CTruncatingFeedback(std::string file) : FFile(std::move(file)) {}
    void ShowMessage(const std::string& text, const std::vector<std::string>&) override { Messages.push_back(text); }
    void ProgressStart(const std::string&) override {}
    void ProgressSet(int) override {
        if (!FDone)
            FDone = ::truncate(FFile.c_str(), 0) == 0;
    }
    void ProgressEnd() override {}
    std::vector<std::string> Messages;

private:
    std::string FFile;
    bool FDone = false;
};

TEST(MappedFile, ProjectThatShrinksWhileLoadedFailsToLoad) {
    CScratchFolder folder;
    project::TProject p = project::EmptyProject(500);
    for (int i = 0; i < 20; ++i) {
        project::TSound sound;
        sound.Version = 400;  // raw blocks: the file is as large as its sounds
        sound.Data = NoiseBytes(5000);
        p.Sounds.Add("sound" + std::to_string(i), sound);
    }
    WriteWholeFile(folder.File("a.vtr"), project::WriteProject(p));

    CTruncatingFeedback feedback(folder.File("a.vtr"));
    CProject project;
    project.Core.Feedback = &feedback;
    EXPECT_FALSE(LoadGameFile(project, folder.File("a.vtr")));
    EXPECT_EQ(feedback.Messages, std::vector<std::string>{"Error Loading: Failed to load the file."});
    EXPECT_EQ(SoundList(project.Media).Count(), 0) << "nothing of the lost file stays in the model";
}

TEST(MappedFileDeathTest, SigbusOutsideEveryMappingStillEndsTheProgram) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("a.bin"), NoiseBytes(100));
    CStream s;
    s.LoadFromFile(folder.File("a.bin"));
    EXPECT_DEATH(std::raise(SIGBUS), "");
}

// A program that recovers no SIGBUS gets its files read, not mapped: a file
// cut short while loaded could otherwise end it.
TEST(MappedFileDeathTest, WithoutTheProgramsHandlerNothingIsMapped) {
    CScratchFolder folder;
    const CBlock content = NoiseBytes(3 * 4096);
    WriteWholeFile(folder.File("a.bin"), content);
    EXPECT_EXIT(
        {
            std::signal(SIGBUS, SIG_DFL);
            CStream s;
            s.LoadFromFile(folder.File("a.bin"));
            std::exit(s.Bytes() == content ? 0 : 1);  // a mapped stream has no buffer to show
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

}  // namespace transvane
