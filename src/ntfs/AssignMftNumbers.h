#pragma once
// After the advanced NTFS sweep the records are loose: a file record does not say its
// own MFT number nor the volume it belongs to. This gives every MftRecordTable row its
// "selfMFT" (directories from the index entries that name them, the rest counted on
// from the last known record), rebuilds DirClusterTable as the directory list with
// its first index clusters, finds the volumes (from the boot sectors found, else from
// pairs of directories whose first index records were found) as FileSystemTable rows,
// and gives every directory a file-system number.
//
// Work rows are indexed by (name, parent, date), index records by sector and owner,
// and the probes for an index record at a sector are answered from the sweep's
// findings where it looked: the same first matches as walking every row for every
// probe, in near-linear time.
#include "disk/ByteView.h"
#include "disk/SectorSource.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string_view>

namespace qr::model {
struct RecordTables;
}
namespace qr::volume {
class SearchProgress;
}

namespace qr::ntfs {

struct IndexSignatures;

struct AssignmentResult {
    int fileSystems = 0;        // FileSystemTable rows written
    std::uint32_t assigned = 0; // directories given a volume (or numbered after one)
    std::uint32_t directories = 0;
    bool stopped = false;
};

// `searchLast` is the last sector of the search range (an inferred volume ends there).
// `known`, when given, answers for the sectors the sweep examined whether they begin
// with "INDX".
AssignmentResult AssignMftNumbers(disk::SectorSource& source, model::RecordTables& tables,
                                  std::uint64_t searchLast, const IndexSignatures* known,
                                  volume::SearchProgress& progress, std::stop_token stop = {});

struct PairVolume {
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t start = 0;
};
// The volume two directories imply: their first index records at sectors A and B lie
// at clusters L and I, so the sector distance over the cluster distance is the cluster
// size d (1, 2, 4 ... 128; the division drops its remainder) and A - d * L the volume's
// first sector, which must not lie before sector 0. Nothing for equal clusters or
// sectors, or any other result.
std::optional<PairVolume> VolumeFromPair(std::uint32_t a, std::uint32_t l, std::uint32_t b,
                                         std::uint32_t i);

// The walk of one index record's entries (fixups applied, `bytes` cut to whole
// sectors): calls `visit` with each entry's MFT number, directory flag, parent,
// creation time and name. Ends at an entry whose fields or name would pass the record.
struct IndexEntryKey {
    std::uint32_t record = 0;
    bool directory = false;
    std::uint32_t parent = 0;
    std::int64_t created = 0;
    std::string_view name; // UTF-8, valid during the call
};
void ForEachIndexEntry(disk::ByteView bytes,
                       const std::function<void(const IndexEntryKey&)>& visit);

} // namespace qr::ntfs
