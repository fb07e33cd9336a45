#include "PartitionSession.h"

#include "CliSession.h"
#include "volume/PartitionSearch.h"
#include "volume/PartitionTree.h"

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

void ListDiskPartitions(app::RecoveryContext& ctx, std::uint16_t disk) {
    ctx.selectedDiskNumber = disk;
    if (ctx.searchMode == app::kNoSearchMode)
        ctx.searchMode = app::kSearchStandard;
    ctx.wizardStage = 0;
    ctx.readFailureNotices = 1;
    volume::InstallPartitionSearch(ctx);
    volume::CreatePartitionTree(ctx);
    if (ctx.partitionSearchThread.joinable())
        ctx.partitionSearchThread.join();
    ctx.wizardStage = 1;
}

} // namespace qr::cli
