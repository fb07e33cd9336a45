#pragma once
// Creation of the partition tree on the way from the disk step to the partition step:
// root "Disk " + disk number, the partition table read under it, the root expanded.
// A partition search asked for by a failed read during the reading starts afterwards;
// the search is wired to the read-failure notice here when no one has done it yet.

namespace qr::app {
struct RecoveryContext;
}

namespace qr::volume {

void CreatePartitionTree(app::RecoveryContext& ctx);

} // namespace qr::volume
