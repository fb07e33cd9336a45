#pragma once
// The advanced NTFS sweep: every sector of a range is tested once for an NTFS boot
// sector, an MFT file record ("FILE", of the size its header gives) and an index record
// ("INDX"), in one batched pass. Each find becomes a row of BootSectorTable, MftRecordTable or
// IndexRecordTable; the assignment of MFT numbers and volumes comes later.
#include "disk/Sweep.h"

#include <cstdint>
#include <stop_token>
#include <vector>

namespace qr::model {
struct RecordTables;
}
namespace qr::volume {
class SearchProgress;
}

namespace qr::ntfs {

// Sectors per read: 4 MiB.
inline constexpr std::uint32_t kNtfsSweepBatch = 8192;

// Every sector of the swept part that begins with "INDX", whatever became of it: the
// assignment asks whether a sector holds an index record many times, and a sector in
// [first, next) is answered from here instead of being read again.
struct IndexSignatures {
    std::uint64_t first = 0;
    std::uint64_t next = 0;
    std::vector<std::uint64_t> sectors; // ascending

    bool covers(std::uint64_t sector) const { return sector >= first && sector < next; }
    bool holds(std::uint64_t sector) const;
};

struct NtfsSweepResult {
    disk::SweepEnd end = disk::SweepEnd::Finished;
    std::uint64_t next = 0; // first sector not examined
    std::uint32_t bootSectors = 0;
    std::uint32_t fileRecords = 0;
    std::uint32_t indexRecords = 0;
    IndexSignatures signatures;
};

// Sweeps [partitionStart, partitionEnd) (clamped to the medium). Rows go in front of
// any rows the tables already hold, in sector order. Reports the MftSweep phase, the
// position after every batch and the MftRecords and BootSectors counters. A stop
// request ends the sweep between batches; the rows written stay. File records are taken
// of 1024 bytes and of the size of the medium's sectors (`mediumSectorBytes`; 0 when
// it is not known: of every record size).
NtfsSweepResult ScanSectorsForNtfs(disk::SectorSource& source, std::uint64_t partitionStart,
                                   std::uint64_t partitionEnd, model::RecordTables& tables,
                                   std::stop_token stop, volume::SearchProgress& progress,
                                   std::uint32_t batchSectors = kNtfsSweepBatch,
                                   std::uint32_t mediumSectorBytes = 512);

} // namespace qr::ntfs
