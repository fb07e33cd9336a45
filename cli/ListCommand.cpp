// list --disk N (--partition K | --fs NAME --start S --end E) [--stop-after-sectors N]:
// runs the Standard search and prints the rebuilt tree depth first, one line per folder
// or file: path TAB type TAB size TAB date TAB time. E is the first sector behind the
// volume. --stop-after-sectors stops the search once the scan has passed sector N.
// --mode advanced sweeps the range instead, prints the file systems it identifies on
// stderr and lists file system --file-system N (1 when not given).
// --log FILE loads a recovery log instead of searching; --save-log FILE writes one.
// --recoverability appends each row's recoverability as a sixth column.
// --walk-only lists the folders the walk from the root reaches (live and deleted) and
// leaves out the sweep of the volume for lost folders: first results in seconds.
#include "PartitionSession.h"
#include "RecoverabilityColumn.h"
#include "SearchedVolume.h"
#include "app/FolderCommands.h"
#include "model/FileList.h"
#include "output/NameText.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace qr::cli {
namespace {

// One line: the folder's path, the row's name, then its type, size, date and time, and
// `extra` when given. Names are escaped, so a control character in one cannot break the
// line's fields. Written in one piece: a listing prints a line for each of hundreds of
// thousands of rows.
void printRow(std::string& line, const std::string& folderPath, const model::FileListRow& row,
              const std::string* extra = nullptr) {
    using namespace model::file_col;
    line.assign(folderPath);
    for (const int column : {Name, Type, Size, Date, Time}) {
        line += column == Name ? output::EscapeListedName(row.cells[column]) : row.cells[column];
        line += column == Time && !extra ? '\n' : '\t';
    }
    if (extra) {
        line += *extra;
        line += '\n';
    }
    std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
}

bool isFolderRow(const model::FileListRow& row) {
    return row.image == model::kFolderRowImage && row.folderItem != model::kNoItem;
}

// Lists the tree from `root` as the file list shows each folder: each subfolder's line
// followed by its own contents, then the folder's files. The walk keeps its own stack:
// a damaged medium can nest folders deeper than the program's stack could recurse. It
// keeps one path, which each level cuts back to its own length, so memory follows the
// size of the tree and not the square of its depth.
void printTree(app::RecoveryContext& ctx, model::TreeItem root, RecoverabilityColumn* judge) {
    struct Level {
        std::vector<model::FileListRow> rows;
        std::vector<std::string> judged; // the files' recoverability, with --recoverability
        std::size_t pathLength = 0;      // of the folder's path with its trailing "/"
        std::size_t next = 0;            // the next row to look at for a subfolder
    };
    // Tree items are numbered from 0: one flag each tells the folders already listed.
    std::vector<bool> visited(ctx.recoveryTree.size() + 1, false);
    const auto firstVisit = [&](model::TreeItem item) {
        if (item < 0)
            return false;
        const auto at = static_cast<std::size_t>(item);
        if (at >= visited.size())
            visited.resize(at + 1, false);
        return !visited[at] && (visited[at] = true);
    };
    firstVisit(root);
    std::vector<Level> levels;
    std::string path;
    std::string line;
    const auto open = [&](model::TreeItem item) {
        app::ListFolder(ctx, item, model::kMouseFolderLabels);
        levels.push_back({ctx.fileList.takeRows(),
                          judge ? judge->filesOf(item) : std::vector<std::string>{}, path.size(),
                          0});
    };
    open(root);
    while (!levels.empty()) {
        Level& level = levels.back();
        path.resize(level.pathLength);
        if (level.next == level.rows.size()) {
            std::size_t file = 0;
            static const std::string kUnknown(volume::RecoverabilityText({}));
            for (const model::FileListRow& row : level.rows)
                if (!isFolderRow(row)) {
                    const std::string* extra = nullptr;
                    if (judge)
                        extra = file < level.judged.size() ? &level.judged[file] : &kUnknown;
                    ++file;
                    printRow(line, path, row, extra);
                }
            levels.pop_back();
            continue;
        }
        const model::FileListRow& row = level.rows[level.next++];
        if (!isFolderRow(row))
            continue;
        static const std::string kFolder(kFolderRecoverability);
        printRow(line, path, row, judge ? &kFolder : nullptr);
        const model::TreeItem child = row.folderItem;
        if (firstVisit(child)) {
            path += output::EscapeListedName(row.cells[model::file_col::Name]);
            path += '/';
            open(child);
        }
    }
}

int runList(const CommandLine& line) {
    int exitCode = 0;
    // The listing belongs to the search: every folder is read once, through its cache.
    auto session = SearchVolume(line, "list", KnownFileSystems(), std::cerr, exitCode,
                                /*keepSearchCache=*/true);
    if (!session)
        return exitCode;
    app::RecoveryContext& ctx = *session->context;
    std::optional<RecoverabilityColumn> judge;
    if (hasFlag(line, "--recoverability"))
        judge.emplace(ctx);
    printTree(ctx, ctx.recoveryTree.firstTopLevel(), judge ? &*judge : nullptr);
    return ctx.mediumLostAt ? kMediumLostExit : 0;
}

RegisterCommand reg{
    "list",
    "[--disk N] (--partition K | --fs " + FileSystemChoices() +
        " --start S --end E | --log FILE) "
        "[--stop-after-sectors N] [--mode standard|advanced [--file-system N]] "
        "[--save-log FILE] [--recoverability] [--walk-only]  run the search (or load a recovery "
        "log) and "
        "print every folder and file found (E: first sector behind the volume; advanced: the "
        "file systems found go to stderr; --walk-only: the folders reached from the root, no "
        "sweep for lost ones)",
    {[] {
        std::vector<OptionSpec> options = SearchOptions();
        options.push_back({"--recoverability", false});
        options.push_back({"--walk-only", false});
        return options;
    }()},
    runList};

} // namespace
} // namespace qr::cli
