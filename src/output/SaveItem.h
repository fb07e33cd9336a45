#pragma once
// One file admitted by the counting pass of a save.
#include "model/TreeModel.h"

#include <cstdint>
#include <string>

namespace qr::output {

struct SaveItem {
    // Its folder in the recovery tree (the root item or kNoItem: the root). An item, not
    // a path, so a plan takes memory by its files, whatever the depth of the tree.
    model::TreeItem folder = model::kNoItem;
    std::string name; // the recovered name, as listed
    std::uint64_t size = 0;
    std::uint32_t location = 0; // FAT: first cluster; NTFS: MFT record sector
    bool deleted = false;
};

} // namespace qr::output
