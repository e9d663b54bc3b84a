// What the converter must make of a project, worked out in the tests.
//
// ExpectedConversion takes the description of a source file (ProjectFiles.h)
// and states the version-500 project that converting it must produce, in
// the form ReadProject (ProjectReader.h) gives for the written file: every
// section in its newest layout, missing fields at their defaults, old
// settings translated, old action numbers mapped to library 1, pictures as
// compressed 24-bit BMPs of the same pixels, dangling references reset and
// dropped, the tree completed with its room order recomputed.
//
// ExpectConverted compares a read-back project with such an expectation,
// section by section and slot by slot.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

struct CProject;  // project/Project_Main.h

namespace project {

struct TExpectation {
    TProject Project;
    // A version-400 header stores no GUID: the saved one is a fresh one.
    bool GuidKnown = true;
    // The game information was stored as Rich Text Format and must come
    // back byte for byte; otherwise it was plain text and must come back as
    // a document holding exactly GameInformationText.
    bool GameInformationAsStored = true;
    std::string GameInformationText;
    // The messages that loading and saving show, in order.
    std::vector<std::string> Messages;
};

TExpectation ExpectedConversion(const TProject& source);

// Compares the read-back output with the expectation; LastChanged must lie
// in [savedFrom, savedUntil] (local time as a day count).
void ExpectConverted(const TExpectation& expected, const TProject& actual, double savedFrom, double savedUntil);

// Loads the file and saves it as out.vtr through the drivers, in a fresh
// scratch folder: what they reported, what they wrote, when, and what the
// folder held afterwards.  Output stays empty when the load or the save
// failed.
struct TDriverRun {
    bool Loaded = false;
    bool Converted = false;
    std::vector<std::string> Messages;
    std::vector<std::string> LoadEvents, SaveEvents;  // as the recorder noted them
    std::vector<int> LoadProgress, SaveProgress;
    std::vector<CRecorder::CBytesAt> LoadBytes, SaveBytes;
    CBlock Output;
    double SavedFrom = 0, SavedUntil = 0;
    std::vector<std::string> Files;
};
TDriverRun RunDrivers(const CBlock& file);
// The same into the project given, which keeps what the load left in it.
TDriverRun RunDrivers(CProject& project, const CBlock& file);

// The local date and time now as the format stores it: days since
// 30 December 1899, the fraction the time of day.
double LocalNowAsDays();

// The new action id of an old action number, or the number itself when the
// translation table has no entry for it.
std::int32_t TranslatedActionId(std::int32_t oldNumber, bool* known = nullptr);

// Readable output for test failures.
void PrintTo(const TPicture& value, std::ostream* out);
void PrintTo(const TAction& value, std::ostream* out);
void PrintTo(const TEvent& value, std::ostream* out);
void PrintTo(const TNode& value, std::ostream* out);

}  // namespace project

}  // namespace transvane
