// advanced-fat-bench sweep IMAGE [TYPE [BATCH]]  sweeps the whole image and infers its file systems
// advanced-fat-bench infer HEADS          infers file systems from HEADS made-up heads
// Prints one line of figures; the times are wall-clock seconds.
#include "bench-common/FileSource.h"
#include "disk/DeviceFile.h"
#include "disk/SectorSource.h"
#include "fat/InferFileSystems.h"
#include "fat/SweepFatStructures.h"
#include "model/RecordTable.h"
#include "volume/SearchProgress.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace qr;
using Clock = std::chrono::steady_clock;
using bench::FileSource;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int sweep(const char* image, const char* type, std::uint32_t batch) {
    disk::PosixDeviceOpener opener;
    auto file = opener.open(image);
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", image);
        return 1;
    }
    FileSource source(std::move(file));
    const volume::FileSystemKind kind = volume::FileSystemKindFromName(type);
    model::RecordTables tables;
    volume::NoProgress quiet;
    const auto start = Clock::now();
    const std::uint64_t end = source.sectorCount();
    const fat::FatSweepResult swept =
        fat::SweepFatStructures(source, 0, end, tables, {}, quiet, batch);
    const double sweepSeconds = secondsSince(start);
    const auto inferStart = Clock::now();
    const int found = fat::InferFileSystems(tables, kind, quiet);
    std::printf("sweep %.3f s, %llu sectors, %u boot sectors, %u directories; inference %.3f s, "
                "%d file systems\n",
                sweepSeconds, static_cast<unsigned long long>(end), swept.bootSectors,
                swept.directories, secondsSince(inferStart), found);
    return 0;
}

// Heads of volumes of every cluster size one behind the other, 5,000 per volume, as a
// sweep writes them, with a lone head (a copy, a damaged cluster) after each volume.
int infer(long heads) {
    model::RecordTables tables;
    model::RecordTable& dirs = tables.dirClusterTable;
    std::uint32_t sector = 10000;
    for (long made = 0, volume = 0; made < heads; ++volume) {
        const std::uint32_t spc = 1u << (volume % 8);
        const std::uint32_t cluster0 = sector;
        for (std::uint32_t c = 2; c < 5002 && made < heads; ++c, ++made) {
            const int row = dirs.appendRow(std::to_string(cluster0 + c * spc));
            dirs.setNumber(row, model::dircluster_col::SelfCluster, c);
            dirs.setCell(row, model::dircluster_col::FileSystem, "0");
        }
        sector = cluster0 + 5002 * spc + 977;
        if (made < heads) {
            const int row = dirs.appendRow(std::to_string(sector - 500));
            dirs.setNumber(row, model::dircluster_col::SelfCluster, 0x7FFFFFFF);
            dirs.setCell(row, model::dircluster_col::FileSystem, "0");
            ++made;
        }
    }
    volume::NoProgress quiet;
    const auto start = Clock::now();
    const int found = fat::InferFileSystems(tables, volume::FileSystemKind::Fat32, quiet);
    std::printf("inference %.3f s, %d heads, %d file systems\n", secondsSince(start),
                dirs.rowCount(), found);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "sweep") == 0)
        return sweep(argv[2], argc >= 4 ? argv[3] : "FAT32",
                     argc >= 5 ? static_cast<std::uint32_t>(std::atol(argv[4]))
                               : fat::kFatSweepBatch);
    if (argc >= 3 && std::strcmp(argv[1], "infer") == 0)
        return infer(std::atol(argv[2]));
    std::fprintf(stderr, "usage: advanced-fat-bench sweep IMAGE [FAT16|FAT32]\n"
                         "       advanced-fat-bench infer HEADS\n");
    return 2;
}
