// The game options: one project-wide record of settings for the game.
//
// Options section (versions 400..500 read, 500 written); "v" is the section
// version, and what an older version lacks takes its default:
//
//   int32 v
//   bool  OptionFlag1
//   bool  OptionFlag2                          411 and later
//   bool  OptionFlag3
//   int32 WindowScale, int32 FullScale         420 and later
//   bool  full-screen maximum switch           before 420, in their place:
//                                              true is FullScale 0, false 100
//   bool  OptionFlag4, bool SetResolution      420 and later; before, the
//                                              resolution is set exactly in
//                                              exclusive mode
//   bool  ExclusiveMode
//   int32 ColorDepth, int32 Resolution
//   int32 Frequency                            420 and later
//   bool  OptionFlag5, OptionFlag6
//   bool  OptionFlag7                          500
//   bool  OptionFlag8 .. OptionFlag11
//   the version-4 block                        before 440, read and dropped:
//         bool; bool, one image when true; three int32; string; int32; bool
//   bool  OptionFlag12 .. OptionFlag14
//   int32 ProgressBarKind                      411 and later, then when it
//                                              is 2 the back and front images
//   bool  the bar switch                       before 411, in its place:
//                                              kind 1 when true, 0 when false
//   bool  ShowLoadImage, then LoadingImage when true
//   block Icon, an icon file                   410 and later
//   bool  DisplayErrors, WriteErrors, AbortErrors, VariableErrors
//                                              420 and later
//   string Author, int32 GameVersion, real LastChanged, string Information
//                                              441 and later
//
// Images are image blocks; the icon is kept as the icon file's bytes and
// written back byte for byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t OptionsVersion = 500;

struct CGameOptions {
    bool OptionFlag1 = false;
    bool OptionFlag2 = false;
    bool OptionFlag3 = true;
    std::int32_t WindowScale = 100;
    std::int32_t FullScale = 100;  // 0: as large as possible
    bool OptionFlag4 = true;
    bool SetResolution = false;
    bool ExclusiveMode = false;
    std::int32_t ColorDepth = 0;  // 0 "16-bit", 1 "32-bit"
    std::int32_t Resolution = 1;  // 0 "320x240" .. 5 "1600x1200", 6 "No change"
    std::int32_t Frequency = 4;   // 0 "60", 1 "70", 2 "85", 3 "100", 4 "Default"
    bool OptionFlag5 = false;
    bool OptionFlag6 = true;
    bool OptionFlag7 = false;
    bool OptionFlag8 = true;
    bool OptionFlag9 = true;
    bool OptionFlag10 = true;
    bool OptionFlag11 = true;
    bool OptionFlag12 = true;
    bool OptionFlag13 = true;
    bool OptionFlag14 = false;
    std::int32_t ProgressBarKind = 1;  // 0 none, 1 default bar, 2 own bar
    bool ShowLoadImage = false;
    // Pictures as the bytes of BMP files (see Support_Bitmap24); none when
    // empty.
    std::optional<CBlock> LoadingImage;
    std::optional<CBlock> BarFrontImage;
    std::optional<CBlock> BarBackImage;
    CBlock Icon;  // the bytes of an icon file
    bool DisplayErrors = true;
    bool WriteErrors = false;
    bool AbortErrors = false;
    bool VariableErrors = false;
    std::string Author;
    std::int32_t GameVersion = 100;
    double LastChanged = 0;  // days since 30 December 1899, local time
    std::string Information;
    bool Changed = false;  // the modified flag; not stored
};

struct CWorldModel;  // format/world/World_Model.h

// The project's options.
CGameOptions& GameOptions(CWorldModel& world);

// Every setting back to its default, the images released, the default game
// icon, LastChanged the current time.
void ClearOptions(CWorldModel& world);
bool LoadOptions(CWorldModel& world, CStream& stream);
// Writes the version-500 section, with the time of saving as LastChanged.
bool SaveOptions(CWorldModel& world, CStream& stream);

// Fails with EReadError unless the bytes can be an icon file: at least the
// 6-byte header, and a type word (the second 16-bit word) of 0 or 1.
void CheckIcon(const CBlock& icon);

// Date-times as the project stores them: days since 30 December 1899, the
// fraction being the time of day.
double EncodeDateTime(int year, unsigned month, unsigned day, int hour, int minute, int second, int millisecond = 0);
// The inverse of EncodeDateTime, to the nearest second; nullopt for a value
// that is no date (not finite, or more than 3 000 000 days, some eight
// thousand years, from 30 December 1899).
struct CDateTime {
    int Year;
    unsigned Month, Day;
    int Hour, Minute, Second;
};
std::optional<CDateTime> DecodeDateTime(double days);
// A stored date-time as "YYYY-MM-DD hh:mm:ss" (local time, as stored), or
// "(not a date)" for a value no calendar holds.
std::string DateTimeToText(double days);

// The first options-section version that stores author, game version,
// last change and information; before it they are defaults of the load.
inline constexpr std::int32_t OptionsInformationFrom = 441;

// The current local date and time in that form.
double CurrentDateTime();

}  // namespace transvane
