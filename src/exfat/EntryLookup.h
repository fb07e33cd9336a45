#pragma once
// Finding a file's entry set again in its directory, for a row that lost part of what
// the set says (a recovery log keeps 32 bits of a file's size): the directory is read
// through its chain and, when the set is not there, as consecutive clusters up to its
// end mark.
#include "disk/SectorSource.h"
#include "exfat/EntrySet.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace qr::exfat {

// The set of the file (not a folder) named `name` whose data starts at `firstCluster`,
// in the directory of folder `folderKey` (the root's key or a first cluster).
std::optional<EntrySet> FindFileEntrySet(disk::SectorSource& source, const Geometry& geometry,
                                         FatTable& fat, std::uint32_t folderKey,
                                         std::uint32_t firstCluster, std::string_view name);

} // namespace qr::exfat
