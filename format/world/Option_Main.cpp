#include "format/world/Option_Main.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "format/core/Support_Platform.h"
#include "format/core/Support_Bytes.h"
#include "format/media/Support_Bitmap24.h"
#include "format/world/Option_Icon.h"
#include "format/core/Support_Report.h"
#include "format/world/World_Model.h"

namespace transvane {

CGameOptions& GameOptions(CWorldModel& world) { return world.Options; }

namespace {

// The icon file header: reserved word, type word, image count.
constexpr std::size_t IconHeaderBytes = 6;

// Read in full and released: the version-4 block that version 5 dropped.
void SkipVersion4Block(CStream& s) {
    NoteChange(s.Core(), EChange::OptionsBlockDropped);
    s.ReadBool();
    if (s.ReadBool() && Bitmap24_LoadFromStream(s))
        NoteChange(s.Core(), EChange::OptionsPictureDropped);
    s.ReadInt();
    s.ReadInt();
    s.ReadInt();
    s.ReadString();
    s.ReadInt();
    s.ReadBool();
}

const CBlock* ImageOrNone(const std::optional<CBlock>& image) { return image ? &*image : nullptr; }

}  // namespace

void CheckIcon(const CBlock& icon) {
    if (icon.size() < IconHeaderBytes)
        throw EReadError("Invalid icon: too short for its header");
    const unsigned type = Get16(icon, 2);
    if (type > 1)
        throw EReadError("Invalid icon");
}

double EncodeDateTime(int year, unsigned month, unsigned day, int hour, int minute, int second, int millisecond) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    const sys_days epoch{std::chrono::year{1899} / December / 30};
    const double days = static_cast<double>((date - epoch).count());
    const double seconds = hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0;
    return days + seconds / 86400.0;
}

std::optional<CDateTime> DecodeDateTime(double days) {
    using namespace std::chrono;
    if (!std::isfinite(days) || std::fabs(days) > 3e6)
        return std::nullopt;
    double whole = std::floor(days);
    auto seconds = static_cast<int>(std::llround((days - whole) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    const sys_days epoch{std::chrono::year{1899} / December / 30};
    const year_month_day date{epoch + std::chrono::days{static_cast<int>(whole)}};
    return CDateTime{static_cast<int>(date.year()),
                     static_cast<unsigned>(date.month()),
                     static_cast<unsigned>(date.day()),
                     seconds / 3600,
                     seconds / 60 % 60,
                     seconds % 60};
}

std::string DateTimeToText(double days) {
    const std::optional<CDateTime> t = DecodeDateTime(days);
    if (!t)
        return "(not a date)";
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", t->Year, t->Month, t->Day, t->Hour, t->Minute,
                  t->Second);
    return text;
}

double CurrentDateTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const std::tm local = LocalTime(t);
    const auto millisecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return EncodeDateTime(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                          static_cast<unsigned>(local.tm_mday), local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                          millisecond);
}

void ClearOptions(CWorldModel& world) {
    GameOptions(world) = CGameOptions{};
    GameOptions(world).Icon = DefaultGameIcon();
    GameOptions(world).LastChanged = CurrentDateTime();
}

