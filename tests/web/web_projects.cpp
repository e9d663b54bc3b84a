// The native half of the page's browser test (page.test.mjs):
//
//   web_projects make DIR
//       writes the test's projects, all made by the test-file builder:
//       sample_V.vtr for every header version V from 400 to 500, a backup
//       named backup.vk1, media_441.vtr (two megabytes that do not
//       compress, read and written as stored blocks), data_441.vtr (data
//       that compresses, in blocks that go to libdeflate: one of tens of
//       kilobytes, one small of many byte values), and files the page
//       must refuse: damaged.vtr (a sample cut short), not_a_project.vtr,
//       too_old.vtr (version 399) and too_new.vtr (501).
//   web_projects large FILE MEGABYTES
//       writes a version-441 project of about MEGABYTES million bytes: data
//       files of a million bytes each that do not compress, as sounds and
//       pictures already compressed are.
//   web_projects check SOURCE CONVERTED
//       converts SOURCE natively, through the library call the command-line
//       tool uses, prints that conversion's messages as the command-line
//       tool does (each followed by its context lines, indented), and compares
//       CONVERTED (the page's download) with the native file section by
//       section through the test kit's independent reader, then byte for
//       byte: the page compresses with the native codec, so every block
//       is the same.  Exit status 0 when they hold the same project in
//       the same bytes, 1 when not (what differs is named on standard
//       error), 2 on a usage error.
//   web_projects recover SOURCE RECOVERED
//       the same for a recovery: recovers SOURCE natively through the
//       library call, prints its report's lines as the command-line tool
//       does (the last line naming RECOVERED by its file name), and
//       compares RECOVERED with the native file.
//
// Two fields may differ between two conversions of one file: the time of
// saving (8 bytes, stored as they are), and the GUID of a file too old to
// store one (each save makes a fresh one).
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

namespace fs = std::filesystem;
using namespace project;

void Write(const fs::path& file, const CBlock& bytes) { WriteWholeFile(file.string(), bytes); }

void MakeLarge(const fs::path& file, int megabytes) {
    TProject project = EmptyProject(441);
    for (int i = 0; i < megabytes; ++i)
        project.DataFiles.Add(
            "data" + std::to_string(i),
            TDataFile{440, "data.bin", 1, NoiseBytes(1000000, static_cast<std::uint32_t>(i)), 2, 0, 1, 1});
    Write(file, WriteProject(project));
}

// Text that compresses well, a few dozen byte values in all.
CBlock NumberedLines(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "line " + std::to_string(i * 7919 % 100003) + " of the data file\n";
    return Bytes(text);
}

// Every byte value, twice over: a small block that compresses.
CBlock EveryValueTwice() {
    CBlock bytes;
    for (int round = 0; round < 2; ++round)
        for (int value = 0; value < 256; ++value)
            bytes.push_back(static_cast<std::uint8_t>(value * 37));
    return bytes;
}

void Make(const fs::path& folder) {
    fs::create_directories(folder);
    for (std::int32_t version : {400, 410, 411, 420, 430, 440, 441, 500})
        Write(folder / ("sample_" + std::to_string(version) + ".vtr"),
              WriteProject(SampleProject(version, static_cast<std::uint32_t>(version))));
    Write(folder / "backup.vk1", WriteProject(RandomProject(441, 7)));
    MakeLarge(folder / "media_441.vtr", 2);
    TProject data = EmptyProject(441);
    data.DataFiles.Add("text", TDataFile{440, "text.txt", 1, NumberedLines(2000), 2, 0, 1, 1});
    data.DataFiles.Add("table", TDataFile{440, "table.bin", 1, EveryValueTwice(), 2, 0, 1, 1});
    Write(folder / "data_441.vtr", WriteProject(data));
    CBlock damaged = WriteProject(SampleProject(500, 3));
    damaged.resize(damaged.size() / 2);
    Write(folder / "damaged.vtr", damaged);
    const std::string text = "Not a project, only some text.\n";
    Write(folder / "not_a_project.vtr", Bytes(text));
    Write(folder / "too_old.vtr", HeaderOnly(399));
    Write(folder / "too_new.vtr", HeaderOnly(501));
}

// The time of saving, a double stored as it is.
constexpr std::size_t SavingTimeBytes = 8;

