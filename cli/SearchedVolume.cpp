#include "SearchedVolume.h"

#include "PartitionSession.h"
#include "ProgressWindow.h"
#include "disk/SectorReader.h"
#include "fat/ScanWorker.h"
#include "volume/VolumeValidation.h"

#include <ostream>

namespace qr::cli {

namespace {

bool chooseRange(app::RecoveryContext& ctx, const std::string& fs, std::uint64_t start,
                 std::uint64_t end) {
    ctx.volumeParams.fileSystemName = fs;
    ctx.volumeParams.partitionStart = start;
    ctx.volumeParams.partitionEnd = end - 1;
    return true;
}

bool chooseListed(app::RecoveryContext& ctx, std::uint16_t disk, std::uint64_t k,
                  std::ostream& err) {
    ListDiskPartitions(ctx, disk);
    const volume::DiskPartitionRecord& record = ctx.partitions[disk];
    if (k < 1 || k > record.count) {
        err << "recovery-cli: disk " << disk << " has no partition " << k << " (" << record.count
            << " listed)\n";
        return false;
    }
    const std::uint32_t behind = record.slots[k].endSector;
    ctx.searchPartitionIndex = static_cast<std::int32_t>(k - 1);
    return chooseRange(ctx, record.fileSystemNames[k - 1], record.slots[k].startSector,
                       behind > 0 ? behind : 1);
}

} // namespace

std::unique_ptr<CliSession> SearchVolume(const CommandLine& line, std::ostream& err,
                                         int& exitCode) {
    exitCode = 2;
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", err, bad).value_or(0);
    const auto partition = numberOption(line, "--partition", err, bad);
    const auto start = numberOption(line, "--start", err, bad);
    const auto end = numberOption(line, "--end", err, bad);
    const auto fs = option(line, "--fs");
    if (bad)
        return nullptr;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        err << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return nullptr;
    }
    const bool range = fs && start && end;
    if (partition.has_value() == range) {
        err << "recovery-cli: give either --partition K or --fs NAME --start S --end E\n";
        return nullptr;
    }
    if (range && *fs != "FAT16" && *fs != "FAT32" && *fs != "NTFS") {
        err << "recovery-cli: --fs must be FAT16, FAT32 or NTFS\n";
        return nullptr;
    }
    if (range && *end <= *start) {
        err << "recovery-cli: --end must lie behind --start\n";
        return nullptr;
    }
    exitCode = 1;
    auto session = openSession(line, err);
    if (!session)
        return nullptr;
    app::RecoveryContext& ctx = *session->context;
    const auto diskNumber = static_cast<std::uint16_t>(disk);
    ctx.selectedDiskNumber = diskNumber;
    ctx.searchMode = app::kSearchStandard;
    if (range ? !chooseRange(ctx, *fs, *start, *end)
              : !chooseListed(ctx, diskNumber, *partition, err))
        return nullptr;
    ctx.searchDiskNumber = diskNumber;
    ctx.validationSucceeded = volume::ValidateVolume(ctx) == 1;
    ProgressWindow window;
    ctx.services.window = &window;
    fat::ScanWorker(ctx, std::stop_token{});
    window.finish();
    ctx.services.window = nullptr;
    if (ctx.recoveryTree.firstTopLevel() == model::kNoItem) {
        err << "recovery-cli: the search found no folder tree on this volume\n";
        return nullptr;
    }
    exitCode = 0;
    return session;
}

} // namespace qr::cli
