// The advanced NTFS search over hostile bytes: the input is the medium that the sweep
// examines (boot sectors, FILE and INDX records and their row builders), the
// assignment walks the index entries of what it found and infers volumes from pairs
// of directories; the entry walk and the pair arithmetic are also fed the input
// directly.
#include "model/RecordTable.h"
#include "ntfs/AssignMftNumbers.h"
#include "ntfs/ScanSectorsForNtfs.h"
#include "ntfs/SweptRecordRows.h"
#include "support/MemorySource.h"
#include "volume/SearchProgress.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qr;
    if (size < 16)
        return 0;
    const disk::ByteView input(data, size);
    ntfs::ForEachIndexEntry(input, [](const ntfs::IndexEntryKey&) {});
    ntfs::ReadIndexRecordOwner(input);
    ntfs::IndexRecordBytes(input);
    ntfs::VolumeFromPair(input.u32(0), input.u32(4), input.u32(8), input.u32(12));

    test::MemorySource source(std::vector<unsigned char>(data, data + size));
    model::RecordTables tables;
    volume::NoProgress progress;
    const std::uint64_t sectors = (size + 511) / 512;
    const ntfs::NtfsSweepResult swept =
        ntfs::ScanSectorsForNtfs(source, 0, sectors, tables, {}, progress, 8);
    ntfs::AssignMftNumbers(source, tables, sectors, &swept.signatures, progress);
    // Again without the sweep's findings: every probe reads the medium.
    ntfs::AssignMftNumbers(source, tables, sectors, nullptr, progress);
    return 0;
}
