#pragma once
// The clusters of a deleted exFAT file whose FAT chain did not survive: taken as
// consecutive from its first cluster, or, where those clusters run into clusters the
// allocation bitmap marks taken, the free clusters around them when that reading
// ends as the file's format ends no worse (volume/FreeClusterReading.h). A file
// written without a FAT chain was consecutive when written and keeps that reading.
#include "disk/SectorSource.h"
#include "exfat/AllocationBitmap.h"
#include "exfat/ExfatExtract.h"
#include "exfat/StreamClusters.h"

#include <string_view>

namespace qr::exfat {

// The free clusters from `first` (always kept) until `needed` are collected.
StreamPlace PlaceInFreeClusters(const Geometry& geometry, const AllocationBitmap& bitmap,
                                std::uint32_t first, std::uint64_t needed);

// PlaceStream, then the free-cluster reading for a deleted chained file as above.
StreamPlace PlaceDeletedStream(disk::SectorSource& source, FatTable& fat, const Geometry& geometry,
                               const AllocationBitmap& bitmap, std::string_view name,
                               const FileRef& file);

} // namespace qr::exfat
