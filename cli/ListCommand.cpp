// list --disk N (--partition K | --fs NAME --start S --end E) [--stop-after-sectors N]:
// runs the Standard search and prints the rebuilt tree depth first, one line per folder
// or file: path TAB type TAB size TAB date TAB time. E is the first sector behind the
// volume. --stop-after-sectors stops the search once the scan has passed sector N.
#include "CliSession.h"
#include "PartitionSession.h"
#include "ProgressWindow.h"
#include "disk/SectorReader.h"
#include "fat/ScanWorker.h"
#include "model/FileList.h"
#include "volume/VolumeValidation.h"

#include <chrono>
#include <iostream>
#include <set>
#include <thread>

namespace qr::cli {
namespace {

using model::file_col::DebugInfo3;

void printRow(const std::string& path, const model::FileListRow& row) {
    using namespace model::file_col;
    std::cout << path << '\t' << row.cells[Type] << '\t' << row.cells[Size] << '\t'
              << row.cells[Date] << '\t' << row.cells[Time] << '\n';
}

// Lists folder `item` as the file list shows it: each subfolder's line followed by its
// own contents, then the folder's files.
void printFolder(app::RecoveryContext& ctx, model::TreeItem item, const std::string& path,
                 std::set<model::TreeItem>& visited) {
    model::ListFolder(ctx, item, model::kMouseFolderLabels);
    const std::vector<model::FileListRow> rows = ctx.fileList.rows();
    const std::string prefix = path.empty() ? "" : path + "/";
    for (const model::FileListRow& row : rows) {
        if (row.image != model::kFolderRowImage || row.cells[DebugInfo3].empty())
            continue;
        const std::string childPath = prefix + row.cells[model::file_col::Name];
        printRow(childPath, row);
        const auto child = static_cast<model::TreeItem>(std::stol(row.cells[DebugInfo3]));
        if (visited.insert(child).second)
            printFolder(ctx, child, childPath, visited);
    }
    for (const model::FileListRow& row : rows)
        if (row.image != model::kFolderRowImage || row.cells[DebugInfo3].empty())
            printRow(prefix + row.cells[model::file_col::Name], row);
}

bool choosePartition(app::RecoveryContext& ctx, std::uint16_t disk, std::uint64_t k) {
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
    p.partitionEnd = record.slots[k].endSector > 0 ? record.slots[k].endSector - 1 : 0;
    ctx.searchPartitionIndex = static_cast<std::int32_t>(k - 1);
    return true;
}

int runList(const CommandLine& line) {
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", std::cerr, bad).value_or(0);
    const auto partition = numberOption(line, "--partition", std::cerr, bad);
    const auto start = numberOption(line, "--start", std::cerr, bad);
    const auto end = numberOption(line, "--end", std::cerr, bad);
    const auto stopAfter = numberOption(line, "--stop-after-sectors", std::cerr, bad);
    const auto fs = option(line, "--fs");
    if (bad)
        return 2;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        std::cerr << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return 2;
    }
    const bool range = fs && start && end;
    if (partition.has_value() == range) {
        std::cerr
            << "recovery-cli: list needs either --partition K or --fs NAME --start S --end E\n";
        return 2;
    }
    if (range && *fs != "FAT16" && *fs != "FAT32") {
        std::cerr
            << "recovery-cli: list searches FAT16 and FAT32 volumes; --fs must be one of them\n";
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
    ProgressWindow window;
    ctx.services.window = &window;
    ctx.searchMode = app::kSearchStandard;
    const auto diskNumber = static_cast<std::uint16_t>(disk);
    if (range) {
        ctx.selectedDiskNumber = diskNumber;
        ctx.volumeParams.fileSystemName = *fs;
        ctx.volumeParams.partitionStart = *start;
        ctx.volumeParams.partitionEnd = *end - 1;
    } else if (!choosePartition(ctx, diskNumber, *partition)) {
        return 1;
    }
    const std::string name = ctx.volumeParams.fileSystemName;
    if (name != "FAT16" && name != "FAT32") {
        std::cerr << "recovery-cli: partition " << *partition << " holds " << name
                  << "; list searches FAT16 and FAT32 volumes\n";
        return 1;
    }
    ctx.validationSucceeded = volume::ValidateVolume(ctx) == 1;

    if (stopAfter)
        window.stopAt(*stopAfter, [&ctx] { ctx.scanWorker.request_stop(); });
    fat::StartScanWorker(ctx);
    while (ctx.scanWorkerRunning)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (window.stopped())
        fat::StopSearch(ctx);
    else if (ctx.scanWorker.joinable())
        ctx.scanWorker.join();
    window.finish();
    ctx.services.window = nullptr;

    const model::TreeItem root = ctx.recoveryTree.firstTopLevel();
    if (root == model::kNoItem)
        return 0;
    std::set<model::TreeItem> visited{root};
    printFolder(ctx, root, "", visited);
    return 0;
}

RegisterCommand reg{"list",
                    "[--disk N] (--partition K | --fs FAT16|FAT32 --start S --end E) "
                    "[--stop-after-sectors N]  run the Standard search and print every folder "
                    "and file found (E: first sector behind the volume)",
                    runList};

} // namespace
} // namespace qr::cli
