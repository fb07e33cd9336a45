#pragma once
// The run list (mapping pairs) of a non-resident attribute: runs of clusters, each
// at a cluster number relative to the previous run's, or sparse (no offset bytes).
#include "disk/ByteView.h"

#include <cstdint>
#include <vector>

namespace qr::ntfs {

struct DataRun {
    std::uint64_t vcn = 0;     // first virtual cluster of the run within the attribute
    std::uint64_t length = 0;  // clusters
    std::int64_t cluster = -1; // first cluster on the volume; -1 for a sparse run
    bool sparse() const { return cluster < 0; }
};

struct RunListDecode {
    std::vector<DataRun> runs;
    bool complete = false; // ended at its end marker, not at the end of the bytes
    bool damaged = false;  // a run gave a cluster below 0 or an absurd width
};

// Decodes the runs from `bytes` (the run list to the end of its attribute), with the
// first run at `firstVcn`. Length and offset fields are read up to 8 bytes wide; a
// zero-length run is passed over; a run that would start before cluster 0 ends the
// list as damaged. At most bytes.size() runs can come out, so a list without an end
// marker still ends.
RunListDecode DecodeRunList(disk::ByteView bytes, std::uint64_t firstVcn = 0);

} // namespace qr::ntfs
