// The advanced FAT search over a hostile medium: the sweep, both phases of the
// inference for either searched type, and the opening of every file system found
// (its heads copied, its allocation tables searched for). The input is the medium.
#include "fat/InferFileSystems.h"
#include "fat/PickedFileSystem.h"
#include "fat/SweepFatStructures.h"
#include "model/RecordTable.h"
#include "support/MemorySource.h"
#include "volume/SearchProgress.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace qr;

constexpr int kOpenedAtMost = 8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first byte picks the batch size, so heads on batch edges are tried too.
    const std::uint32_t batch = 1 + data[0] % 64;
    test::MemorySource medium(std::vector<unsigned char>(data + 1, data + size));
    const std::uint64_t sectors = medium.sectorCount();
    volume::NoProgress quiet;
    for (volume::FileSystemKind kind :
         {volume::FileSystemKind::Fat16, volume::FileSystemKind::Fat32}) {
        model::RecordTables tables;
        // A range beyond the medium, as a damaged table may give one.
        fat::SweepFatStructures(medium, 0, sectors + 100, tables, {}, quiet, batch);
        const int found = fat::InferFileSystems(tables, kind, quiet);
        if (found != tables.fileSystemTable.rowCount())
            __builtin_trap();
        for (int k = 1; k <= found && k <= kOpenedAtMost; ++k) {
            tables.folderTable.clear();
            tables.folderTable.appendRow("Lost");
            const fat::ActiveGeometry g =
                fat::OpenPickedFileSystem(medium, tables, static_cast<std::uint32_t>(k), {});
            if (g.sectorsPerCluster == 0 || g.sectorsPerCluster > 128)
                __builtin_trap();
        }
    }
    return 0;
}
