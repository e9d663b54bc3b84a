// Test-file builder for the behaviour sections: actions of both layouts,
// events, objects of both tags, time lines, paths, their list sections and
// the used-libraries section.  Everything is written through the stream's
// own primitives, field by field, so a test can build any stored version
// and any hostile value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "format/core/Support_Stream.h"

// An action record in the older layout.  Count overrides the stored
// argument count (the strings written are still Arguments).
struct CTestAction400 {
    std::int32_t Number = 1;
    std::int32_t Selector = -1;
    bool ActionFlag = false;
    std::vector<std::string> Arguments{};
    std::optional<std::int32_t> Count{};
};

// An action record in the newer layout, with every field.  KindCount and
// ArgumentCount override the stored counts.
struct CTestAction440 {
    std::int32_t LibraryId = 1;
    std::int32_t ActionId = 101;
    std::int32_t DefValue1 = 0;
    bool DefFlag1 = false;
    bool DefFlag2 = false;
    bool DefFlag3 = false;
    std::int32_t DefValue2 = 0;
    std::string DefText1;
    std::string DefText2;
    std::int32_t DefValue3 = 0;
    std::vector<std::int32_t> ArgumentKinds = std::vector<std::int32_t>(8, 0);
    std::optional<std::int32_t> KindCount{};
    std::int32_t Selector = -1;
    bool ActionFlag = false;
    std::vector<std::string> Arguments = std::vector<std::string>(8, "0");
    std::optional<std::int32_t> ArgumentCount{};
    bool TailFlag = false;
};

// A record with an arbitrary tag and nothing behind it.
struct CTestActionTag {
    std::int32_t Tag = 0;
};

using CTestAction = std::variant<CTestAction400, CTestAction440, CTestActionTag>;

struct CTestEvent {
    std::int32_t Tag = 400;
    std::vector<CTestAction> Actions{};
    std::optional<std::int32_t> Count{};  // overrides the stored action count
};

// One entry of a row: event number and event.
using CTestEventEntry = std::pair<std::int32_t, CTestEvent>;

struct CTestObject {
    std::int32_t Tag = 430;
    std::int32_t SpriteIndex = -1;
    bool ObjectFlag1 = false;
    bool ObjectFlag2 = true;
    std::int32_t ObjectValue = 0;
    bool ObjectFlag3 = false;
    std::int32_t RelatedObjectIndex = -100;
    std::int32_t SecondSpriteIndex = -1;
    // Stored for tag 430 only; tag 400 always has rows 0 to 8.
    std::int32_t LastRow = 10;
    // Rows[r] are written as row r, in the order given; missing rows are
    // written empty.
    std::vector<std::vector<CTestEventEntry>> Rows{};
};

struct CTestTimeLine {
    std::int32_t Tag = 500;
    std::vector<std::pair<std::int32_t, CTestEvent>> Entries{};
};

struct CTestPath {
    std::int32_t Tag = 420;
    std::int32_t ConnectionKind = 0;
    std::int32_t EndAction = 2;
    std::int32_t SmoothingDepth = 4;
    struct Point {
        double X, Y, Speed;
    };
    std::vector<Point> Points{};
    std::optional<std::int32_t> Count{};  // overrides the stored point count
};

// A list slot: absent (nullopt) or a name and a record.
template <class T>
using CTestSlot = std::optional<std::pair<std::string, T>>;

void WriteAction(CStream& stream, const CTestAction& action);
void WriteEvent(CStream& stream, const CTestEvent& event);
void WriteObject(CStream& stream, const CTestObject& object);
void WriteTimeLine(CStream& stream, const CTestTimeLine& timeLine);
void WritePath(CStream& stream, const CTestPath& path);

void WriteObjectsSection(CStream& stream, const std::vector<CTestSlot<CTestObject>>& slots,
                         std::int32_t tag = 400);
void WriteTimeLinesSection(CStream& stream, const std::vector<CTestSlot<CTestTimeLine>>& slots,
                           std::int32_t tag = 500);
void WritePathsSection(CStream& stream, const std::vector<CTestSlot<CTestPath>>& slots,
                       std::int32_t tag = 420);
void WriteUsedLibrariesSection(CStream& stream, const std::vector<std::string>& names,
                               std::int32_t version = 500);

// The record the converter writes for an action, as the newer layout.
CTestAction440 ConvertedAction(std::int32_t actionId, std::vector<std::string> arguments = {},
                               std::int32_t selector = -1, bool actionFlag = false);
