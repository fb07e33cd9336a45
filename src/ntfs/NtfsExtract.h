#pragma once
// Writes the content of one NTFS file into a sink: a resident value from the record,
// or the clusters of its runs (sparse runs as zeros, compressed units decompressed,
// encrypted data as it is stored), limited to the volume and the medium.
#include "disk/SectorSource.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsGeometry.h"
#include "volume/VolumeEngine.h"

#include <cstdint>
#include <string>

namespace qr::ntfs {

// The size a recovery log keeps for a file of 4 GiB or more.
inline constexpr std::uint64_t kClippedListedSize = 0xFFFFFFFFu;

struct NtfsFileRef {
    std::uint32_t record = 0; // MFT number
    std::uint64_t sector = 0; // sector of the record, as the walk found it
    std::uint64_t size = 0;   // bytes to write, as listed
};

// At most file.size bytes are written. The sink is polled before every read. `stream`
// names a named data stream (UTF-8) to write instead of the file's own data.
volume::ExtractReport ExtractNtfsFile(disk::SectorSource& source, const NtfsGeometry& geometry,
                                      const MftRunList& mftRuns, const NtfsFileRef& file,
                                      volume::FileSink& sink, const std::string& stream = {});

// The size the file is saved with: the listed one, or the data attribute's real size
// when the listed one is that size clipped by a log or cut to its low 32 bits. The
// listed size when the record or its data attribute cannot be read.
std::uint64_t NtfsWholeSize(disk::SectorSource& source, const NtfsGeometry& geometry,
                            const MftRunList& mftRuns, const NtfsFileRef& file,
                            const std::string& stream = {});

} // namespace qr::ntfs
