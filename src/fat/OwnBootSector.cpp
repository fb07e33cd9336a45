#include "fat/OwnBootSector.h"

#include "fat/DirectoryEntry.h"
#include "fat/InferFileSystems.h"
#include "model/RecordTable.h"

#include <array>

namespace qr::fat {

std::uint64_t OwnBootSectorOfRange(disk::SectorSource& source,
                                   const model::RecordTable& bootSectors,
                                   std::uint64_t rangeStart) {
    using namespace model::boot_col;
    for (int row = 0; row < bootSectors.rowCount(); ++row) {
        if (bootSectors.number(row, Sector) != static_cast<std::uint32_t>(rangeStart))
            continue;
        // FAT32 rows name the root's cluster, FAT16 and FAT12 rows its sector.
        const bool fat32 = bootSectors.cell(row, PartType) == "FAT32";
        const std::uint64_t root = fat32 ? std::uint64_t{bootSectors.number(row, Cluster0Start)} +
                                               std::uint64_t{bootSectors.number(row, RootStart)} *
                                                   bootSectors.number(row, Spc)
                                         : bootSectors.number(row, RootStart);
        std::array<unsigned char, disk::kSectorBytes> sector{};
        if (source.readSectors(root, 1, sector.data()) == disk::ReadStatus::Complete &&
            HoldsDirectoryEntries({sector.data(), sector.size()}))
            return rangeStart;
        break;
    }
    return kNoOwnBootSector;
}

} // namespace qr::fat
