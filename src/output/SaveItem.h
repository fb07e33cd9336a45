#pragma once
// One file admitted by the counting pass of a save.
#include <cstdint>
#include <string>

namespace qr::output {

struct SaveItem {
    std::string folder; // its folder in the recovery tree, backslash-joined ("" = the root)
    std::string name;   // the recovered name, as listed
    std::uint64_t size = 0;
    std::uint32_t location = 0; // FAT: first cluster; NTFS: MFT record sector
    bool deleted = false;
};

} // namespace qr::output
