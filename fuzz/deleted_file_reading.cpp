// The readings of a deleted exFAT file over a hostile medium: the input is a volume
// of one-sector clusters (FAT at sector 24, heap at 32, root in cluster 2 naming the
// bitmap), and its first bytes pick the file's first cluster, length and name. Every
// run lies in the heap, no reading holds more clusters than the length needs, and the
// tail read for the ending check is never longer than it may be.
#include "exfat/DeletedStreamClusters.h"
#include "support/MemorySource.h"
#include "volume/EndingCheck.h"
#include "volume/FreeClusterReading.h"

#include <cstddef>
#include <cstdint>

using namespace qr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    test::MemorySource medium(std::vector<unsigned char>(data, data + size));
    const std::uint64_t sectors = medium.sectorCount();
    exfat::Geometry g;
    g.volumeEnd = sectors;
    g.fatStart = 24;
    g.fatSectors = 8;
    g.heapStart = 32;
    g.sectorsPerCluster = 1;
    g.clusterCount = sectors > 40 ? static_cast<std::uint32_t>(sectors - 32) : 8;
    g.rootCluster = 2;
    exfat::FatTable fat(medium, g);
    const exfat::AllocationBitmap bitmap = exfat::AllocationBitmap::Load(medium, g, fat);

    exfat::FileRef file;
    file.firstCluster = static_cast<std::uint32_t>(data[0] | data[1] << 8);
    file.dataLength = static_cast<std::uint64_t>(data[2] | data[3] << 8) * (1 + data[4] % 64);
    file.validLength = file.dataLength - file.dataLength * (data[5] % 4) / 4;
    file.noFatChain = (data[6] & 1) != 0;
    file.deleted = (data[6] & 2) == 0;
    static constexpr const char* kNames[] = {"a.jpg", "a.png", "a.pdf", "a.zip", "a.gif", "a.bin"};
    const char* name = kNames[data[7] % 6];

    const exfat::StreamPlace place = exfat::PlaceDeletedStream(medium, fat, g, bitmap, name, file);
    std::uint64_t held = 0;
    std::vector<volume::SectorRun> runs;
    for (const exfat::ClusterRun& run : place.runs) {
        if (!g.inHeap(run.first) || !g.inHeap(std::uint64_t{run.first} + run.count - 1))
            __builtin_trap();
        held += run.count;
        runs.push_back({g.clusterSector(run.first), run.count});
    }
    if (held != place.clusters || held > exfat::NeededClusters(file.dataLength, 512))
        __builtin_trap();
    const auto tail = volume::TailOfRuns(medium, runs, file.validLength);
    if (tail.size() > volume::kEndingCheckBytes || tail.size() > file.validLength)
        __builtin_trap();
    (void)volume::CheckEnding(name, disk::ByteView(tail.data(), tail.size()));
    return 0;
}
