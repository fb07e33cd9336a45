#include "PartitionSession.h"

#include "CliSession.h"
#include "app/PartitionCommands.h"
#include "disk/SectorReader.h"
#include "volume/EngineRegistry.h"
#include "volume/MediumSectorSize.h"
#include "volume/PartitionTree.h"

#include <algorithm>
#include <charconv>
#include <ostream>

namespace qr::cli {

std::optional<std::uint64_t> numberOption(const CommandLine& line, const std::string& name,
                                          std::ostream& err, bool& bad) {
    const std::optional<std::string> text = option(line, name);
    if (!text)
        return std::nullopt;
    std::uint64_t value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc{} || stop != end || text->empty()) {
        err << "recovery-cli: " << name << " needs a decimal number, not '" << *text << "'\n";
        bad = true;
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> KnownFileSystems() {
    std::vector<std::string> names;
    for (const volume::EngineRow& row : volume::EngineRows())
        if (row.notSearched.empty())
            names.emplace_back(row.name);
    return names;
}

std::string FileSystemChoices() {
    std::string choices;
    for (const std::string& name : KnownFileSystems())
        choices += (choices.empty() ? "" : "|") + name;
    return choices;
}

std::vector<OptionSpec> VolumeOptions() {
    return {{"--disk"}, {"--partition"}, {"--fs"}, {"--start"}, {"--end"}};
}

bool ListDiskPartitions(app::RecoveryContext& ctx, std::uint16_t disk) {
    ctx.selectedDiskNumber = disk;
    if (ctx.searchMode == app::kNoSearchMode)
        ctx.searchMode = app::kSearchStandard;
    ctx.wizardStage = 0;
    ctx.readFailureNotices = 1;
    app::CreatePartitionTree(ctx);
    const bool searched = ctx.partitionSearchThread.joinable();
    if (searched)
        ctx.partitionSearchThread.join();
    ctx.wizardStage = 1;
    return searched;
}

std::optional<VolumeChoice> parseVolumeChoice(const CommandLine& line, const std::string& command,
                                              const std::vector<std::string>& fileSystems,
                                              std::ostream& err) {
    bool bad = false;
    VolumeChoice choice;
    const std::uint64_t disk = numberOption(line, "--disk", err, bad).value_or(0);
    choice.partition = numberOption(line, "--partition", err, bad);
    const auto start = numberOption(line, "--start", err, bad);
    const auto end = numberOption(line, "--end", err, bad);
    const auto fs = option(line, "--fs");
    if (bad)
        return std::nullopt;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        err << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return std::nullopt;
    }
    choice.disk = static_cast<std::uint16_t>(disk);
    const bool range = fs && start && end;
    if (choice.partition.has_value() == range) {
        err << "recovery-cli: " << command
            << " needs either --partition K or --fs NAME --start S --end E\n";
        return std::nullopt;
    }
    if (!range)
        return choice;
    if (std::find(fileSystems.begin(), fileSystems.end(), *fs) == fileSystems.end()) {
        err << "recovery-cli: " << command << " does not take --fs " << *fs << "; it takes";
        for (const std::string& name : fileSystems)
            err << " " << name;
        err << "\n";
        return std::nullopt;
    }
    if (*end <= *start) {
        err << "recovery-cli: --end must lie behind --start\n";
        return std::nullopt;
    }
    choice.fileSystem = *fs;
    choice.start = *start;
    choice.end = *end;
    return choice;
}

bool applyVolumeChoice(app::RecoveryContext& ctx, const VolumeChoice& choice, std::ostream& err) {
    volume::VolumeParams& p = ctx.volumeParams;
    if (!choice.partition) {
        ctx.selectedDiskNumber = choice.disk;
        p.fileSystemName = choice.fileSystem;
        // --start and --end count in the medium's own sectors.
        const std::uint64_t k = volume::MediumSectorBytes(*ctx.reader) / disk::kSectorBytes;
        p.partitionStart = choice.start * k;
        p.partitionEnd = choice.end * k - 1;
        return true;
    }
    ListDiskPartitions(ctx, choice.disk);
    const volume::DiskPartitionRecord& record = ctx.partitions[choice.disk];
    const std::uint64_t k = *choice.partition;
    if (k < 1 || k > record.count) {
        err << "recovery-cli: disk " << choice.disk << " has no partition " << k << " ("
            << record.count << " listed)\n";
        return false;
    }
    p.fileSystemName = record.fileSystemNames[k - 1];
    p.partitionStart = volume::VolumeStartOf(record, static_cast<std::uint32_t>(k));
    p.partitionEnd = volume::VolumeLastOf(record, static_cast<std::uint32_t>(k));
    ctx.searchPartitionIndex = static_cast<std::int32_t>(k - 1);
    return true;
}

} // namespace qr::cli
