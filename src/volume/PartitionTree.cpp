#include "volume/PartitionTree.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionSearch.h"
#include "volume/PartitionTable.h"
#include "volume/TableSector.h"

#include <array>

#include <utility>

namespace qr::volume {
namespace {

// A disk whose sector 0 is a volume's own boot sector holds that one volume; any other
// disk is read through its table, and a table that has failed starts the search as a
// failed read does.
void ReadDiskStart(app::RecoveryContext& ctx) {
    std::array<unsigned char, disk::kSectorBytes> sector0{};
    const disk::ReadStatus status = ctx.reader->readSectors(0, 1, sector0.data());
    const disk::ByteView bytes(sector0.data(), sector0.size());
    const std::uint64_t diskSectors = ctx.reader->sectorCount();
    if (status == disk::ReadStatus::Complete) {
        if (const auto volume = WholeDiskVolume(bytes, diskSectors)) {
            ListPartition(ctx, FileSystemName(volume->kind), 0, volume->sectors);
            return;
        }
    }
    ReadPartitionTable(ctx, 0);
    if (status != disk::ReadStatus::NoMedium && TableFailed(bytes, diskSectors))
        ctx.partitionSearchPending = true;
}

} // namespace

void CreatePartitionTree(app::RecoveryContext& ctx) {
    ctx.partitionTree.clear();
    ctx.firstPartitionItem = model::kNoItem;
    const model::TreeItem root =
        ctx.partitionTree.insert(model::kNoItem, "Disk " + std::to_string(ctx.selectedDiskNumber),
                                 model::tree_image::kRoot, model::tree_image::kRoot);
    // The read-failure notice needs the search wired before the first read.
    if (!ctx.startPartitionSearch)
        InstallPartitionSearch(ctx);
    ctx.readingPartitionTable = true;
    ReadDiskStart(ctx);
    ctx.readingPartitionTable = false;
    ctx.partitionTree.setExpanded(root, true);
    if (std::exchange(ctx.partitionSearchPending, false))
        StartPartitionSearch(ctx);
}

} // namespace qr::volume
