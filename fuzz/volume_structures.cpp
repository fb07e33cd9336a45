// Partition tables, the partition search and volume validation over hostile disks.
// The input is the disk, as large as the input: a table or boot sector that points
// behind it names sectors the disk does not have, as on a real damaged disk. (A disk
// larger than the input only made the partition search sweep repeated bytes for tens
// of seconds per input.)
#include "app/PartitionCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "platform/RegistryData.h"
#include "support/VolumeDisks.h"
#include "volume/PartitionSearch.h"
#include "volume/PartitionTree.h"
#include "volume/VolumeValidation.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace qr;

constexpr std::uint64_t kScanLimit = 700; // sectors a reconstruction may sweep

void checkVolume(app::RecoveryContext& ctx, const char* fs, std::uint64_t start,
                 std::uint64_t behind) {
    volume::VolumeParams& p = ctx.volumeParams;
    p = {};
    p.fileSystemName = fs;
    p.partitionStart = start;
    p.partitionEnd = behind > start ? behind - 1 : start;
    if (app::ValidateVolume(ctx) == 0) {
        p.partitionEnd = std::min(p.partitionEnd, start + kScanLimit);
        app::CalculateVolumeParams(ctx);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const std::uint64_t diskSectors = (size + 511) / 512;
    test::RepeatingDisk disk(data, size, diskSectors);
    platform::MemoryRegistryStore registry;
    app::Services services;
    services.registry = &registry;
    app::RecoveryContext ctx(services);
    ctx.reader = app::MakeSectorReader(
        ctx, std::make_shared<test::VolumeDiskOpener<test::RepeatingDisk>>(disk, diskSectors));
    ctx.wizardStage = 1;

    app::CreatePartitionTree(ctx);
    const volume::DiskPartitionRecord record = ctx.partitions[0];
    for (std::uint32_t k = 1; k <= record.count && k <= 4; ++k)
        checkVolume(ctx, record.fileSystemNames[k - 1].c_str(), record.slots[k].startSector,
                    record.slots[k].endSector);
    const std::uint64_t start = data[0] | (data[1] << 8);
    for (const char* fs : {"FAT16", "FAT32", "NTFS"})
        checkVolume(ctx, fs, start, start + (data[2] | (data[3] << 8)) * 64ull);

    // A small geometry from the input, searched on this thread.
    const std::string base = "Quarrixdale Removal Media\\";
    const auto root = platform::RegistryRoot::ClassesRoot;
    registry.setValue(root, base + "Cylinder", "Disk0", std::to_string(data[1] % 40));
    registry.setValue(root, base + "Head", "Disk0", std::to_string(data[2]));
    registry.setValue(root, base + "SectorsPerTrack", "Disk0", std::to_string(data[3]));
    app::SearchPartitions(ctx, {});
    return 0;
}
