// The resource tree: the user's arrangement of every resource into groups.
//
// The converter never shows the tree; it carries it from the old file into
// the new one, completing the groups that older files lack and recomputing
// the room order that is stored in front of it.
//
// Tree section (the last section of a project file):
//
//   int32   version: 400..500 read, 500 written
//   int32   room count n, then n int32 room indices (read and discarded;
//           the writer collects them afresh from the Rooms group)
//   node records of the eleven top-level entries in TopLevel order; Paths
//   only from section version 420, Data Files from 440, Time Lines from 500
//
// Node record:  int32 NodeKind, int32 ResourceKind, int32 ResourceIndex,
//               string name, int32 child count c, then c node records.
//
// Nesting depth is chosen by the file, so the tree is read, written, walked
// and destroyed with explicit stacks, never by recursion.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "format/core/Support_Stream.h"

namespace transvane {

// NodeKind values.  Anything else read from a file is carried through and
// treated like a group.
inline constexpr std::int32_t GroupNode = 1;
inline constexpr std::int32_t ResourceNode = 3;

// ResourceKind codes.  Code 5 is not used by any top-level entry.
enum EResourceKind : std::int32_t {
    KindObjects = 1,
    KindSprites = 2,
    KindSounds = 3,
    KindRooms = 4,
    KindBackgrounds = 6,
    KindScripts = 7,
    KindPaths = 8,
    KindDataFiles = 9,
    KindGameInformation = 10,
    KindGameOptions = 11,
    KindTimeLines = 12,
};

// What a tree node stands for.
class CResource {
public:
    CResource() = default;
    CResource(std::int32_t nodeKind, std::int32_t resourceKind, std::int32_t resourceIndex)
        : NodeKind(nodeKind), ResourceKind(resourceKind), ResourceIndex(resourceIndex) {}
    virtual ~CResource() = default;
    CResource(const CResource&) = default;
    CResource& operator=(const CResource&) = default;

    std::int32_t NodeKind = GroupNode;
    std::int32_t ResourceKind = 0;
    // For an entry (NodeKind 3) the slot index in the list of its kind; 0
    // for the top-level groups.  Never checked against the lists.
    std::int32_t ResourceIndex = 0;
};

// One node: its text, its resource and its children, in order.
class CTreeNode {
public:
    CTreeNode() = default;
    CTreeNode(std::string text, const CResource& resource) : Text(std::move(text)), Resource(resource) {}
    // Tears the subtree down with an explicit stack: the default destructor
    // would recurse once per level of nesting.
    ~CTreeNode();
    CTreeNode(const CTreeNode&) = delete;
    CTreeNode& operator=(const CTreeNode&) = delete;

    CTreeNode& AddChild(std::unique_ptr<CTreeNode> child);
    // Creates and appends a child.
    CTreeNode& AddChild(std::string text, const CResource& resource);

    std::string Text;
    int ImageIndex = -1;  // the converter never shows an icon
    CResource Resource;
    std::vector<std::unique_ptr<CTreeNode>> Children;
};

// An ordered tree: top-level nodes, each with its subtree.  Nodes are never
// sorted.
class CResourceTreeView {
public:
    const std::vector<std::unique_ptr<CTreeNode>>& Items() const { return FItems; }
    CTreeNode& Add(std::unique_ptr<CTreeNode> node);
    void Clear() { FItems.clear(); }
    bool Empty() const { return FItems.empty(); }

private:
    std::vector<std::unique_ptr<CTreeNode>> FItems;
};

// The eleven top-level entries, in the order in which they are created and
// stored.
enum class ETopLevel {
    Sprites,
    Sounds,
    Backgrounds,
    Paths,
    Scripts,
    DataFiles,
    TimeLines,
    Objects,
    Rooms,
    GameInformation,
    GameOptions,
};
inline constexpr std::size_t TopLevelCount = 11;

struct CTopLevelEntry {
    const char* Name;
    std::int32_t NodeKind;
    std::int32_t ResourceKind;
    // The section version from which the file holds this entry's record;
    // older sections get the default entry instead.
    std::int32_t StoredFrom;
    // Lives in the main tree only while Advanced is on.
    bool AdvancedOnly;
};
const std::array<CTopLevelEntry, TopLevelCount>& TopLevelEntries();

// The converter has no preferences: the advanced groups are always shown, so
// every entry lives in the main tree and the hidden tree stays empty.
inline constexpr bool Advanced = true;

struct CProjectModel;  // project/Project_Model.h

// The project's two trees of the main window; neither is ever shown.
CResourceTreeView& ResourceTree(CProjectModel& model);
CResourceTreeView& HiddenResourceTree(CProjectModel& model);
// The project's tree modified flag: cleared by BuildTree, LoadTree and a
// successful save; nothing in the converter sets it.
bool& TreeChanged(CProjectModel& model);

// The top-level node of an entry, wherever it lives; null only before the
// first BuildTree.
CTreeNode* TopLevelNode(CProjectModel& model, ETopLevel entry);

// The window side keeps the tree's icon list; BuildTree resets it through
// this hook when one is installed in the project (a conversion installs
// the one its caller gives it, CConversionLimits).  The core itself has no
// icons.
void SetTreeIconsReset(CProjectModel& model, std::function<void()> reset);

// Both trees hold the default arrangement: the eleven entries, no children.
void BuildTree(CProjectModel& model);
// Reads the tree section; false (trees untouched) when its version is
// outside 400..500.  A short or hostile record raises EReadError.
bool LoadTree(CProjectModel& model, CStream& stream);
// Writes the version-500 tree section; always true.
bool SaveTree(CProjectModel& model, CStream& stream);

// The room order as the writer stores it: the Rooms group walked depth
// first, children in order; an entry (NodeKind 3) contributes its index and
// is not descended into, any other node is descended into.
std::vector<std::int32_t> CollectRoomOrder(CProjectModel& model);

}  // namespace transvane
