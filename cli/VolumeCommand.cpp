// volume --disk N (--partition K | --fs NAME --start S --end E): validates a volume,
// reconstructs a FAT layout when validation fails, and prints the volume parameters.
// E is the first sector behind the volume, as the partition step takes it.
#include "CliSession.h"
#include "PartitionSession.h"
#include "disk/SectorReader.h"
#include "volume/CalculateVolumeParams.h"
#include "volume/VolumeValidation.h"

#include <iostream>

namespace qr::cli {
namespace {

void printParams(const volume::VolumeParams& p) {
    std::cout << "fileSystemName=" << p.fileSystemName << '\n'
              << "partitionStart=" << p.partitionStart << '\n'
              << "partitionEnd=" << p.partitionEnd << '\n'
              << "sectorsPerFat=" << p.sectorsPerFat << '\n'
              << "sectorsPerCluster=" << p.sectorsPerCluster << '\n'
              << "rootSectors=" << p.rootSectors << '\n'
              << "rootStart=" << p.rootStart << '\n'
              << "reservedSectors=" << p.reservedSectors << '\n'
              << "cluster0Start=" << p.cluster0Start << '\n'
              << "firstFat=" << p.firstFat << '\n'
              << "secondFat=" << p.secondFat << '\n'
              << "mftStart=" << p.mftStart << '\n'
              << "mftMirrorStart=" << p.mftMirrorStart << '\n'
              << "mftRecordSectors=" << p.mftRecordSectors << '\n'
              << "indexRecordSectors=" << p.indexRecordSectors << '\n';
}

// Sets name, start and end from partition K of the disk's record.
bool chooseListedPartition(app::RecoveryContext& ctx, std::uint16_t disk, std::uint64_t k) {
    ListDiskPartitions(ctx, disk);
    const volume::DiskPartitionRecord& record = ctx.partitions[disk];
    if (k < 1 || k > record.count) {
        std::cerr << "recovery-cli: disk " << disk << " has no partition " << k << " ("
                  << record.count << " listed)\n";
        return false;
    }
    volume::VolumeParams& p = ctx.volumeParams;
    p.fileSystemName = record.fileSystemNames[k - 1];
    p.partitionStart = record.slots[k].startSector;
    const std::uint32_t behind = record.slots[k].endSector;
    p.partitionEnd = behind > 0 ? behind - 1 : 0;
    return true;
}

int runVolume(const CommandLine& line) {
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", std::cerr, bad).value_or(0);
    const auto partition = numberOption(line, "--partition", std::cerr, bad);
    const auto start = numberOption(line, "--start", std::cerr, bad);
    const auto end = numberOption(line, "--end", std::cerr, bad);
    const auto fs = option(line, "--fs");
    if (bad)
        return 2;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        std::cerr << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return 2;
    }
    const bool range = fs && start && end;
    if (partition.has_value() == range) {
        std::cerr << "recovery-cli: volume needs either --partition K or --fs NAME --start S "
                     "--end E\n";
        return 2;
    }
    if (range && (*fs != "FAT16" && *fs != "FAT32" && *fs != "NTFS")) {
        std::cerr << "recovery-cli: --fs must be FAT16, FAT32 or NTFS\n";
        return 2;
    }
    if (range && *end <= *start) {
        std::cerr << "recovery-cli: --end must lie behind --start\n";
        return 2;
    }
    auto session = openSession(line, std::cerr);
    if (!session)
        return 1;
    app::RecoveryContext& ctx = *session->context;
    const auto diskNumber = static_cast<std::uint16_t>(disk);
    if (range) {
        ctx.selectedDiskNumber = diskNumber;
        ctx.volumeParams.fileSystemName = *fs;
        ctx.volumeParams.partitionStart = *start;
        ctx.volumeParams.partitionEnd = *end - 1;
    } else if (!chooseListedPartition(ctx, diskNumber, *partition)) {
        return 1;
    }
    ctx.validationSucceeded = volume::ValidateVolume(ctx) == 1;
    std::cout << "validation=" << (ctx.validationSucceeded ? "succeeded" : "failed") << '\n';
    const std::string& name = ctx.volumeParams.fileSystemName;
    if (!ctx.validationSucceeded && (name == "FAT16" || name == "FAT32"))
        std::cout << "calculation="
                  << (volume::CalculateVolumeParams(ctx) == 1 ? "succeeded" : "failed") << '\n';
    printParams(ctx.volumeParams);
    return 0;
}

RegisterCommand reg{"volume",
                    "[--disk N] (--partition K | --fs FAT16|FAT32|NTFS --start S --end E)  "
                    "validate a volume (E: first sector behind it) and print its parameters",
                    runVolume};

} // namespace
} // namespace qr::cli
