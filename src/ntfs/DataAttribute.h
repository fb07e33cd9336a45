#pragma once
// A data attribute of a file (the unnamed one, or a named stream), gathered from its
// base record and, through its attribute list, from the extension records that hold
// later extents: its resident value, or its runs joined in VCN order with the sizes
// and flags of the first extent.
#include "disk/SectorSource.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsGeometry.h"
#include "ntfs/RunList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qr::ntfs {

struct DataAttribute {
    bool found = false;
    bool resident = false;
    std::vector<unsigned char> value; // resident value
    std::vector<DataRun> runs;        // non-resident runs, by VCN
    std::uint64_t realSize = 0;
    std::uint64_t initializedSize = 0;
    std::uint16_t flags = 0;           // of the first extent
    std::uint16_t compressionUnit = 0; // log2 clusters, 0 when not compressed
    bool extentsMissing = false;       // a listed extent could not be read
};

inline constexpr std::size_t kMaxDataExtents = 4096;

// Extension records named more than once, or a list naming its own extents again, add
// nothing; at most `maxExtents` extents are read. `stream` names the data stream
// (UTF-8; empty: the unnamed one).
DataAttribute GatherDataAttribute(disk::SectorSource& source, const NtfsGeometry& geometry,
                                  const MftRunList& mftRuns, std::uint32_t recordNumber,
                                  disk::ByteView baseRecord,
                                  std::size_t maxExtents = kMaxDataExtents,
                                  const std::string& stream = {});

} // namespace qr::ntfs
