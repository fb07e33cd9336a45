#pragma once
// Extraction of an exFAT file into a sink: its clusters up to the valid data length,
// then zeros up to the data length. Deleted chained files are guesses, reported as
// uncertain.
#include "disk/SectorSource.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"
#include "exfat/StreamClusters.h"
#include "volume/VolumeEngine.h"

namespace qr::exfat {

struct FileRef {
    std::uint32_t firstCluster = 0;
    std::uint64_t dataLength = 0;
    std::uint64_t validLength = 0;
    bool noFatChain = false;
    bool deleted = false;
};

// The file in the clusters PlaceStream gives.
volume::ExtractReport ExtractExfatFile(disk::SectorSource& source, const Geometry& geometry,
                                       FatTable& fat, const FileRef& file, volume::FileSink& sink);

// The file in the clusters of `place` (chosen by the caller).
volume::ExtractReport WriteExfatStream(disk::SectorSource& source, const Geometry& geometry,
                                       const StreamPlace& place, const FileRef& file,
                                       volume::FileSink& sink);

} // namespace qr::exfat
