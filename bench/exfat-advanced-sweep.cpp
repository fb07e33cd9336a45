// Times the parts of the Advanced exFAT search on an image: the sweep of the whole
// image, the inference of its file systems and the tree of the largest one. Prints
// "sweep SECONDS SECTORS FOLDER_SETS", "infer SECONDS FILE_SYSTEMS" and
// "tree SECONDS FOLDERS FILES". Used by bench/exfat-advanced-benchmark.sh.
#include "exfat/InferExfatFileSystems.h"
#include "exfat/PickedExfatTree.h"
#include "exfat/StructureSweep.h"
#include "exfat/SurvivingFat.h"
#include "model/RecordTable.h"
#include "support/ImageSource.h"
#include "volume/SearchProgress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace qr;
    if (argc < 2) {
        std::fprintf(stderr, "usage: exfat-advanced-sweep IMAGE\n");
        return 2;
    }
    test::ImageSource source(argv[1]);
    volume::NoProgress progress;
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
    const auto t0 = Clock::now();
    const exfat::ExfatFindings findings =
        exfat::SweepExfatStructures(source, 0, source.sectorCount(), progress, {});
    const auto t1 = Clock::now();
    std::vector<exfat::ExfatFileSystem> systems = exfat::InferExfatFileSystems(findings);
    for (exfat::ExfatFileSystem& system : systems)
        exfat::LocateSurvivingFat(source, findings, system);
    const auto t2 = Clock::now();
    std::printf("sweep %.3f %llu %zu\n", seconds(t1 - t0),
                static_cast<unsigned long long>(findings.rangeEnd), findings.folders.size());
    std::printf("infer %.3f %zu\n", seconds(t2 - t1), systems.size());
    if (systems.empty())
        return 1;
    const auto largest = std::max_element(systems.begin(), systems.end(), [](auto& a, auto& b) {
        return a.folders < b.folders;
    });
    model::RecordTables tables;
    const exfat::ExfatSearchResult tree = exfat::BuildPickedExfatTree(
        source, findings, *largest, tables.folderTable, tables.fileTable, progress, {});
    const auto t3 = Clock::now();
    std::printf("tree %.3f %llu %llu\n", seconds(t3 - t2),
                static_cast<unsigned long long>(tree.folders),
                static_cast<unsigned long long>(tree.files));
    return 0;
}
