#include "cli/Support_Options.h"

#include <array>
#include <string>

#include "cli/Support_Words.h"
#include "format/core/Support_CodePage.h"

namespace transvane {

namespace {

struct COptionField {
    const char* Key;
    std::int32_t StoredFrom;  // the first section version that holds it
    CValue (*Value)(const CGameOptions&);
};

// A code with its meaning in words.
CValue Code(std::int32_t code, std::string words) { return CValue(code).Shown(std::move(words)); }

// In the order the section stores them.  Settings an older section holds
// in another form (the full-screen switch, the bar switch) count as stored.
const std::array<COptionField, 17> Fields = {{
    {"window scale", 420, [](const CGameOptions& o) { return CValue(o.WindowScale).Shown(std::to_string(o.WindowScale) + "%"); }},
    {"full-screen scale", 400, [](const CGameOptions& o) { return Code(o.FullScale, FullScaleWords(o.FullScale)); }},
    {"set resolution", 420, [](const CGameOptions& o) { return CValue(o.SetResolution); }},
    {"exclusive mode", 400, [](const CGameOptions& o) { return CValue(o.ExclusiveMode); }},
    {"colour depth", 400, [](const CGameOptions& o) { return Code(o.ColorDepth, ColorDepthWords(o.ColorDepth)); }},
    {"resolution", 400, [](const CGameOptions& o) { return Code(o.Resolution, ResolutionWords(o.Resolution)); }},
    {"frequency", 420, [](const CGameOptions& o) { return Code(o.Frequency, FrequencyWords(o.Frequency)); }},
    {"loading progress bar", 400,
     [](const CGameOptions& o) { return Code(o.ProgressBarKind, ProgressBarWords(o.ProgressBarKind)); }},
    {"show loading image", 400, [](const CGameOptions& o) { return CValue(o.ShowLoadImage); }},
    {"display errors", 420, [](const CGameOptions& o) { return CValue(o.DisplayErrors); }},
    {"write errors", 420, [](const CGameOptions& o) { return CValue(o.WriteErrors); }},
    {"abort on errors", 420, [](const CGameOptions& o) { return CValue(o.AbortErrors); }},
    {"uninitialised variables as 0", 420, [](const CGameOptions& o) { return CValue(o.VariableErrors); }},
    {"author", OptionsInformationFrom, [](const CGameOptions& o) { return CValue(Windows1252ToUtf8(o.Author)); }},
    {"game version", OptionsInformationFrom, [](const CGameOptions& o) { return CValue(o.GameVersion); }},
    {"last changed", OptionsInformationFrom, [](const CGameOptions& o) { return CValue(DateTimeToText(o.LastChanged)); }},
    {"information", OptionsInformationFrom, [](const CGameOptions& o) { return CValue(Windows1252ToUtf8(o.Information)); }},
}};

// The on/off settings in their stored order, each with the first section
// version that holds it.
struct CFlag {
    bool CGameOptions::* Member;
    std::int32_t StoredFrom;
};
const std::array<CFlag, 14> Flags = {{
    {&CGameOptions::OptionFlag1, 400},  {&CGameOptions::OptionFlag2, 411},  {&CGameOptions::OptionFlag3, 400},
    {&CGameOptions::OptionFlag4, 420},  {&CGameOptions::OptionFlag5, 400},  {&CGameOptions::OptionFlag6, 400},
    {&CGameOptions::OptionFlag7, 500},  {&CGameOptions::OptionFlag8, 400},  {&CGameOptions::OptionFlag9, 400},
    {&CGameOptions::OptionFlag10, 400}, {&CGameOptions::OptionFlag11, 400}, {&CGameOptions::OptionFlag12, 400},
    {&CGameOptions::OptionFlag13, 400}, {&CGameOptions::OptionFlag14, 400},
}};

}  // namespace

CValue GameOptionsValue(const CGameOptions& options, std::int32_t version) {
    CValue value = CValue::Object();
    CValue flags = CValue::Array();
    for (const CFlag& flag : Flags)
        flags.Push(version >= flag.StoredFrom ? CValue(options.*flag.Member) : CValue());
    value.Add("flags", std::move(flags));
    for (const COptionField& field : Fields)
        value.Add(field.Key, version >= field.StoredFrom ? field.Value(options) : CValue());
    return value;
}

}  // namespace transvane
