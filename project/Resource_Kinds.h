// The kinds a project holds, as every report names and counts them: the ten
// lists of resources in file order, each part of a resource (a sprite's
// subimages, a room's instances and tiles) after the list that holds it.
// The conversion's summary, the library's counts, transvane-cli's reports
// and recovery's lines all read this one table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "project/Resource_Main.h"

namespace transvane {

struct CProject;  // Project_Main.h

enum class EContentKind {
    Sounds,
    Sprites,
    Subimages,
    Backgrounds,
    Paths,
    Scripts,
    DataFiles,
    TimeLines,
    Objects,
    Rooms,
    Instances,
    Tiles
};

struct CContentKind {
    EContentKind Id;
    const char* Name;              // for people, at the head of a line: "Sounds", "Data files"
    const char* Key;               // in reports and their JSON: "sounds", "data files"
    std::optional<ESection> List;  // the section of a list of resources; none for a part of resources
    // The resources present (empty slots not counted), or their parts.
    std::int64_t (*Count)(const CProject&);
};

std::span<const CContentKind> ContentKinds();
const CContentKind& ContentKind(EContentKind id);

}  // namespace transvane
