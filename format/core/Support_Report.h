// What a conversion changes in a project and what it says meanwhile: a
// plain value, filled through the feedback (Support_Progress.h) while a
// project is loaded and saved, and read by whoever ran the conversion.
//
// The section code notes a change where it makes it (NoteChange); the
// feedback that collects the report adds the place the core was at work on
// (an object, a room ...) for the kinds whose place matters.  Changes of the
// same kind, place and detail are merged into one entry with a count.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "format/core/Support_Progress.h"

namespace transvane {

enum class EChange : int {
    UntranslatedAction,     // an old action number with no newer counterpart
    InstanceDropped,        // a room instance whose object no longer exists
    TileDropped,            // a room tile whose background no longer exists
    SpriteCleared,          // an object's sprite that no longer exists
    MaskCleared,            // an object's mask sprite that no longer exists
    ParentCleared,          // an object's parent that no longer exists
    CollisionEventEmptied,  // a collision event with an object that no longer exists
    OptionsBlockDropped,    // the version-4 game-options block
    OptionsPictureDropped,  // the picture in that block
    LibrariesEmptied,       // the names in the used-libraries list
    InformationWrapped,     // game information of plain text, wrapped as rich text
    PictureReencoded,       // detail: the encoding the picture was stored in
    SoundCompressed,        // a sound stored raw, written compressed
    TreeGroupAdded,         // detail: the resource-tree group a file lacked
};

// What each kind is called: a stable key for scripts, a phrase for people,
// whether entries keep the place they were found at, and, for the changes
// that remove or clear something of the project, how the summary of such
// losses counts them (one and many; null for the other changes).
struct CChangeKind {
    EChange Kind;
    const char* Key;
    const char* Text;
    bool Placed;
    struct {
        const char* One = nullptr;
        const char* Many = nullptr;
    } Loss;
};
std::span<const CChangeKind> ChangeKinds();
const CChangeKind& ChangeKind(EChange kind);

struct CChange {
    EChange Kind;
    std::string Place;   // empty for kinds without a place
    std::string Detail;  // what sets entries of one kind apart, or empty
    std::int64_t Count = 0;
};

// A message as the user was shown it, with the lines of context that go
// with it ("file: ...", "place: ...", "cause: ...").
struct CReportedMessage {
    std::string Text;
    std::vector<std::string> Context;
};

class CConversionReport {
public:
    void AddChange(EChange kind, std::string place, std::string detail, std::int64_t count);
    void AddMessage(std::string text, std::vector<std::string> context);
    // As a feedback receives them: the change with its place (kept for
    // kinds that keep one), the message with its context.
    void Note(EChange kind, std::int64_t count, const std::string& detail, const std::string& place);
    void NoteMessage(const std::string& text, const std::vector<std::string>& context);

    std::int64_t Total(EChange kind) const;
    bool Empty() const { return Changes.empty() && Messages.empty(); }

    // In the order first met.
    std::vector<CChange> Changes;
    std::vector<CReportedMessage> Messages;

private:
    std::map<std::tuple<EChange, std::string, std::string>, std::size_t> FIndex;
};

// The changes for people, one line each: "what (detail): count", followed by
// the place on a line of its own, indented, where there is one.
std::vector<std::string> ChangeLines(const CConversionReport& report);
// The changes that remove or clear something, summed up in one line:
// "3 room instances dropped, 1 object reference cleared"; empty when the
// conversion lost nothing.
std::string LossSummary(const CConversionReport& report);
// A control character (a byte below 0x20, or DEL) as a line of text shows
// it: "\n", "\t", "\r", or "\x1b" for the others, in buffer; nullptr for
// any other byte, which is shown as it is.  Async-signal-safe.
const char* EscapedControl(char c, char (&buffer)[5]) noexcept;
// text as one line, its control characters escaped.  A file's name may
// hold any of them, and a line break or terminal escape in one would
// split or garble the one line a message, its context or a summary is.
std::string OneLine(std::string_view text);
// A message and its context as lines: the text, then each context line
// indented by two spaces, each one line.
std::vector<std::string> MessageLines(const CReportedMessage& message);

// Collects a report while it is installed, passing messages, changes and
// progress on to next, when given.
class CReportingFeedback final : public CFeedback {
public:
    CReportingFeedback(CConversionReport& report, CFeedback* next);

    void ShowMessage(const std::string& text, const std::vector<std::string>& context) override;
    void ProgressStart(const std::string& text) override;
    void ProgressSet(int percent) override;
    void ProgressEnd() override;
    void ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) override;
    void NoteChange(EChange kind, std::int64_t count, const std::string& detail, const std::string& place) override;

private:
    CConversionReport& FReport;
    CFeedback* FNext;
};

}  // namespace transvane
