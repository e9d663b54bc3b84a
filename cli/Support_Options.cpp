#include "cli/Support_Options.h"

#include <array>
#include <string>

#include "cli/Support_Words.h"
#include "format/core/Support_CodePage.h"

namespace transvane {

namespace {

// A code with its meaning in words.
CValue Code(std::int32_t code, std::string words) { return CValue(code).Shown(std::move(words)); }

const std::array<COptionField, 17> Fields = {{
    {"Scale percentage in windowed mode", "window scale", 420,
     [](const CGameOptions& o) { return CValue(o.WindowScale).Shown(std::to_string(o.WindowScale) + "%"); }},
    {"Scale percentage in full-screen mode", "full-screen scale", 400,
     [](const CGameOptions& o) { return Code(o.FullScale, FullScaleWords(o.FullScale)); }},
    {"Set the resolution of the screen", "set resolution", 420,
     [](const CGameOptions& o) { return CValue(o.SetResolution); }},
    {"Use exclusive graphics mode", "exclusive mode", 400,
     [](const CGameOptions& o) { return CValue(o.ExclusiveMode); }},
    {"Colour depth", "colour depth", 400,
     [](const CGameOptions& o) { return Code(o.ColorDepth, ColorDepthWords(o.ColorDepth)); }},
    {"Resolution", "resolution", 400,
     [](const CGameOptions& o) { return Code(o.Resolution, ResolutionWords(o.Resolution)); }},
    {"Frequency", "frequency", 420,
     [](const CGameOptions& o) { return Code(o.Frequency, FrequencyWords(o.Frequency)); }},
    {"Loading progress bar", "loading progress bar", 400,
     [](const CGameOptions& o) { return Code(o.ProgressBarKind, ProgressBarWords(o.ProgressBarKind)); }},
    {"Show an image while loading", "show loading image", 400,
     [](const CGameOptions& o) { return CValue(o.ShowLoadImage); }},
    {"Display error messages", "display errors", 420, [](const CGameOptions& o) { return CValue(o.DisplayErrors); }},
    {"Write error messages to a log", "write errors", 420, [](const CGameOptions& o) { return CValue(o.WriteErrors); }},
    {"Abort on error messages", "abort on errors", 420, [](const CGameOptions& o) { return CValue(o.AbortErrors); }},
    {"Treat uninitialised variables as 0", "uninitialised variables as 0", 420,
     [](const CGameOptions& o) { return CValue(o.VariableErrors); }},
    {"Author", "author", OptionsInformationFrom,
     [](const CGameOptions& o) { return CValue(Windows1252ToUtf8(o.Author)); }},
    {"Game version", "game version", OptionsInformationFrom,
     [](const CGameOptions& o) { return CValue(o.GameVersion); }},
    {"Last changed", "last changed", OptionsInformationFrom,
     [](const CGameOptions& o) { return CValue(DateTimeToText(o.LastChanged)); }},
    {"Information", "information", OptionsInformationFrom,
     [](const CGameOptions& o) { return CValue(Windows1252ToUtf8(o.Information)); }},
}};

// The on/off settings in their stored order, each with the first section
// version that holds it.
struct CFlag {
    bool CGameOptions::*Member;
    std::int32_t StoredFrom;
};
const std::array<CFlag, 14> Flags = {{
    {&CGameOptions::OptionFlag1, 400},
    {&CGameOptions::OptionFlag2, 411},
    {&CGameOptions::OptionFlag3, 400},
    {&CGameOptions::OptionFlag4, 420},
    {&CGameOptions::OptionFlag5, 400},
    {&CGameOptions::OptionFlag6, 400},
    {&CGameOptions::OptionFlag7, 500},
    {&CGameOptions::OptionFlag8, 400},
    {&CGameOptions::OptionFlag9, 400},
    {&CGameOptions::OptionFlag10, 400},
    {&CGameOptions::OptionFlag11, 400},
    {&CGameOptions::OptionFlag12, 400},
    {&CGameOptions::OptionFlag13, 400},
    {&CGameOptions::OptionFlag14, 400},
}};

}  // namespace

std::span<const COptionField> GameOptionFields() { return Fields; }

CValue GameOptionsValue(const CGameOptions& options, std::int32_t version) {
    CValue value = CValue::Object();
    CValue flags = CValue::Array();
    for (const CFlag& flag : Flags)
        flags.Push(version >= flag.StoredFrom ? CValue(options.*flag.Member) : CValue());
    value.Add("flags", std::move(flags));
    for (const COptionField& field : GameOptionFields())
        value.Add(field.Key, version >= field.StoredFrom ? field.Value(options) : CValue());
    return value;
}

}  // namespace transvane
