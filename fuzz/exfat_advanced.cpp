// The Advanced exFAT search over a hostile medium: the sweep, the inference of the
// file systems, the search for a surviving FAT and the tree of every file system found.
// The input is the medium; the first byte shifts where it begins, so structures fall
// on batch edges too.
#include "exfat/InferExfatFileSystems.h"
#include "exfat/PickedExfatTree.h"
#include "exfat/StructureSweep.h"
#include "exfat/SurvivingFat.h"
#include "model/RecordTable.h"
#include "support/MemorySource.h"
#include "volume/SearchProgress.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace qr;

constexpr std::size_t kOpenedAtMost = 4;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t lead = std::size_t{data[0]} * disk::kSectorBytes;
    std::vector<unsigned char> bytes(lead, 0);
    bytes.insert(bytes.end(), data + 1, data + size);
    test::MemorySource medium(std::move(bytes));
    volume::NoProgress quiet;
    // A range beyond the medium, as a damaged table may give one.
    const exfat::ExfatFindings findings =
        exfat::SweepExfatStructures(medium, 0, medium.sectorCount() + 100, quiet, {});
    std::vector<exfat::ExfatFileSystem> systems = exfat::InferExfatFileSystems(findings);
    for (std::size_t k = 0; k < systems.size() && k < kOpenedAtMost; ++k) {
        exfat::LocateSurvivingFat(medium, findings, systems[k]);
        const exfat::Geometry& g = systems[k].geometry;
        if (g.sectorsPerCluster == 0 || (g.sectorsPerCluster & (g.sectorsPerCluster - 1)) != 0)
            __builtin_trap();
        model::RecordTables tables;
        exfat::BuildPickedExfatTree(medium, findings, systems[k], tables.folderTable,
                                    tables.fileTable, quiet, {});
    }
    return 0;
}
