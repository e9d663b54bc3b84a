#include "project/Resource_Recover.h"

#include <algorithm>
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
#include "project/Resource_Kinds.h"
#include "project/Resource_Tree.h"

namespace transvane {

namespace {

// What recovery knows of a section: how people call its contents, and for
// a list how to count it and where its resources go in a rebuilt tree.
struct CRecoveryRow {
    ESection Id;
    const char* Kind;
    const char* BlockLost;  // what a record loses with a damaged block; null: the section has none
    // Lists only.
    std::int64_t (*Present)(const CProject&) = nullptr;
    int (*Slots)(CProject&) = nullptr;
    int (*Declared)(CProject&) = nullptr;
    bool (*StoppedInResource)(CProject&) = nullptr;
    bool (*Exists)(CProject&, int) = nullptr;
    const std::string& (*Name)(CProject&, int) = nullptr;
    ETopLevel Group = ETopLevel::Sprites;
    EResourceKind TreeKind = KindSprites;
};

// A list of the project reached from its floor's part: List(part) for the
// part Part picks; the kind names and counts it.
template <auto& List, auto Part>
CRecoveryRow ListRow(EContentKind kind, const char* blockLost, ETopLevel group, EResourceKind treeKind) {
    const CContentKind& counted = ContentKind(kind);
    return {*counted.List,
            counted.Key,
            blockLost,
            counted.Count,
            [](CProject& p) { return List(p.*Part).Count(); },
            [](CProject& p) { return List(p.*Part).Declared(); },
            [](CProject& p) { return List(p.*Part).StoppedInResource(); },
            [](CProject& p, int i) { return List(p.*Part).Exists(i); },
            [](CProject& p, int i) -> const std::string& { return List(p.*Part).Name(i); },
            group,
            treeKind};
}

constexpr auto Media = &CProject::Media;
constexpr auto Behaviour = &CProject::Behaviour;
constexpr auto World = &CProject::World;

// In file order; the used-libraries section holds nothing to recover.
const std::array<CRecoveryRow, 12>& Rows() {
    static const std::array<CRecoveryRow, 12> rows = {{
        {ESection::Options, "game options", "the picture is left out"},
        ListRow<SoundList, Media>(EContentKind::Sounds, "the sound keeps its record, with no data", ETopLevel::Sounds,
                                  KindSounds),
        ListRow<SpriteList, Media>(EContentKind::Sprites, "the subimage is dropped", ETopLevel::Sprites, KindSprites),
        ListRow<BackgroundList, Media>(EContentKind::Backgrounds, "the background keeps its record, with no picture",
                                       ETopLevel::Backgrounds, KindBackgrounds),
        ListRow<PathList, Behaviour>(EContentKind::Paths, nullptr, ETopLevel::Paths, KindPaths),
        ListRow<ScriptList, Media>(EContentKind::Scripts, nullptr, ETopLevel::Scripts, KindScripts),
        ListRow<DataFileList, Media>(EContentKind::DataFiles, "the data file keeps its record, with no data",
                                     ETopLevel::DataFiles, KindDataFiles),
        ListRow<TimeLineList, Behaviour>(EContentKind::TimeLines, nullptr, ETopLevel::TimeLines, KindTimeLines),
        ListRow<ObjectList, Behaviour>(EContentKind::Objects, nullptr, ETopLevel::Objects, KindObjects),
        ListRow<RoomList, World>(EContentKind::Rooms, nullptr, ETopLevel::Rooms, KindRooms),
        {ESection::GameInformation, "game information", nullptr},
        {ESection::Tree, "resource tree", nullptr},
    }};
    return rows;
}

const CRecoveryRow* RowOf(ESection id) {
    for (const CRecoveryRow& row : Rows())
        if (row.Id == id)
            return &row;
    return nullptr;
}

// The section of the table that holds the byte, by the spans read and the
// section reading stopped in.
const CSection* SectionAt(const CLoadReport& load, std::size_t position) {
    for (const CLoadReport::CSpan& span : load.Sections)
        if (span.Present && position >= span.Start && position < span.End)
            for (int k = 0; k < GameSectionCount(); ++k)
                if (GameSections()[k].Id == span.Id)
                    return &GameSections()[k];
    for (int k = 0; k < GameSectionCount(); ++k)
        if (GameSections()[k].Id == load.SectionId)
            return &GameSections()[k];
    return nullptr;
}

// Instances and tiles added later must not take the id of one kept: when the
// counters stored after the rooms were not read, they move past every id.
void MoveIdCountersPastRooms(CWorldModel& world) {
    for (int i = 0; i < RoomList(world).Count(); ++i)
        if (const CRoom* room = RoomList(world).Get(i)) {
            for (const auto& instance : room->Instances)
                InstanceIdCounter(world) = std::max(InstanceIdCounter(world), instance.Id + 1);
            for (const auto& tile : room->Tiles)
                TileIdCounter(world) = std::max(TileIdCounter(world), tile.Id + 1);
        }
}

// Every resource kept, under its kind's top group, in slot order.
void RebuildTree(CProject& project) {
    BuildTree(project.Model);
    for (const CRecoveryRow& row : Rows()) {
        if (row.Slots == nullptr)
            continue;
        CTreeNode* group = TopLevelNode(project.Model, row.Group);
        for (int i = 0; i < row.Slots(project); ++i)
            if (row.Exists(project, i))
                group->AddChild(row.Name(project, i), CResource(ResourceNode, row.TreeKind, i));
    }
}

}  // namespace

std::int64_t CRecoveryReport::Recovered() const {
    std::int64_t sum = 0;
    for (const CRecoveredSection& section : Sections)
        sum += section.Recovered;
    return sum;
}

std::int64_t CRecoveryReport::Total() const {
    std::int64_t sum = 0;
    for (const CRecoveredSection& section : Sections)
        sum += section.Total >= 0 ? section.Total : section.Recovered + section.Lost;
    return sum;
}

bool CRecoveryReport::TotalIsLeast() const {
    return std::any_of(Sections.begin(), Sections.end(),
                       [](const CRecoveredSection& section) { return section.IsList && section.Total < 0; });
}

bool CRecoveryReport::KeptNothing() const {
    return Recovered() == 0 && std::none_of(Sections.begin(), Sections.end(), [](const CRecoveredSection& section) {
               return section.State == CRecoveredSection::EState::Complete;
           });
}

namespace {

// What the file held of a list whose reading stopped in it: the slots read
// tell theirs, the slot the reading stopped in may be known to hold a
// resource, and each slot after it may or may not have held one.
void CountStoppedList(CProject& project, const CRecoveryRow& row, CRecoveredSection& section) {
    section.Lost = row.StoppedInResource(project) ? 1 : 0;
    section.Total = -1;
    const int declared = row.Declared(project);
    if (declared < 0)
        return;
    const std::int64_t unread = declared - row.Slots(project) - section.Lost;
    if (unread <= 0)
        section.Total = section.Recovered + section.Lost;
    else
        section.AtMost = section.Recovered + section.Lost + unread;
}

}  // namespace

void FinishRecovery(CProject& project, bool complete, CRecoveryReport& report) {
    const CLoadReport& load = report.Load;
    report.Sections.clear();
    report.Blocks.clear();
    report.TreeRebuilt = false;
    bool stopped = false;  // passed the section reading stopped in
    for (int k = 0; k < GameSectionCount(); ++k) {
        const CSection& section = GameSections()[k];
        const CRecoveryRow* row = RowOf(section.Id);
        if (load.Version < section.PresentFrom)
            continue;
        CRecoveredSection::EState state = CRecoveredSection::EState::Complete;
        if (!complete && section.Id == load.SectionId) {
            state = CRecoveredSection::EState::Stopped;
            // A list keeps the records it read completely; any other section
            // holds what a new project has.
            if (row == nullptr || row->Slots == nullptr)
                section.Clear(project);
        } else if (stopped) {
            state = CRecoveredSection::EState::NotReached;
        }
        stopped = stopped || state == CRecoveredSection::EState::Stopped;
        if (row == nullptr)
            continue;
        CRecoveredSection recovered{section.Id, row->Kind, row->Slots != nullptr, state};
        if (recovered.IsList) {
            recovered.Recovered = row->Present(project);
            if (state == CRecoveredSection::EState::Complete)
                recovered.Total = recovered.Recovered;
            else if (state == CRecoveredSection::EState::Stopped)
                CountStoppedList(project, *row, recovered);
            else
                recovered.Total = -1;
        }
        report.Sections.push_back(recovered);
    }
    if (!complete) {
        const CRecoveredSection* rooms = nullptr;
        for (const CRecoveredSection& section : report.Sections)
            if (section.Id == ESection::Rooms)
                rooms = &section;
        if (rooms != nullptr && rooms->State != CRecoveredSection::EState::Complete)
            MoveIdCountersPastRooms(project.World);
        RebuildTree(project);
        report.TreeRebuilt = true;
    }
    for (const CDamagedBlock& block : report.Damaged) {
        const CSection* section = SectionAt(load, block.Start);
        const CRecoveryRow* row = section != nullptr ? RowOf(section->Id) : nullptr;
        report.Blocks.push_back({block, section != nullptr ? section->Name : "",
                                 row != nullptr && row->BlockLost != nullptr ? row->BlockLost : "it is left out"});
    }
}

std::string GroupedNumber(std::int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (auto at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return value < 0 ? "-" + digits : digits;
}

std::string StopCause(const CLoadReport& report) {
    if (report.Failure == "Stream read error")
        return "what is stored there runs past the end of the file";
    return report.Failure;
}

std::vector<std::string> RecoveryLines(const CRecoveryReport& report) {
    const CLoadReport& load = report.Load;
    const std::string where = "reading stopped in \"" + load.Section + "\" at byte " +
                              GroupedNumber(static_cast<std::int64_t>(load.Position)) + ": " + StopCause(load);
    std::vector<std::string> lines;
    for (const CRecoveredSection& section : report.Sections) {
        const std::string kind = section.Kind;
        const std::string before = "reading stopped earlier, in \"" + load.Section + "\"";
        using EState = CRecoveredSection::EState;
        if (!section.IsList) {
            const bool tree = section.Id == ESection::Tree;
            if (section.State == EState::Complete)
                lines.push_back(kind + ": recovered");
            else
                lines.push_back(kind +
                                (tree ? ": rebuilt from the resources recovered (" : ": lost, a new project's used (") +
                                (section.State == EState::Stopped ? where : before) + ")");
            continue;
        }
        std::string line = kind + ": " + GroupedNumber(section.Recovered);
        if (section.Total >= 0)
            line += " of " + GroupedNumber(section.Total);
        else if (section.AtMost >= 0)
            line += " of at most " + GroupedNumber(section.AtMost);
        line += " recovered";
        if (section.State == EState::Stopped) {
            const std::int64_t most = section.AtMost - section.Recovered;
            if (section.Total >= 0)
                line += " (" + GroupedNumber(section.Total - section.Recovered) + " lost: " + where + ")";
            else if (section.AtMost >= 0)
                line += " (" + (section.Lost > 0 ? GroupedNumber(section.Lost) + " to " : std::string("up to ")) +
                        GroupedNumber(most) + " lost, as the slots after the damage may be empty: " + where + ")";
            else
                line += " (how many were lost is unknown: " + where + ")";
        } else if (section.State == EState::NotReached)
            line += " (all lost: " + before + ")";
        lines.push_back(std::move(line));
    }
    for (const CRecoveredBlock& block : report.Blocks) {
        std::string line = "damaged block in \"" + std::string(block.Section) + "\" at byte " +
                           GroupedNumber(static_cast<std::int64_t>(block.Block.Start));
        if (!block.Block.Place.empty())
            line += " (" + block.Block.Place + ")";
        lines.push_back(line + ": " + block.Lost);
        lines.push_back("  cause: " + block.Block.Cause);
    }
    return lines;
}

std::vector<std::string> RecoverySummaryLines(const CRecoveryReport& report, const CConversionReport& saved) {
    std::vector<std::string> lines = RecoveryLines(report);
    if (const std::string losses = LossSummary(saved); !losses.empty())
        // What the conversion changed in saving, whether or not it follows
        // from the damage (an old action without translation does not).
        lines.push_back("saved with these changes: " + losses);
    // A change the format cannot detect reads as well as the original
    // bytes: say only what the reading found.
    if (report.LostNothing())
        lines.emplace_back("nothing was lost: no damage was found");
    return lines;
}

std::string RecoveredIntoLine(std::int64_t recovered, std::int64_t total, bool totalIsLeast, std::size_t blocks,
                              const std::string& target) {
    // "of at least 0" would say nothing: reading stopped before any count.
    std::string line = "recovered " + GroupedNumber(recovered);
    if (total > 0 || !totalIsLeast)
        line += " of " + std::string(totalIsLeast ? "at least " : "") + GroupedNumber(total);
    line += " resources into " + target;
    // A resource that lost a subimage or its data counts as recovered: the
    // line says what it is short of.
    if (blocks > 0)
        line += " (" + GroupedNumber(static_cast<std::int64_t>(blocks)) +
                (blocks == 1 ? " damaged block left out)" : " damaged blocks left out)");
    return line;
}

std::string RecoveredIntoLine(const CRecoveryReport& report, const std::string& target) {
    return RecoveredIntoLine(report.Recovered(), report.Total(), report.TotalIsLeast(), report.Blocks.size(), target);
}

}  // namespace transvane
