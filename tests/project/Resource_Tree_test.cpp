#include "project/Resource_Tree.h"

#include <gtest/gtest.h>

#include "project/Conversion.h"
#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using project::TNode;
using project::TTree;

TNode Room(std::int32_t index, std::vector<TNode> children = {}) {
    return TNode{3, 4, index, "room" + std::to_string(index), std::move(children)};
}

TNode Group(std::string name, std::vector<TNode> children) {
    return TNode{1, 4, 0, std::move(name), std::move(children)};
}

TNode FromCore(const CTreeNode& node) {
    TNode result{node.Resource.NodeKind, node.Resource.ResourceKind, node.Resource.ResourceIndex, node.Text, {}};
    for (const auto& child : node.Children)
        result.Children.push_back(FromCore(*child));
    return result;
}

std::vector<TNode> TopLevelNow(CProjectModel& model) {
    std::vector<TNode> nodes;
    for (const auto& item : ResourceTree(model).Items())
        nodes.push_back(FromCore(*item));
    return nodes;
}

CBlock Section(const TTree& tree) {
    CStream stream;
    project::WriteTree(stream, tree);
    return stream.TakeBytes();
}

// Loads a tree section; the whole section must be consumed.
void Load(CProjectModel& model, const CBlock& bytes) {
    CStream stream{CBlock(bytes)};
    ASSERT_TRUE(LoadTree(model, stream));
    EXPECT_EQ(stream.Remaining(), 0u);
}

CBlock Saved(CProjectModel& model) {
    CStream stream;
    EXPECT_TRUE(SaveTree(model, stream));
    return stream.TakeBytes();
}

TTree TreeOfVersion(std::int32_t version) { return TTree{version, {}, project::DefaultTopLevel(version)}; }

TNode& RoomsOf(TTree& tree) {
    for (TNode& node : tree.TopLevel)
        if (node.ResourceKind == 4)
            return node;
    throw std::logic_error("no Rooms group");
}

TEST(BuildTree, HoldsTheElevenEntriesInTheMainTree) {
    CProject project;
    TreeChanged(project.Model) = true;
    BuildTree(project.Model);

    EXPECT_FALSE(TreeChanged(project.Model));
    EXPECT_TRUE(HiddenResourceTree(project.Model).Empty());
    EXPECT_EQ(TopLevelNow(project.Model), project::DefaultTopLevel(500));
    for (const auto& item : ResourceTree(project.Model).Items())
        EXPECT_EQ(item->ImageIndex, -1);
    EXPECT_EQ(TopLevelNode(project.Model, ETopLevel::Rooms)->Text, "Rooms");
    EXPECT_EQ(TopLevelNode(project.Model, ETopLevel::GameOptions), ResourceTree(project.Model).Items().back().get());
}

// The window resets its tree's icons through the hook it gives each
// conversion: the conversion's project calls it whenever it builds the
// tree, as the load clears the project and again after a failed load.
TEST(BuildTree, ConversionCallsTheHookItIsGiven) {
    int resets = 0;
    CConversionLimits limits;
    limits.TreeIconsReset = [&resets] { ++resets; };
    ASSERT_TRUE(CConversion(nullptr, limits).Load(project::WriteProject(project::SampleProject(430))));
    EXPECT_EQ(resets, 1);
    resets = 0;
    EXPECT_FALSE(CConversion(nullptr, limits).Load(HeaderOnly(500)));
    EXPECT_EQ(resets, 2);
}

// Older sections lack some top-level records; the loader completes them
// with the default entries and the writer stores all eleven.
TEST(LoadTree, CompletesTheGroupsOlderSectionsLack) {
    CProject project;
    for (std::int32_t version : {400, 410, 411, 420, 430, 440, 441, 499, 500}) {
        TTree stored = TreeOfVersion(version);
        for (TNode& node : stored.TopLevel)
            node.Name += " (mine)";
        RoomsOf(stored).Children = {Room(2)};

        BuildTree(project.Model);
        TreeChanged(project.Model) = true;
        Load(project.Model, Section(stored));
        EXPECT_FALSE(TreeChanged(project.Model));

        TTree expected = TreeOfVersion(500);
        for (TNode& node : expected.TopLevel) {
            const bool stored_ = version >= (node.ResourceKind == 8    ? 420
                                             : node.ResourceKind == 9  ? 440
                                             : node.ResourceKind == 12 ? 500
                                                                       : 400);
            if (stored_)
                node.Name += " (mine)";  // stored names are kept, completed ones are the defaults
        }
        RoomsOf(expected).Children = {Room(2)};
        expected.RoomOrder = {2};
        EXPECT_EQ(Saved(project.Model), Section(expected)) << "section version " << version;
    }
}

TEST(LoadTree, RefusesVersionsOutside400To500AndKeepsTheTrees) {
    CProject project;
    for (std::int32_t version : {399, 501, 0, -400}) {
        BuildTree(project.Model);
        TreeChanged(project.Model) = true;
        TTree stored = TreeOfVersion(500);
        stored.Version = version;
        CStream stream{Section(stored)};
        EXPECT_FALSE(LoadTree(project.Model, stream)) << version;
        EXPECT_EQ(stream.Position(), 4u) << "nothing read after the version";
        EXPECT_TRUE(TreeChanged(project.Model)) << "a refused section changes nothing";
        EXPECT_EQ(TopLevelNow(project.Model), project::DefaultTopLevel(500));
    }
}

