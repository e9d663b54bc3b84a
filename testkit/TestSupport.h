// Shared pieces of the tests: a feedback recorder, a scratch folder and the
// start of the test-file builder (the header of a project file).
//
// Project files for tests are always built here, through the stream's own
// write primitives, section by section; no sample file comes from elsewhere.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "format/core/Support_Progress.h"
#include "format/core/Support_Random.h"
#include "format/core/Support_Stream.h"
#include "transvane/transvane.h"

namespace transvane {

// Records everything the core reports through core (a project's, or a
// stream's), in order, while it lives.
class CRecorder final : public CFeedback {
public:
    explicit CRecorder(CCoreState& core) : FGuard(core, *this) {}
    void ShowMessage(const std::string& text, const std::vector<std::string>& context) override {
        Messages.push_back(text);
        Contexts.push_back(context);
        Events.push_back("message:" + text);
    }
    void ProgressStart(const std::string& text) override {
        Events.push_back("start:" + text);
        Progress.clear();
        ByteProgress.clear();
    }
    void ProgressSet(int percent) override {
        Progress.push_back(percent);
        Events.push_back("set:" + std::to_string(percent));
    }
    void ProgressEnd() override { Events.push_back("end"); }
    void ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) override {
        ByteProgress.push_back({std::string(section), done, total});
    }

    struct CBytesAt {
        std::string Section;
        std::uint64_t Done, Total;
    };
    std::vector<std::string> Messages;
    std::vector<std::vector<std::string>> Contexts;  // of each message: "file: ...", "cause: ..."
    std::vector<int> Progress;                       // since the last ProgressStart
    std::vector<CBytesAt> ByteProgress;              // since the last ProgressStart
    std::vector<std::string> Events;

private:
    CFeedbackGuard FGuard;
};

// The texts of messages the library returned, for comparing with the texts
// a test expects.
inline std::vector<std::string> Texts(const std::vector<transvane::CMessage>& messages) {
    std::vector<std::string> texts;
    for (const transvane::CMessage& message : messages)
        texts.push_back(message.Text);
    return texts;
}

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& leaf) const { return FPath + "/" + leaf; }

private:
    std::string FPath;
};

CBlock Bytes(std::initializer_list<int> values);
// The bytes of a text, and the text of some bytes.
CBlock Bytes(const std::string& text);
std::string Text(const CBlock& bytes);
// A copy of the bytes with the int32 at offset `at` replaced by value: a
// count, flag or version spoiled in a file that was built sound.
CBlock Patched(CBlock bytes, std::size_t at, std::int32_t value);
// Copies of the bytes, each cut short at some point or with a few int32
// overwritten by hostile values (0, -1, huge counts), chosen by a fixed
// pseudo-random sequence so that failures repeat.
std::vector<CBlock> SpoiledCopies(const CBlock& bytes, int count, unsigned seed = 1);
// size bytes that neither repeat nor compress: the high bytes of a linear
// congruential sequence started at seed.
CBlock NoiseBytes(std::size_t size, std::uint32_t seed = 1);
CBlock ReadWholeFile(const std::string& name);
// The names in a folder, sorted; empty for a folder that does not exist.
std::vector<std::string> FolderContents(const std::string& path);
// Everything below path, sub-folders included (links are not followed), as
// sorted paths relative to it ("sub", "sub/a.vtr").
std::vector<std::string> FolderTree(const std::string& path);
void WriteWholeFile(const std::string& name, const CBlock& bytes);
// Sets or removes a variable of the test's own environment.
void SetTestEnvironment(const std::string& name, const std::string& value);
void UnsetTestEnvironment(const std::string& name);

// The GUID that test files carry: 16 recognisable bytes.
CGuid TestGuid();

// Writes a project file header: magic, version, flag, game id and, from
// version 410 on, the GUID.
void WriteHeader(CStream& stream, std::int32_t version, std::int32_t gameId = 4242, const CGuid& guid = TestGuid());
// A project file that is its header alone: cut short at the first section.
CBlock HeaderOnly(std::int32_t version = 500);

}  // namespace transvane
