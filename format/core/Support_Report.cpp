#include "format/core/Support_Report.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace transvane {

namespace {

constexpr std::array<CChangeKind, 14> Kinds = {{
    {EChange::UntranslatedAction,
     "untranslated action",
     "old action without translation, kept as it was",
     true,
     {"old action without translation", "old actions without translation"}},
    {EChange::InstanceDropped,
     "instance dropped",
     "room instance dropped: its object no longer exists",
     true,
     {"room instance dropped", "room instances dropped"}},
    {EChange::TileDropped,
     "tile dropped",
     "room tile dropped: its background no longer exists",
     true,
     {"room tile dropped", "room tiles dropped"}},
    {EChange::SpriteCleared,
     "sprite cleared",
     "object's sprite cleared: it no longer exists",
     true,
     {"object reference cleared", "object references cleared"}},
    {EChange::MaskCleared,
     "mask cleared",
     "object's mask cleared: it no longer exists",
     true,
     {"object reference cleared", "object references cleared"}},
    {EChange::ParentCleared,
     "parent cleared",
     "object's parent cleared: it no longer exists",
     true,
     {"object reference cleared", "object references cleared"}},
    {EChange::CollisionEventEmptied,
     "collision actions dropped",
     "actions of a collision event dropped: its other object no longer exists",
     true,
     {"collision action dropped", "collision actions dropped"}},
    {EChange::OptionsBlockDropped,
     "version 4 options dropped",
     "version-4 game-options block dropped: version 5 has no place for it",
     false,
     {"version-4 options block dropped", "version-4 options blocks dropped"}},
    {EChange::OptionsPictureDropped,
     "version 4 options picture dropped",
     "picture of the version-4 game-options block dropped",
     false,
     {"version-4 options picture dropped", "version-4 options pictures dropped"}},
    // The names only said which libraries the project used; the authoring
    // tool finds that out again from the actions.
    {EChange::LibrariesEmptied,
     "used libraries emptied",
     "used-libraries list written empty (names dropped)",
     false,
     {}},
    {EChange::InformationWrapped,
     "information wrapped",
     "game information of plain text wrapped as rich text",
     false,
     {}},
    {EChange::PictureReencoded, "picture re-encoded", "picture re-encoded as a compressed 24-bit bitmap", false, {}},
    {EChange::SoundCompressed, "sound compressed", "sound stored uncompressed, written compressed", false, {}},
    {EChange::TreeGroupAdded, "tree group added", "resource-tree group added", false, {}},
}};

// ChangeKind indexes the table by the kind.
constexpr bool KindsInOrder() {
    for (std::size_t i = 0; i < Kinds.size(); ++i)
        if (static_cast<std::size_t>(Kinds[i].Kind) != i)
            return false;
    return true;
}
static_assert(KindsInOrder());

}  // namespace

std::span<const CChangeKind> ChangeKinds() { return Kinds; }

const CChangeKind& ChangeKind(EChange kind) { return Kinds[static_cast<std::size_t>(kind)]; }

void CConversionReport::AddChange(EChange kind, std::string place, std::string detail, std::int64_t count) {
    auto [entry, isNew] = FIndex.try_emplace({kind, place, detail}, Changes.size());
    if (isNew)
        Changes.push_back({kind, std::move(place), std::move(detail), 0});
    Changes[entry->second].Count += count;
}

void CConversionReport::AddMessage(std::string text, std::vector<std::string> context) {
    Messages.push_back({std::move(text), std::move(context)});
}

void CConversionReport::Note(EChange kind, std::int64_t count, const std::string& detail, const std::string& place) {
    AddChange(kind, ChangeKind(kind).Placed ? place : std::string(), detail, count);
}

void CConversionReport::NoteMessage(const std::string& text, const std::vector<std::string>& context) {
    AddMessage(text, context);
}

std::int64_t CConversionReport::Total(EChange kind) const {
    std::int64_t total = 0;
    for (const CChange& change : Changes)
        if (change.Kind == kind)
            total += change.Count;
    return total;
}

std::vector<std::string> ChangeLines(const CConversionReport& report) {
    std::vector<std::string> lines;
    for (const CChange& change : report.Changes) {
        std::string line = ChangeKind(change.Kind).Text;
        if (!change.Detail.empty())
            line += " (" + change.Detail + ")";
        lines.push_back(line + ": " + std::to_string(change.Count));
        if (!change.Place.empty())
            lines.push_back("  place: " + change.Place);
    }
    return lines;
}

std::string LossSummary(const CConversionReport& report) {
    // Kinds that share a phrase are counted together, in the table's order.
    std::vector<std::pair<const CChangeKind*, std::int64_t>> losses;
    for (const CChangeKind& kind : Kinds) {
        const std::int64_t count = kind.Loss.One != nullptr ? report.Total(kind.Kind) : 0;
        if (count == 0)
            continue;
        const auto same = std::find_if(losses.begin(), losses.end(), [&](const auto& loss) {
            return std::string_view(loss.first->Loss.One) == kind.Loss.One;
        });
        if (same != losses.end())
            same->second += count;
        else
            losses.emplace_back(&kind, count);
    }
    std::string summary;
    for (const auto& [kind, count] : losses)
        summary += (summary.empty() ? "" : ", ") + std::to_string(count) + " " +
                   (count == 1 ? kind->Loss.One : kind->Loss.Many);
    return summary;
}

const char* EscapedControl(char c, char (&buffer)[5]) noexcept {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F)
        return nullptr;
    const char* named = c == '\n' ? "\\n" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : nullptr;
    if (named != nullptr)
        return named;
    constexpr char Digits[] = "0123456789abcdef";
    buffer[0] = '\\';
    buffer[1] = 'x';
    buffer[2] = Digits[byte >> 4];
    buffer[3] = Digits[byte & 0xF];
    buffer[4] = '\0';
    return buffer;
}

std::string OneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        char buffer[5];
        if (const char* escaped = EscapedControl(c, buffer))
            line += escaped;
        else
            line += c;
    }
    return line;
}

std::vector<std::string> MessageLines(const CReportedMessage& message) {
    std::vector<std::string> lines{OneLine(message.Text)};
    for (const std::string& context : message.Context)
        lines.push_back("  " + OneLine(context));
    return lines;
}

CReportingFeedback::CReportingFeedback(CConversionReport& report, CFeedback* next) : FReport(report), FNext(next) {}

void CReportingFeedback::ShowMessage(const std::string& text, const std::vector<std::string>& context) {
    FReport.NoteMessage(text, context);
    if (FNext != nullptr)
        FNext->ShowMessage(text, context);
}

void CReportingFeedback::ProgressStart(const std::string& text) {
    if (FNext != nullptr)
        FNext->ProgressStart(text);
}

void CReportingFeedback::ProgressSet(int percent) {
    if (FNext != nullptr)
        FNext->ProgressSet(percent);
}

void CReportingFeedback::ProgressEnd() {
    if (FNext != nullptr)
        FNext->ProgressEnd();
}

void CReportingFeedback::ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) {
    if (FNext != nullptr)
        FNext->ProgressBytes(section, done, total);
}

void CReportingFeedback::NoteChange(EChange kind, std::int64_t count, const std::string& detail,
                                    const std::string& place) {
    FReport.Note(kind, count, detail, place);
    if (FNext != nullptr)
        FNext->NoteChange(kind, count, detail, place);
}

}  // namespace transvane
