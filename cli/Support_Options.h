// The game options as the reports show them: one table of fields, read by
// info (summary and layout), by extract's project.json and by its page
// alike, so that a field has one name, one key and one reading everywhere.
//
// Older files lack some fields, which then load with a default; a report
// says what the file holds, so such a field is null there.  The pictures
// and the icon are left to the caller: info describes their shape, extract
// names the files it wrote.
#pragma once

#include <cstdint>
#include <span>

#include "cli/Support_Value.h"
#include "format/world/Option_Main.h"

namespace transvane {

// The first that stores the icon.
inline constexpr std::int32_t OptionsIconFrom = 410;

// A named setting: its name for people, its key in the reports, the first
// section version that stores it, and its value read from the record (codes
// as numbers shown in words).  Settings an older section holds in another
// form (the full-screen switch, the bar switch) count as stored.
struct COptionField {
    const char* Name;
    const char* Key;
    std::int32_t StoredFrom;
    CValue (*Value)(const CGameOptions&);
};

// The named settings in the order the section stores them.
std::span<const COptionField> GameOptionFields();

// The options as an object: "flags" (the fourteen on/off settings whose
// meaning the file does not say, in their stored order), then the named
// settings, codes as numbers shown in words.  version is the options
// section's stored version.
CValue GameOptionsValue(const CGameOptions& options, std::int32_t version);

}  // namespace transvane
