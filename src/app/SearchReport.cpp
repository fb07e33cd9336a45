#include "app/SearchReport.h"

#include "app/RecoveryContext.h"
#include "output/ReportFiles.h"

#include <cstdio>

namespace qr::app {

std::vector<std::string> RecoveryDetailLines(const RecoveryContext& context) {
    const auto& d = context.recoveryDetails;
    return {d.diskNumber, d.modelNumber, d.partitionNumber, d.partitionType,
            d.searchMode, d.searchRange, d.entireDiskStatus};
}

std::vector<std::string> SearchReportLines(const RecoveryContext& context) {
    std::vector<std::string> lines = RecoveryDetailLines(context);
    std::size_t folders = 0;
    std::size_t deletedFolders = 0;
    for (const model::FolderNode& node : context.folderNodes) {
        if (node.selfKey == model::kLostFolderKey)
            continue; // the "Lost" collector is not a folder of the volume
        ++folders;
        deletedFolders += node.deleted ? 1 : 0;
    }
    lines.push_back("Folders Found : " + std::to_string(folders));
    lines.push_back("Deleted Folders Found : " + std::to_string(deletedFolders));
    if (const int files = context.tables.fileTable.rowCount(); files > 0)
        lines.push_back("Files Found : " + std::to_string(files));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::steady_clock::now() - context.searchStarted)
                             .count();
    char took[64];
    std::snprintf(took, sizeof took, "Search Time : %lld:%02lld:%02lld",
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    lines.push_back(took);
    return lines;
}

void WriteSearchReport(RecoveryContext& context) {
    if (!context.registry)
        return;
    output::WriteNextReport(*context.registry, output::ReportFolder(), SearchReportLines(context));
}

} // namespace qr::app