TEST(SaveTree, RoomOrderIsCollectedDepthFirst) {
    CProject project;
    struct Case {
        const char* what;
        std::vector<TNode> rooms;
        std::vector<std::int32_t> order;
    };
    const Case cases[] = {
        {"empty Rooms group", {}, {}},
        {"nested groups", {Room(3), Group("g", {Room(5), Room(1)}), Room(0)}, {3, 5, 1, 0}},
        {"an entry with children is not descended into",
         {Room(7, {Room(8), Group("inner", {Room(9)})}), Room(6)},
         {7, 6}},
        {"deep groups and a carried node kind",
         {Group("a", {Group("b", {Group("c", {Room(4)})}), TNode{5, 4, 0, "odd kind", {Room(11)}}}), Room(4)},
         {4, 11, 4}},
        {"an index to no room is carried", {Room(-1), Room(1000)}, {-1, 1000}},
    };
    for (const Case& c : cases) {
        TTree stored = TreeOfVersion(500);
        stored.RoomOrder = {42, 42, 42};  // stale: replaced on save
        RoomsOf(stored).Children = c.rooms;
        Load(project.Model, Section(stored));

        TTree expected = stored;
        expected.RoomOrder = c.order;
        EXPECT_EQ(CollectRoomOrder(project.Model), c.order) << c.what;
        EXPECT_EQ(Saved(project.Model), Section(expected)) << c.what;
    }
}

TEST(LoadTree, Version500SectionRoundTripsByteForByte) {
    CProject project;
    TTree stored = TreeOfVersion(500);
    stored.TopLevel[0].Children = {TNode{3, 2, 0, "spr\xE9", {}}, Group("more", {TNode{3, 2, 4, "", {}}})};
    stored.TopLevel[7].Children = {TNode{3, 1, 2, "obj", {}}};
    stored.TopLevel[10].Name = "Settings";
    RoomsOf(stored).Children = {Room(1), Room(0)};
    stored.RoomOrder = {1, 0};
    const CBlock bytes = Section(stored);
    Load(project.Model, bytes);
    EXPECT_EQ(Saved(project.Model), bytes);
    EXPECT_EQ(TopLevelNow(project.Model), stored.TopLevel);
}

TEST(LoadTree, ShortAndHostileSectionsFailWithoutTouchingTheTrees) {
    CProject project;
    TTree stored = TreeOfVersion(500);
    RoomsOf(stored).Children = {Room(3), Group("g", {Room(5)})};
    stored.RoomOrder = {3, 5};
    const CBlock whole = Section(stored);

    std::vector<std::pair<std::string, CBlock>> cases;
    for (std::size_t cut : {std::size_t{4}, std::size_t{8}, std::size_t{12}, whole.size() / 2, whole.size() - 1})
        cases.push_back(
            {"cut at " + std::to_string(cut), CBlock(whole.begin(), whole.begin() + static_cast<long>(cut))});
    // The room count, and the child count of the first top-level entry
    // (behind its kind, resource kind, index and name).
    const std::size_t children = 8 + 4 * stored.RoomOrder.size() + 16 + stored.TopLevel[0].Name.size();
    const auto at = whole.begin() + static_cast<long>(children);
    ASSERT_EQ(Text(CBlock(at - 7, at)), "Sprites");
    for (std::int32_t count : {1000000, 0x7FFFFFFF}) {
        cases.push_back({"room count " + std::to_string(count), Patched(whole, 4, count)});
        cases.push_back({"child count " + std::to_string(count), Patched(whole, children, count)});
    }
    for (const auto& [what, bytes] : cases) {
        BuildTree(project.Model);
        CStream stream{CBlock(bytes)};
        EXPECT_THROW(LoadTree(project.Model, stream), EReadError) << what;
        EXPECT_EQ(TopLevelNow(project.Model), project::DefaultTopLevel(500)) << what;
    }
}

// The file chooses the nesting depth: a million levels must neither
// overflow the stack on reading, writing, collecting nor destroying.
TEST(LoadTree, MillionLevelsDeepLoadsSavesAndFails) {
    CProject project;
    constexpr int Depth = 1000000;
    const CBlock deep = project::DeepTreeSection(Depth, 77);

    Load(project.Model, deep);
    EXPECT_EQ(CollectRoomOrder(project.Model), std::vector<std::int32_t>{77});
    CBlock saved = Saved(project.Model);
    ASSERT_EQ(saved.size(), deep.size() + 4);  // the room order now holds 77
    EXPECT_TRUE(std::equal(saved.begin() + 12, saved.end(), deep.begin() + 8));

    // Cut inside the deepest level: corrupted, and everything read so far
    // is torn down without recursion.
    CStream cut{CBlock(deep.begin(), deep.begin() + static_cast<long>(deep.size() / 2))};
    EXPECT_THROW(LoadTree(project.Model, cut), EReadError);
    BuildTree(project.Model);  // drops the deep tree loaded above
    EXPECT_EQ(TopLevelNow(project.Model), project::DefaultTopLevel(500));
}

}  // namespace

}  // namespace transvane
