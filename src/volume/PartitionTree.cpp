#include "volume/PartitionTree.h"

#include "app/RecoveryContext.h"
#include "volume/PartitionSearch.h"
#include "volume/PartitionTable.h"

#include <utility>

namespace qr::volume {

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
    ReadPartitionTable(ctx, 0);
    ctx.readingPartitionTable = false;
    ctx.partitionTree.setExpanded(root, true);
    if (std::exchange(ctx.partitionSearchPending, false))
        StartPartitionSearch(ctx);
}

} // namespace qr::volume
