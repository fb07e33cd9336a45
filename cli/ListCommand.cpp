// list --disk N (--partition K | --fs NAME --start S --end E) [--stop-after-sectors N]:
// runs the Standard search and prints the rebuilt tree depth first, one line per folder
// or file: path TAB type TAB size TAB date TAB time. E is the first sector behind the
// volume. --stop-after-sectors stops the search once the scan has passed sector N.
#include "SearchedVolume.h"
#include "model/FileList.h"

#include <iostream>
#include <set>

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

int runList(const CommandLine& line) {
    int exitCode = 0;
    auto session = SearchVolume(line, "list", {"FAT16", "FAT32"}, std::cerr, exitCode);
    if (!session)
        return exitCode;
    app::RecoveryContext& ctx = *session->context;
    const model::TreeItem root = ctx.recoveryTree.firstTopLevel();
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
