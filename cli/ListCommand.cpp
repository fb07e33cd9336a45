// list --disk N (--partition K | --fs NAME --start S --end E) [--stop-after-sectors N]:
// runs the Standard search and prints the rebuilt tree depth first, one line per folder
// or file: path TAB type TAB size TAB date TAB time. E is the first sector behind the
// volume. --stop-after-sectors stops the search once the scan has passed sector N.
#include "SearchedVolume.h"
#include "model/FileList.h"

#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace qr::cli {
namespace {

using model::file_col::DebugInfo3;

void printRow(const std::string& path, const model::FileListRow& row) {
    using namespace model::file_col;
    std::cout << path << '\t' << row.cells[Type] << '\t' << row.cells[Size] << '\t'
              << row.cells[Date] << '\t' << row.cells[Time] << '\n';
}

bool isFolderRow(const model::FileListRow& row) {
    return row.image == model::kFolderRowImage && !row.cells[DebugInfo3].empty();
}

// Lists the tree from `root` as the file list shows each folder: each subfolder's line
// followed by its own contents, then the folder's files. The walk keeps its own stack:
// a damaged medium can nest folders deeper than the program's stack could recurse.
void printTree(app::RecoveryContext& ctx, model::TreeItem root) {
    struct Level {
        std::vector<model::FileListRow> rows;
        std::string prefix;
        std::size_t next = 0; // the next row to look at for a subfolder
    };
    std::set<model::TreeItem> visited{root};
    std::vector<Level> levels;
    const auto open = [&](model::TreeItem item, const std::string& path) {
        model::ListFolder(ctx, item, model::kMouseFolderLabels);
        levels.push_back({ctx.fileList.rows(), path.empty() ? "" : path + "/", 0});
    };
    open(root, "");
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.rows.size()) {
            for (const model::FileListRow& row : level.rows)
                if (!isFolderRow(row))
                    printRow(level.prefix + row.cells[model::file_col::Name], row);
            levels.pop_back();
            continue;
        }
        const model::FileListRow& row = level.rows[level.next++];
        if (!isFolderRow(row))
            continue;
        const std::string childPath = level.prefix + row.cells[model::file_col::Name];
        printRow(childPath, row);
        const auto child = static_cast<model::TreeItem>(std::stol(row.cells[DebugInfo3]));
        if (visited.insert(child).second)
            open(child, childPath);
    }
}

int runList(const CommandLine& line) {
    int exitCode = 0;
    auto session = SearchVolume(line, "list", {"FAT16", "FAT32"}, std::cerr, exitCode);
    if (!session)
        return exitCode;
    app::RecoveryContext& ctx = *session->context;
    printTree(ctx, ctx.recoveryTree.firstTopLevel());
    return 0;
}

RegisterCommand reg{"list",
                    "[--disk N] (--partition K | --fs FAT16|FAT32 --start S --end E) "
                    "[--stop-after-sectors N]  run the Standard search and print every folder "
                    "and file found (E: first sector behind the volume)",
                    {SearchOptions()},
                    runList};

} // namespace
} // namespace qr::cli
