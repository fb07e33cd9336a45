// Driver of bench/log-benchmark.sh: times saving and loading a recovery log of a large
// FAT tree and of an NTFS search with a million file rows, through the same calls as
// the Save Log and Load Log commands. Not a test: the figures depend on the machine.
#include "app/RecoveryContext.h"
#include "app/RecoveryLogCommands.h"
#include "model/RecoveryTree.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

using namespace qr;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process, which a busy machine disturbs less than the clock.
double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// `folders` folders in `perParent` children under each earlier folder, breadth first
// as a search leaves them; `files` file rows spread over the folders for NTFS.
void fillSearch(app::RecoveryContext& ctx, bool ntfs, std::uint32_t folders, std::uint32_t files) {
    const std::uint32_t rootKey = ntfs ? model::kNtfsRootKey : model::kFatRootKey;
    const std::uint32_t firstKey = ntfs ? 64 : 3;
    ctx.diskModel = "Benchmark Disk";
    ctx.searchMode = app::kSearchStandard;
    ctx.searchModeText = "Standard Search";
    ctx.volumeParams.fileSystemName = ntfs ? "NTFS" : "FAT32";
    ctx.activeGeometry.fileSystemName = ctx.volumeParams.fileSystemName;
    const model::TreeItem root = model::EnsureRootItem(ctx);
    const std::uint32_t perParent = 20;
    for (std::uint32_t i = 0; i < folders; ++i) {
        const bool top = i < perParent;
        const std::uint32_t parentIndex = top ? 0 : i / perParent - 1;
        const model::TreeItem parent = top ? root : ctx.folderNodes[parentIndex].treeItem;
        const std::uint32_t parentKey = top ? rootKey : firstKey + parentIndex;
        model::InsertFolderNode(ctx, parent, "Folder number " + std::to_string(i), firstKey + i,
                                parentKey, 13192 + i % 300, 40000, i % 7 == 0);
    }
    model::RecordTable& table = ctx.tables.fileTable;
    for (std::uint32_t i = 0; i < files; ++i) {
        const int row = table.appendRow("Document " + std::to_string(i) + ".doc");
        table.setNumber(row, model::folder_col::Sector, 100000 + 2 * i);
        table.setNumber(row, model::folder_col::Self, firstKey + folders + i);
        table.setNumber(row, model::folder_col::Parent, firstKey + i % folders);
        table.setNumber64(row, model::folder_col::Date, 132000000000000000ll + i);
        table.setNumber(row, model::folder_col::Size, i * 37);
        table.setCell(row, model::folder_col::Type, "FILE");
        table.setNumber(row, model::folder_col::Deleted, i % 5 == 0 ? 1 : 0);
    }
}

bool run(const char* label, bool ntfs, std::uint32_t folders, std::uint32_t files,
         const std::string& path) {
    app::RecoveryContext searched;
    fillSearch(searched, ntfs, folders, files);

    Clock::time_point start = Clock::now();
    double cpu = cpuSeconds();
    if (app::WriteRecoveryLog(searched, path) != output::LogWriteResult::Written) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    const double save = secondsSince(start);
    const double saveCpu = cpuSeconds() - cpu;

    app::RecoveryContext loaded;
    loaded.diskModel = "Benchmark Disk";
    app::RecoveryLogDialogs dialogs;
    dialogs.chooseLoadPaths = [&path] { return std::vector<std::string>{path}; };
    start = Clock::now();
    cpu = cpuSeconds();
    app::BeginRecoveryLogLoad(loaded);
    const app::LogLoadOutcome outcome = app::LoadRecoveryLog(loaded, dialogs);
    const double load = secondsSince(start);
    const double loadCpu = cpuSeconds() - cpu;
    const bool same = outcome == app::LogLoadOutcome::Loaded &&
                      loaded.folderNodes.size() == folders &&
                      loaded.tables.fileTable.rowCount() == static_cast<int>(files);

    std::printf("%-30s %7u folders %8u files %5.1f MB | save %6.3f s (cpu %6.3f s) | "
                "load %6.3f s (cpu %6.3f s)%s\n",
                label, folders, files, std::filesystem::file_size(path) / 1e6, save, saveCpu, load,
                loadCpu, same ? "" : "  LOADED DIFFERENTLY");
    std::filesystem::remove(path);
    return same;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    bool ok = run("FAT32 tree", false, 100000, 0, folder + "/fat.DMS");
    ok = run("NTFS search", true, 10000, 1000000, folder + "/ntfs.DMS") && ok;
    ok = run("NTFS search, 100,000 folders", true, 100000, 1000000, folder + "/both.DMS") && ok;
    return ok ? 0 : 1;
}