// Whether two conversions of one file are the same bytes but for the time
// of saving: at most that many bytes apart from first to last difference.
bool SameButForSavingTime(const CBlock& a, const CBlock& b) {
    if (a.size() != b.size())
        return false;
    const auto first = std::mismatch(a.begin(), a.end(), b.begin());
    if (first.first == a.end())
        return true;
    const auto last = std::mismatch(a.rbegin(), a.rend(), b.rbegin());
    return static_cast<std::size_t>(last.first.base() - first.first) <= SavingTimeBytes;
}

// The sections of two read-back projects that differ, by name.
template <class F>
int CompareSections(const TProject& a, const TProject& b, F report) {
    int differences = 0;
    auto compare = [&](const char* name, bool same) {
        if (!same) {
            report(name);
            ++differences;
        }
    };
    compare("header", a.Version == b.Version && a.Flag == b.Flag && a.GameId == b.GameId && a.Guid == b.Guid);
    compare("game options", a.Options == b.Options);
    compare("sounds", a.Sounds == b.Sounds);
    compare("sprites", a.Sprites == b.Sprites);
    compare("backgrounds", a.Backgrounds == b.Backgrounds);
    compare("paths", a.Paths == b.Paths);
    compare("scripts", a.Scripts == b.Scripts);
    compare("data files", a.DataFiles == b.DataFiles);
    compare("time lines", a.TimeLines == b.TimeLines);
    compare("objects", a.Objects == b.Objects);
    compare("rooms", a.Rooms == b.Rooms);
    compare("game information", a.GameInformation == b.GameInformation);
    compare("used action libraries", a.Libraries == b.Libraries);
    compare("resource tree", a.Tree == b.Tree);
    return differences;
}

int Check(const fs::path& source, const fs::path& converted, bool recover) {
    const fs::path native = fs::temp_directory_path() / ("web_projects_" + std::to_string(::getpid()) + ".vtr");
    transvane::COptions replace;
    replace.Force = true;
    const transvane::CResult result = recover ? transvane::RecoverFile(source.string(), native.string(), replace)
                                              : transvane::ConvertFile(source.string(), native.string(), replace);
    if (recover && result.Recovery) {
        for (const std::string& line : result.Recovery->Lines)
            std::cout << line << "\n";
        std::cout << transvane::RecoveredInto(*result.Recovery, converted.filename().string()) << "\n";
    } else {
        for (const transvane::CMessage& message : result.Messages)
            for (const std::string& line : MessageLines({message.Text, message.Context}))
                std::cout << line << "\n";
    }
    if (!result.Ok()) {
        std::cerr << source << ": the native conversion failed\n";
        return 1;
    }
    const CBlock nativeBytes = ReadWholeFile(native);
    fs::remove(native);
    const CBlock convertedBytes = ReadWholeFile(converted);
    TProject expected = ReadProject(nativeBytes);
    const TProject actual = ReadProject(convertedBytes);
    const std::int32_t sourceVersion = [&] {
        CStream header{ReadWholeFile(source)};
        header.ReadInt();
        return header.ReadInt();
    }();
    expected.Options.LastChanged = actual.Options.LastChanged;
    if (sourceVersion < 410)
        expected.Guid = actual.Guid;
    const int differences = CompareSections(expected, actual, [&](const char* section) {
        std::cerr << converted << ": " << section << " differ from the native conversion\n";
    });
    if (differences != 0)
        return 1;
    if (sourceVersion >= 410 && !SameButForSavingTime(nativeBytes, convertedBytes)) {
        std::cerr << converted << ": the bytes differ from the native conversion beyond the time of saving\n";
        return 1;
    }
    return 0;
}

}  // namespace

}  // namespace transvane

using namespace transvane;

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "make" && argc == 3) {
            Make(argv[2]);
            return 0;
        }
        if (command == "large" && argc == 4) {
            MakeLarge(argv[2], std::stoi(argv[3]));
            return 0;
        }
        if ((command == "check" || command == "recover") && argc == 4)
            return Check(argv[2], argv[3], command == "recover");
    } catch (const std::exception& error) {
        std::cerr << "web_projects: " << error.what() << "\n";
        return 1;
    }
    std::cerr << "Usage: web_projects make DIR\n       web_projects large FILE MEGABYTES\n"
                 "       web_projects check SOURCE CONVERTED\n"
                 "       web_projects recover SOURCE RECOVERED\n";
    return 2;
}
