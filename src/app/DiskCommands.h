#pragma once
// The disk step over the recovery context: the listing with the context's registry,
// reader and disk tree, and the details of one disk.
#include "disk/DiskListing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qr::app {

struct RecoveryContext;

// The full listing: chooses the platform family, then lists afresh (disk::ListDisks).
disk::ListingResult ListDisks(RecoveryContext& ctx);
// Lists again without removing the earlier values ("Retry" of the No Media dialog).
disk::ListingResult ListDisksFromRegistry(RecoveryContext& ctx);

// The disk's detail lines, size and listing state for the context's registry and platform.
std::vector<std::string> DiskDetailLines(RecoveryContext& ctx, unsigned disk);
std::uint64_t DiskSizeBytes(RecoveryContext& ctx, unsigned disk);
bool DiskIsListed(RecoveryContext& ctx, unsigned disk);

// Empties the right-panel list and fills it with the detail lines; keeps the model
// text as the context's diskModel.
void ShowDiskDetails(RecoveryContext& ctx, unsigned disk);

} // namespace qr::app
