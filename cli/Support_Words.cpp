#include "cli/Support_Words.h"

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/world/Room_Main.h"
#include "project/Resource_Kinds.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace transvane {

namespace {

bool StartsWith(const CBlock& data, const char* prefix, std::size_t at = 0) {
    const std::size_t length = std::strlen(prefix);
    return data.size() >= at + length && std::memcmp(data.data() + at, prefix, length) == 0;
}

// An MPEG audio frame header: eleven set sync bits, then a version and a
// layer that are not the reserved values.
bool MpegFrame(const CBlock& data) {
    return data.size() >= 4 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0 && (data[1] & 0x18) != 0x08 &&
           (data[1] & 0x06) != 0;
}

template <std::size_t N>
std::string Choice(const std::array<const char*, N>& words, std::int32_t value) {
    if (value >= 0 && static_cast<std::size_t>(value) < N)
        return words[static_cast<std::size_t>(value)];
    return "unknown (" + std::to_string(value) + ")";
}

}  // namespace

const char* SoundFormat(const CBlock& data) {
    if (StartsWith(data, "RIFF") && StartsWith(data, "WAVE", 8))
        return "wav";
    if (StartsWith(data, "MThd"))
        return "mid";
    if (StartsWith(data, "ID3") || MpegFrame(data))
        return "mp3";
    return "bin";
}

const char* SoundFormatWords(const CBlock& data) {
    const std::string format = SoundFormat(data);
    if (format == "wav")
        return "WAVE audio";
    if (format == "mid")
        return "MIDI music";
    if (format == "mp3")
        return "MP3 audio";
    return "unknown data";
}

std::string ExportModeWords(std::int32_t mode) {
    static constexpr std::array<const char*, 4> Words = {"don't export", "to the temporary folder",
                                                         "to the working folder", "install as a font"};
    return Choice(Words, mode);
}

std::string PathConnectionWords(std::int32_t kind) { return kind == 0 ? "straight lines" : "smooth curve"; }

std::string PathEndWords(std::int32_t action) {
    static constexpr std::array<const char*, 5> Words = {"stop", "jump to the start", "move to the start (closed)",
                                                         "reverse", "continue"};
    return Choice(Words, action);
}

std::string ProgressBarWords(std::int32_t kind) {
    static constexpr std::array<const char*, 3> Words = {"none", "default bar", "own bar with back and front images"};
    return Choice(Words, kind);
}

std::string ColorDepthWords(std::int32_t depth) {
    static constexpr std::array<const char*, 2> Words = {"16-bit", "32-bit"};
    return Choice(Words, depth);
}

std::string ResolutionWords(std::int32_t resolution) {
    static constexpr std::array<const char*, 7> Words = {"320x240",   "640x480",   "800x600",  "1024x768",
                                                         "1280x1024", "1600x1200", "No change"};
    return Choice(Words, resolution);
}

std::string FrequencyWords(std::int32_t frequency) {
    static constexpr std::array<const char*, 5> Words = {"60", "70", "85", "100", "Default"};
    return Choice(Words, frequency);
}

std::string FullScaleWords(std::int32_t scale) {
    return scale == 0 ? std::string("as large as possible") : std::to_string(scale) + "%";
}

std::string ReferenceWords(std::int32_t index, int count, bool exists, const std::string& storedName) {
    if (index < 0)
        return "none";
    if (exists)
        return Windows1252ToUtf8(storedName);
    // Built front to back: GCC 12 at -O3 takes the insertion that
    // "#" + std::string makes for an overlapping copy (a false -Wrestrict).
    std::string words(1, '#');
    words += std::to_string(index);
    words += index < count ? " (empty slot)" : " (no such slot)";
    return words;
}

std::string ColourText(std::int32_t colour) {
    char text[48];
    const auto value = static_cast<std::uint32_t>(colour);
    if (value & 0x80000000u)
        std::snprintf(text, sizeof text, "system colour %u (0x%08X)", value & 0xFF, value);
    else
        std::snprintf(text, sizeof text, "0x%06X (red %u, green %u, blue %u)", value, value & 0xFF, (value >> 8) & 0xFF,
                      (value >> 16) & 0xFF);
    return text;
}

CEventCounts CountEvents(const CObject& object) {
    CEventCounts counts;
    for (const CEventRow& row : object.EventRows)
        for (const auto& [number, event] : row.Events())
            if (!event->Empty()) {
                ++counts.Events;
                counts.Actions += event->Count();
            }
    return counts;
}

CValue ResourceCountsValue(const CProject& project) {
    CValue counts = CValue::Object();
    for (const CContentKind& kind : ContentKinds())
        counts.Add(kind.Key, kind.Count(project));
    return counts;
}

CValue SizeValue(std::int64_t width, std::int64_t height) {
    CValue size = CValue::Object();
    size.Add("width", width);
    size.Add("height", height);
    return std::move(size).Shown(std::to_string(width) + " x " + std::to_string(height));
}

CValue SlotEntry(int slot, const std::string& storedName) {
    CValue entry = CValue::Object();
    entry.Add("slot", static_cast<std::int32_t>(slot));
    entry.Add("name", storedName.empty() ? CValue("").Shown("(no name)") : CValue(Windows1252ToUtf8(storedName)));
    return entry;
}

}  // namespace transvane
