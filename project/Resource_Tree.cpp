#include "project/Resource_Tree.h"
#include "format/core/Support_Report.h"

#include <utility>

#include "project/Project_Model.h"

namespace transvane {

CResourceTreeView& ResourceTree(CProjectModel& model) { return model.ResourceTree; }
CResourceTreeView& HiddenResourceTree(CProjectModel& model) { return model.HiddenResourceTree; }
bool& TreeChanged(CProjectModel& model) { return model.TreeChanged; }

namespace {

constexpr std::int32_t OldestTreeVersion = 400;
constexpr std::int32_t NewestTreeVersion = 500;

// The smallest node record: three int32, an empty name (its count alone)
// and a child count.
constexpr std::size_t MinNodeRecordBytes = 5 * 4;

const std::array<CTopLevelEntry, TopLevelCount> Entries = {{
    {"Sprites", GroupNode, KindSprites, 400, false},
    {"Sounds", GroupNode, KindSounds, 400, false},
    {"Backgrounds", GroupNode, KindBackgrounds, 400, false},
    {"Paths", GroupNode, KindPaths, 420, true},
    {"Scripts", GroupNode, KindScripts, 400, true},
    {"Data Files", GroupNode, KindDataFiles, 440, true},
    {"Time Lines", GroupNode, KindTimeLines, 500, true},
    {"Objects", GroupNode, KindObjects, 400, false},
    {"Rooms", GroupNode, KindRooms, 400, false},
    {"Game Information", ResourceNode, KindGameInformation, 400, false},
    {"Game Options", ResourceNode, KindGameOptions, 400, false},
}};

CResourceTreeView& TreeFor(CProjectModel& model, const CTopLevelEntry& entry) {
    return entry.AdvancedOnly && !Advanced ? HiddenResourceTree(model) : ResourceTree(model);
}

std::unique_ptr<CTreeNode> DefaultEntry(const CTopLevelEntry& entry) {
    return std::make_unique<CTreeNode>(entry.Name, CResource(entry.NodeKind, entry.ResourceKind, 0));
}

// Reads one node record without its children; childCount receives their
// number, already checked against what remains of the stream.
std::unique_ptr<CTreeNode> ReadNode(CStream& stream, std::int32_t& childCount) {
    CResource resource;
    resource.NodeKind = stream.ReadInt();
    resource.ResourceKind = stream.ReadInt();
    resource.ResourceIndex = stream.ReadInt();
    auto node = std::make_unique<CTreeNode>(stream.ReadString(), resource);
    childCount = stream.ReadInt();
    stream.ExpectItems(childCount, MinNodeRecordBytes);
    return node;
}

// Reads a node record with its whole subtree, depth first.  The file picks
// the depth, so the open levels are kept on an explicit stack.
std::unique_ptr<CTreeNode> ReadSubtree(CStream& stream) {
    struct Level {
        CTreeNode* Node;
        std::int32_t Remaining;  // children still to read
    };
    std::int32_t childCount = 0;
    std::unique_ptr<CTreeNode> root = ReadNode(stream, childCount);
    std::vector<Level> open;
    if (childCount > 0)
        open.push_back({root.get(), childCount});
    while (!open.empty()) {
        if (open.back().Remaining == 0) {
            open.pop_back();
            continue;
        }
        --open.back().Remaining;
        CTreeNode* parent = open.back().Node;
        CTreeNode& child = parent->AddChild(ReadNode(stream, childCount));
        if (childCount > 0)
            open.push_back({&child, childCount});
    }
    return root;
}

void WriteNode(CStream& stream, const CTreeNode& node) {
    stream.WriteInt(node.Resource.NodeKind);
    stream.WriteInt(node.Resource.ResourceKind);
    stream.WriteInt(node.Resource.ResourceIndex);
    stream.WriteString(node.Text);
    stream.WriteInt(static_cast<std::int32_t>(node.Children.size()));
}

// Writes a node record with its whole subtree, depth first, children in
// order: pending nodes wait on a stack, pushed in reverse.
void WriteSubtree(CStream& stream, const CTreeNode& root) {
    std::vector<const CTreeNode*> pending{&root};
    while (!pending.empty()) {
        const CTreeNode* node = pending.back();
        pending.pop_back();
        WriteNode(stream, *node);
        for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
            pending.push_back(child->get());
    }
}

}  // namespace

CTreeNode::~CTreeNode() {
    // Each node taken off the stack hands its children over before it goes,
    // so no destructor below ever finds a child to destroy recursively.
    std::vector<std::unique_ptr<CTreeNode>> pending = std::move(Children);
    while (!pending.empty()) {
        std::unique_ptr<CTreeNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children)
            pending.push_back(std::move(child));
        node->Children.clear();
    }
}

