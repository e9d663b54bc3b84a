#include "project/Resource_Kinds.h"

#include <array>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/world/Room_Main.h"
#include "project/Project_Main.h"

namespace transvane {

namespace {

// The resources present in a list of the project: member List of its
// floor's part Part.
template <auto Part, auto List>
std::int64_t Present(const CProject& project) {
    return ResourceCount((project.*Part).*List);
}

// The parts of the resources present in a list, Parts(record) each.
template <auto Part, auto List, auto Parts>
std::int64_t PartsOf(const CProject& project) {
    const auto& list = (project.*Part).*List;
    std::int64_t parts = 0;
    for (int i = 0; i < list.Count(); ++i)
        if (const auto* record = list.Get(i))
            parts += static_cast<std::int64_t>(Parts(*record));
    return parts;
}

constexpr auto Media = &CProject::Media;
constexpr auto Behaviour = &CProject::Behaviour;
constexpr auto World = &CProject::World;

std::size_t SubimagesOf(const CSprite& sprite) { return sprite.Images.size(); }
std::size_t InstancesOf(const CRoom& room) { return room.Instances.size(); }
std::size_t TilesOf(const CRoom& room) { return room.Tiles.size(); }

using enum EContentKind;

// In the order of EContentKind, which every report keeps.
const std::array<CContentKind, 12> Kinds = {{
    {Sounds, "Sounds", "sounds", ESection::Sounds, Present<Media, &CMediaModel::Sounds>},
    {Sprites, "Sprites", "sprites", ESection::Sprites, Present<Media, &CMediaModel::Sprites>},
    {Subimages, "Subimages", "subimages", std::nullopt, PartsOf<Media, &CMediaModel::Sprites, SubimagesOf>},
    {Backgrounds, "Backgrounds", "backgrounds", ESection::Backgrounds, Present<Media, &CMediaModel::Backgrounds>},
    {Paths, "Paths", "paths", ESection::Paths, Present<Behaviour, &CBehaviourModel::Paths>},
    {Scripts, "Scripts", "scripts", ESection::Scripts, Present<Media, &CMediaModel::Scripts>},
    {DataFiles, "Data files", "data files", ESection::DataFiles, Present<Media, &CMediaModel::DataFiles>},
    {TimeLines, "Time lines", "time lines", ESection::TimeLines, Present<Behaviour, &CBehaviourModel::TimeLines>},
    {Objects, "Objects", "objects", ESection::Objects, Present<Behaviour, &CBehaviourModel::Objects>},
    {Rooms, "Rooms", "rooms", ESection::Rooms, Present<World, &CWorldModel::Rooms>},
    {Instances, "Instances", "instances", std::nullopt, PartsOf<World, &CWorldModel::Rooms, InstancesOf>},
    {Tiles, "Tiles", "tiles", std::nullopt, PartsOf<World, &CWorldModel::Rooms, TilesOf>},
}};

}  // namespace

std::span<const CContentKind> ContentKinds() { return Kinds; }

const CContentKind& ContentKind(EContentKind id) { return Kinds[static_cast<std::size_t>(id)]; }

}  // namespace transvane
