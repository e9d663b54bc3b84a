// The project layer's part of a project: its identity, its resource tree
// and what the load tells the save.
//
// One part of a project (format/core/Support_Project.h explains the parts);
// the project object (Project_Main.h) owns one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "format/core/Support_Project.h"
#include "format/core/Support_Random.h"
#include "project/Resource_Tree.h"

namespace transvane {

struct CProjectModel {
    std::int32_t GameId = 0;
    CGuid GameGuid{};
    // The two trees of the main window and the tree's modified flag
    // (Resource_Tree.h).
    CResourceTreeView ResourceTree;
    CResourceTreeView HiddenResourceTree;
    bool TreeChanged = false;
    // The references through which the writer reaches the top-level
    // entries, so the stored order is the order of the entries whatever
    // order the trees hold.
    std::array<CTreeNode*, TopLevelCount> TopNodes{};
    // The window keeps the tree's icon list; BuildTree resets it through
    // this hook when one is installed (the window gives it to each
    // conversion it runs).
    std::function<void()> TreeIconsReset;
    // The size of the file the project was last loaded from, as a guess at
    // the size of the file it will be saved to.
    std::size_t LoadedFileSize = 0;
    // How many bytes each section (in the order of the section table) took
    // in the file last loaded: a save moves its progress through the
    // project by these shares.  Empty when nothing was loaded.
    std::vector<std::uint64_t> LoadedSectionBytes;
    // The header version of the file last loaded, 0 after a failed load.
    std::int32_t LoadedVersion = 0;
    // The file the project was last loaded from, empty for bytes: what the
    // sections say while they are saved is about its data.
    std::string LoadedFileName;
};

}  // namespace transvane