CTreeNode& CTreeNode::AddChild(std::unique_ptr<CTreeNode> child) {
    child->ImageIndex = -1;
    Children.push_back(std::move(child));
    return *Children.back();
}

CTreeNode& CTreeNode::AddChild(std::string text, const CResource& resource) {
    return AddChild(std::make_unique<CTreeNode>(std::move(text), resource));
}

CTreeNode& CResourceTreeView::Add(std::unique_ptr<CTreeNode> node) {
    node->ImageIndex = -1;
    FItems.push_back(std::move(node));
    return *FItems.back();
}

const std::array<CTopLevelEntry, TopLevelCount>& TopLevelEntries() { return Entries; }

CTreeNode* TopLevelNode(CProjectModel& model, ETopLevel entry) {
    return model.TopNodes[static_cast<std::size_t>(entry)];
}

void SetTreeIconsReset(CProjectModel& model, std::function<void()> reset) { model.TreeIconsReset = std::move(reset); }

void BuildTree(CProjectModel& model) {
    if (const auto& reset = model.TreeIconsReset)
        reset();
    model.TopNodes.fill(nullptr);
    ResourceTree(model).Clear();
    HiddenResourceTree(model).Clear();
    for (std::size_t i = 0; i < Entries.size(); ++i)
        model.TopNodes[i] = &TreeFor(model, Entries[i]).Add(DefaultEntry(Entries[i]));
    TreeChanged(model) = false;
}

bool LoadTree(CProjectModel& model, CStream& stream) {
    const std::int32_t version = stream.ReadInt();
    if (version < OldestTreeVersion || version > NewestTreeVersion)
        return false;

    // The stored room order is stale by nature: the writer recomputes it.
    const std::int32_t roomCount = stream.ReadInt();
    stream.ExpectItems(roomCount, 4);
    stream.Take(static_cast<std::size_t>(roomCount) * 4);

    // The entries are read aside and installed only once all eleven are
    // complete, so a failed read leaves the trees as they were.
    std::array<std::unique_ptr<CTreeNode>, TopLevelCount> read;
    for (std::size_t i = 0; i < Entries.size(); ++i)
        read[i] = version >= Entries[i].StoredFrom ? ReadSubtree(stream) : DefaultEntry(Entries[i]);

    model.TopNodes.fill(nullptr);
    ResourceTree(model).Clear();
    HiddenResourceTree(model).Clear();
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        model.TopNodes[i] = &TreeFor(model, Entries[i]).Add(std::move(read[i]));
        if (version < Entries[i].StoredFrom)
            NoteChange(stream.Core(), EChange::TreeGroupAdded, 1, Entries[i].Name);
    }
    TreeChanged(model) = false;
    return true;
}

std::vector<std::int32_t> CollectRoomOrder(CProjectModel& model) {
    std::vector<std::int32_t> order;
    const CTreeNode* rooms = TopLevelNode(model, ETopLevel::Rooms);
    if (rooms == nullptr)
        return order;
    std::vector<const CTreeNode*> pending;
    for (auto child = rooms->Children.rbegin(); child != rooms->Children.rend(); ++child)
        pending.push_back(child->get());
    while (!pending.empty()) {
        const CTreeNode* node = pending.back();
        pending.pop_back();
        if (node->Resource.NodeKind == ResourceNode) {
            order.push_back(node->Resource.ResourceIndex);
            continue;
        }
        for (auto child = node->Children.rbegin(); child != node->Children.rend(); ++child)
            pending.push_back(child->get());
    }
    return order;
}

bool SaveTree(CProjectModel& model, CStream& stream) {
    if (model.TopNodes[0] == nullptr)
        BuildTree(model);  // nothing was ever built: the empty project's tree
    stream.WriteInt(NewestTreeVersion);
    const std::vector<std::int32_t> rooms = CollectRoomOrder(model);
    stream.WriteInt(static_cast<std::int32_t>(rooms.size()));
    for (std::int32_t room : rooms)
        stream.WriteInt(room);
    for (const CTreeNode* node : model.TopNodes)
        WriteSubtree(stream, *node);
    return true;
}

}  // namespace transvane
