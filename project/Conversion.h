// The converter as a library: a project file of version 400..500 in, the
// same project as a version-500 file out.
//
// Each call converts with a project of its own (Project_Main.h) and touches
// nothing process-wide, so any number of calls may run at once on as many
// threads.  The messages are those the window shows, word for word; none
// is shown anywhere else unless a feedback is given.
//
//     CConversionResult result = ConvertBytes(oldBytes, newBytes);
//     if (!result.Converted)
//         for (const std::string& line : result.Messages) ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/core/Support_Progress.h"
#include "format/core/Support_Stream.h"

// What was converted: the source's header version and how many resources
// of each kind it held.
struct CConversionSummary {
    std::int32_t Version = 0;  // 0 when the header was not read
    struct CKindCount {
        const char* Kind;  // the section's name: "Sprites", "Rooms" ...
        int Count;         // present resources, empty slots not counted
    };
    std::vector<CKindCount> Counts;  // the nine lists, in file order
};

struct CConversionResult {
    bool Converted = false;
    std::vector<std::string> Messages;  // in the order they were shown
    CConversionSummary Summary;          // filled once the source loaded
};

// Bounds on what a hostile source may claim, for callers that want them
// tighter than a desktop's (a fuzzing harness, a browser tab).
struct CConversionLimits {
    std::size_t InflateLimit = MaxBlockSize;
    std::size_t LoadBudgetFloor = ::LoadBudgetFloor;
};

// Converts the file source into the file target, keeping an existing target
// as its .vk1 backup and never leaving a half-written target.  Messages and
// progress go to feedback as well, when one is given.
CConversionResult ConvertFile(const std::string& source, const std::string& target, CFeedback* feedback = nullptr,
                        const CConversionLimits& limits = {});

// Converts a file image in memory; target receives the new image and is
// left untouched when the conversion fails.
CConversionResult ConvertBytes(std::span<const std::uint8_t> source, CBlock& target,
                         const CConversionLimits& limits = {});
