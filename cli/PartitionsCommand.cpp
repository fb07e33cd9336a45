// partitions --disk N [--search]: the partitions of a disk as the partition step lists
// them, one line each: tree text, start sector, end sector (the first sector behind
// it). --search lists what the partition search finds, whatever the table says.
#include "CliSession.h"
#include "PartitionSession.h"
#include "app/EmptyPartitionStep.h"
#include "app/PartitionCommands.h"
#include "disk/SectorReader.h"
#include "volume/PartitionSearch.h"

#include <iostream>

namespace qr::cli {
namespace {

int runPartitions(const CommandLine& line) {
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", std::cerr, bad).value_or(0);
    if (bad)
        return 2;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        std::cerr << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return 2;
    }
    auto session = openSession(line, std::cerr);
    if (!session)
        return 1;
    app::RecoveryContext& ctx = *session->context;
    const bool searched = ListDiskPartitions(ctx, static_cast<std::uint16_t>(disk));
    if (hasFlag(line, "--search") && !searched)
        app::SearchPartitions(ctx, std::stop_token{});
    const volume::DiskPartitionRecord& record = ctx.partitions[disk];
    if (const std::string empty =
            app::EmptyPartitionStepText(ctx, static_cast<std::uint16_t>(disk));
        !empty.empty()) {
        std::cerr << "recovery-cli: " << empty << "\n";
        return app::DeviceAccessDenied(ctx, static_cast<std::uint16_t>(disk)) ? 1 : 0;
    }
    for (std::uint32_t k = 1; k <= record.count; ++k) {
        const volume::PartitionSlot& slot = record.slots[k];
        std::cout << ctx.partitionTree.text(slot.treeItem) << '\t' << volume::SlotStart(slot)
                  << '\t' << volume::SlotEnd(slot) << '\n';
    }
    return 0;
}

RegisterCommand reg{
    "partitions",
    "[--disk N] [--search]  list the partitions of disk N (default 0); --search looks "
    "for volumes whatever the partition table says",
    {{{"--disk"}, {"--search", false}}},
    runPartitions};

} // namespace
} // namespace qr::cli
