// The standard NTFS search on an image, as the scan worker runs it: the MFT's runs,
// the walk into FolderTable and FileTable, and the Lost folder. Prints the counts and
// the time taken; with --mft-runs, the MFT's extents (start sector and sectors, one
// per line) instead. A benchmark driver, not part of the product.
//
//   ntfs-walk IMAGE [VOLUME_START_SECTOR] [--mft-runs]
#include "disk/ByteView.h"
#include "model/RecordTable.h"
#include "ntfs/NtfsSearch.h"
#include "support/ImageSource.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    using namespace qr;
    if (argc < 2) {
        std::fprintf(stderr, "usage: ntfs-walk IMAGE [VOLUME_START_SECTOR] [--mft-runs]\n");
        return 2;
    }
    const bool listRuns = argc > 3 && std::strcmp(argv[3], "--mft-runs") == 0;
    test::ImageSource source(argv[1]);
    if (!source.isOpen()) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const std::uint64_t start = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 0;
    unsigned char boot[512];
    source.readSectors(start, 1, boot);
    const disk::ByteView view(boot, sizeof boot);
    if (!view.matches(3, "NTFS")) {
        std::fprintf(stderr, "no NTFS boot sector at sector %llu\n",
                     static_cast<unsigned long long>(start));
        return 1;
    }
    ntfs::NtfsGeometry geometry;
    geometry.volumeStart = start;
    geometry.volumeEnd = start + view.u64(0x28) + 1;
    geometry.sectorsPerCluster = view.u8(0x0D);
    geometry.mftStart = start + view.u64(0x30) * geometry.sectorsPerCluster;

    const auto began = std::chrono::steady_clock::now();
    model::RecordTables tables;
    volume::NoProgress progress;
    const ntfs::NtfsSearchResult result = ntfs::RunNtfsStandardSearch(
        source, geometry, tables.folderTable, tables.fileTable, progress);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (listRuns) {
        for (const ntfs::MftRun& run : result.mftRuns.runs())
            std::printf("%llu %llu\n", static_cast<unsigned long long>(run.start),
                        static_cast<unsigned long long>(run.sectors));
        return 0;
    }
    std::printf("records %llu folders %d files %d reads %llu seconds %.3f\n",
                static_cast<unsigned long long>(result.walk.records), tables.folderTable.rowCount(),
                tables.fileTable.rowCount(), static_cast<unsigned long long>(source.reads),
                seconds);
    return 0;
}
