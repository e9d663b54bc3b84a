// What the stored codes of a project mean, in words a person reads: the
// choices the format defines (export modes, path ends, screen settings ...),
// the kind of a sound's data, and references to other resources by name.
// Shared by the info report and the extracted project's description.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/behaviour/Object_Class.h"
#include "format/core/Resource_List.h"
#include "format/core/Support_CodePage.h"
#include "format/core/Support_Random.h"
#include "format/core/Support_Stream.h"
#include "cli/Support_Value.h"
#include "project/Conversion.h"

namespace transvane {

// What a sound's data bytes are, told from their first bytes: "wav" for
// RIFF/WAVE, "mid" for a MIDI file, "mp3" for an ID3 tag or an MPEG audio
// frame, "bin" for anything else.  Doubles as the file extension.
const char* SoundFormat(const CBlock& data);
// The same in words: "WAVE audio", "MIDI music", "MP3 audio", "unknown data".
const char* SoundFormatWords(const CBlock& data);

// The choices of the format; a stored value outside them reads as
// "unknown (N)".
std::string ExportModeWords(std::int32_t mode);
std::string PathConnectionWords(std::int32_t kind);
std::string PathEndWords(std::int32_t action);
std::string ProgressBarWords(std::int32_t kind);
std::string ColorDepthWords(std::int32_t depth);
std::string ResolutionWords(std::int32_t resolution);
std::string FrequencyWords(std::int32_t frequency);
std::string FullScaleWords(std::int32_t scale);

// A colour as stored (0x00BBGGRR, or a system colour with the top bit set).
std::string ColourText(std::int32_t colour);

// How a reference to slot index of a list reads: the resource's name
// (UTF-8), "none" for a negative index, "#N (empty slot)" for a slot that
// holds nothing and "#N (no such slot)" past the end of the list.
std::string ReferenceWords(std::int32_t index, int count, bool exists, const std::string& storedName);

// True when the reference names a resource that is not there: an empty slot
// or one past the end (a negative index names nothing on purpose).
inline bool DanglingReference(std::int32_t index, bool exists) { return index >= 0 && !exists; }

// The project's counts as an object keyed by the kinds' keys
// (Resource_Kinds.h): "sounds", "sprites", "subimages" ... "tiles".
CValue ResourceCountsValue(const CProject& project);

// The events of an object that hold actions, and its actions in all.
struct CEventCounts {
    std::int64_t Events = 0;
    std::int64_t Actions = 0;
};
CEventCounts CountEvents(const CObject& object);

template <class T>
std::string ReferenceWords(const CResourceList<T>& list, std::int32_t index) {
    const bool exists = list.Exists(index);
    return ReferenceWords(index, list.Count(), exists, exists ? list.Name(index) : std::string());
}

// A width and a height as reports give them: {"width": W, "height": H},
// shown as "W x H".
CValue SizeValue(std::int64_t width, std::int64_t height);

// A reference to a slot as reports give it: null for none (a negative
// index), else {"slot": N, "name": NAME, "missing": false}, with a null name
// and "missing": true when the slot holds nothing; shown as ReferenceWords.
template <class T>
CValue ReferenceValue(const CResourceList<T>& list, std::int32_t index) {
    if (index < 0)
        return CValue().Shown("none");
    const bool exists = list.Exists(index);
    CValue reference = CValue::Object();
    reference.Add("slot", index);
    reference.Add("name", exists ? CValue(Windows1252ToUtf8(list.Name(index))) : CValue());
    reference.Add("missing", !exists);
    return std::move(reference).Shown(ReferenceWords(list, index));
}

// The first members of a resource's entry: {"slot": N, "name": NAME}, an
// empty name shown as "(no name)".
CValue SlotEntry(int slot, const std::string& storedName);

}  // namespace transvane
