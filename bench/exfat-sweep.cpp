// Times the parts of the standard exFAT search on an image: the directory walk from the
// root and the heap sweep for directories it did not reach. Prints
// "walk SECONDS folders FILES" and "sweep SECONDS HEAP_START HEAP_END" (sectors), or
// with --heap only the heap's sector range. Used by bench/exfat-benchmark.sh.
#include "exfat/DirectoryWalk.h"
#include "exfat/FatChain.h"
#include "exfat/HeapSweep.h"
#include "model/RecordTable.h"
#include "support/ImageSource.h"

#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace qr;
    if (argc < 2) {
        std::fprintf(stderr, "usage: exfat-sweep IMAGE [--heap]\n");
        return 2;
    }
    test::ImageSource source(argv[1]);
    const auto region = exfat::ReadExfatBootRegion(source, 0, source.sectorCount());
    if (!region.geometry) {
        std::fprintf(stderr, "no exFAT volume: %s\n", region.why.c_str());
        return 1;
    }
    const exfat::Geometry& g = *region.geometry;
    const std::uint64_t heapEnd = g.heapStart + std::uint64_t{g.clusterCount} * g.sectorsPerCluster;
    if (argc > 2 && std::strcmp(argv[2], "--heap") == 0) {
        std::printf("%llu %llu\n", static_cast<unsigned long long>(g.heapStart),
                    static_cast<unsigned long long>(heapEnd));
        return 0;
    }
    model::RecordTables tables;
    volume::NoProgress progress;
    exfat::FatTable fat(source, g);
    exfat::DirectoryWalk walk(source, g, fat, tables.folderTable, tables.fileTable, progress);
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    walk.walkRoot({});
    const auto t1 = Clock::now();
    const auto sweep = exfat::SweepHeapForDirectories(source, g, walk, progress, {});
    const auto t2 = Clock::now();
    const auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
    std::printf("walk %.3f %llu %llu\n", seconds(t1 - t0),
                static_cast<unsigned long long>(walk.counts().folders),
                static_cast<unsigned long long>(walk.counts().files));
    std::printf("sweep %.3f %llu %llu lost %llu\n", seconds(t2 - t1),
                static_cast<unsigned long long>(g.heapStart),
                static_cast<unsigned long long>(heapEnd),
                static_cast<unsigned long long>(sweep.lostFolders));
    return 0;
}