bool LoadOptions(CWorldModel& world, CStream& s) {
    ClearOptions(world);
    CGameOptions& o = GameOptions(world);
    const std::int32_t v = s.ReadInt();
    if (v < 400 || v > 500)
        return false;

    o.OptionFlag1 = s.ReadBool();
    if (v >= 411)
        o.OptionFlag2 = s.ReadBool();
    o.OptionFlag3 = s.ReadBool();
    if (v < 420) {
        o.WindowScale = 100;
        o.FullScale = s.ReadBool() ? 0 : 100;
    } else {
        o.WindowScale = s.ReadInt();
        o.FullScale = s.ReadInt();
        o.OptionFlag4 = s.ReadBool();
        o.SetResolution = s.ReadBool();
    }
    o.ExclusiveMode = s.ReadBool();
    if (v < 420)
        o.SetResolution = o.ExclusiveMode;
    o.ColorDepth = s.ReadInt();
    o.Resolution = s.ReadInt();
    if (v >= 420)
        o.Frequency = s.ReadInt();
    o.OptionFlag5 = s.ReadBool();
    o.OptionFlag6 = s.ReadBool();
    if (v >= 500)
        o.OptionFlag7 = s.ReadBool();
    o.OptionFlag8 = s.ReadBool();
    o.OptionFlag9 = s.ReadBool();
    o.OptionFlag10 = s.ReadBool();
    o.OptionFlag11 = s.ReadBool();
    if (v < 440)
        SkipVersion4Block(s);
    o.OptionFlag12 = s.ReadBool();
    o.OptionFlag13 = s.ReadBool();
    o.OptionFlag14 = s.ReadBool();
    if (v >= 411) {
        o.ProgressBarKind = s.ReadInt();
        if (o.ProgressBarKind == 2) {
            o.BarBackImage = Bitmap24_LoadFromStream(s);
            o.BarFrontImage = Bitmap24_LoadFromStream(s);
        }
    } else {
        o.ProgressBarKind = s.ReadBool() ? 1 : 0;
    }
    o.ShowLoadImage = s.ReadBool();
    if (o.ShowLoadImage)
        o.LoadingImage = Bitmap24_LoadFromStream(s);
    if (v >= 410) {
        CBlock icon = s.ReadBlock();
        CheckIcon(icon);
        o.Icon = std::move(icon);
    }
    if (v >= 420) {
        o.DisplayErrors = s.ReadBool();
        o.WriteErrors = s.ReadBool();
        o.AbortErrors = s.ReadBool();
        o.VariableErrors = s.ReadBool();
    }
    if (v >= 441) {
        o.Author = s.ReadString();
        o.GameVersion = s.ReadInt();
        o.LastChanged = s.ReadReal();
        o.Information = s.ReadString();
    }
    o.Changed = false;
    return true;
}

bool SaveOptions(CWorldModel& world, CStream& s) {
    const CGameOptions& o = GameOptions(world);
    s.WriteInt(OptionsVersion);
    s.WriteBool(o.OptionFlag1);
    s.WriteBool(o.OptionFlag2);
    s.WriteBool(o.OptionFlag3);
    s.WriteInt(o.WindowScale);
    s.WriteInt(o.FullScale);
    s.WriteBool(o.OptionFlag4);
    s.WriteBool(o.SetResolution);
    s.WriteBool(o.ExclusiveMode);
    s.WriteInt(o.ColorDepth);
    s.WriteInt(o.Resolution);
    s.WriteInt(o.Frequency);
    s.WriteBool(o.OptionFlag5);
    s.WriteBool(o.OptionFlag6);
    s.WriteBool(o.OptionFlag7);
    s.WriteBool(o.OptionFlag8);
    s.WriteBool(o.OptionFlag9);
    s.WriteBool(o.OptionFlag10);
    s.WriteBool(o.OptionFlag11);
    s.WriteBool(o.OptionFlag12);
    s.WriteBool(o.OptionFlag13);
    s.WriteBool(o.OptionFlag14);
    s.WriteInt(o.ProgressBarKind);
    if (o.ProgressBarKind == 2) {
        Bitmap24_SaveToStream(ImageOrNone(o.BarBackImage), s);
        Bitmap24_SaveToStream(ImageOrNone(o.BarFrontImage), s);
    }
    s.WriteBool(o.ShowLoadImage);
    if (o.ShowLoadImage)
        Bitmap24_SaveToStream(ImageOrNone(o.LoadingImage), s);
    // A record that was never cleared holds no icon yet: it has the default.
    s.WriteBlock(o.Icon.empty() ? std::span<const std::uint8_t>(DefaultGameIcon())
                                : std::span<const std::uint8_t>(o.Icon));
    s.WriteBool(o.DisplayErrors);
    s.WriteBool(o.WriteErrors);
    s.WriteBool(o.AbortErrors);
    s.WriteBool(o.VariableErrors);
    s.WriteString(o.Author);
    s.WriteInt(o.GameVersion);
    s.WriteReal(CurrentDateTime());  // the time of saving becomes the last change
    s.WriteString(o.Information);
    return true;
}

}  // namespace transvane
