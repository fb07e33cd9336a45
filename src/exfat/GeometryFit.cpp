#include "exfat/GeometryFit.h"

#include "volume/ContentCheck.h"

#include <array>

namespace qr::exfat {

namespace {

// Sets checked per cluster, and the contradictions that condemn it.
constexpr int kMostChecks = 8;
constexpr int kLeastContradictions = 1;

// A subfolder's entries: directory entry types up to the end mark, and none of the
// entries only the root holds (allocation bitmap, up-case table, volume label).
bool holdsSubfolderEntries(disk::ByteView sector) {
    for (std::uint64_t at = 0; sector.has(at, kEntryBytes); at += kEntryBytes) {
        const std::uint8_t type = sector.u8(at);
        if (type == 0)
            return true;
        if (!IsDirectoryEntryType(type) || (type >= 0x81 && type <= 0x83))
            return false;
    }
    return true;
}

} // namespace

SetFit CheckSetFit(disk::SectorSource& source, const Geometry& geometry, const EntrySet& set) {
    if (!geometry.inHeap(set.firstCluster) || set.dataLength == 0)
        return SetFit::Unknown;
    const bool folder = set.directory();
    if (!folder &&
        (set.validLength < volume::kContentCheckBytes || !volume::HasContentSignature(set.name)))
        return SetFit::Unknown;
    std::array<unsigned char, disk::kSectorBytes> sector{};
    if (source.readSectors(geometry.clusterSector(set.firstCluster), 1, sector.data()) ==
        disk::ReadStatus::NoMedium)
        return SetFit::Unknown;
    const disk::ByteView bytes(sector.data(), sector.size());
    if (folder) {
        // An empty folder's cluster may be all zeros: that tells nothing.
        if (bytes.u8(0) == 0)
            return SetFit::Unknown;
        return set.firstCluster != geometry.rootCluster && holdsSubfolderEntries(bytes)
                   ? SetFit::Fits
                   : SetFit::Contradicts;
    }
    switch (volume::CheckContent(set.name, bytes.sub(0, volume::kContentCheckBytes))) {
    case volume::ContentVerdict::Fits:
        return SetFit::Fits;
    case volume::ContentVerdict::Contradicts:
        return SetFit::Contradicts;
    default:
        return SetFit::Unknown;
    }
}

bool ClusterContradictsGeometry(disk::SectorSource& source, const Geometry& geometry,
                                disk::ByteView cluster) {
    int fits = 0, contradicts = 0;
    for (std::uint64_t at = 0; cluster.has(at, kEntryBytes) && fits + contradicts < kMostChecks;) {
        const auto set = (cluster.u8(at) | kInUse) == kFileEntry ? DecodeEntrySet(cluster.from(at))
                                                                 : std::nullopt;
        if (!set) {
            at += kEntryBytes;
            continue;
        }
        at += std::uint64_t{set->entries} * kEntryBytes;
        // A deleted file's clusters may have been taken since: only live sets judge.
        if (set->deleted)
            continue;
        const SetFit fit = CheckSetFit(source, geometry, *set);
        fits += fit == SetFit::Fits;
        contradicts += fit == SetFit::Contradicts;
    }
    return contradicts >= kLeastContradictions && contradicts >= 4 * fits;
}

} // namespace qr::exfat
