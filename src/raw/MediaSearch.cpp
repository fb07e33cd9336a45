#include "raw/MediaSearch.h"

#include "raw/MediaFormats.h"
#include "raw/ReassembledFile.h"

#include <algorithm>

namespace qr::raw {

namespace {
constexpr std::uint64_t kSector = disk::kSectorBytes;
}

bool AnyMediaKind(const RawKindSet& kinds) {
    for (std::size_t k = 0; k < kRawKinds; ++k)
        if (kinds[k] && IsMediaKind(static_cast<RawKind>(k)))
            return true;
    return false;
}

bool AnyDocumentKind(const RawKindSet& kinds) {
    for (std::size_t k = 0; k < kRawKinds; ++k)
        if (kinds[k] && !IsMediaKind(static_cast<RawKind>(k)))
            return true;
    return false;
}

MediaSearch::MediaSearch(const CarveTarget& target) : target_(target) {
    for (std::size_t k = 0; k < kRawKinds; ++k)
        wanted_[k] = RowWanted(static_cast<RawKind>(k), target.kinds);
}

bool MediaSearch::take(disk::ByteView window, std::uint64_t firstSector, std::uint32_t sectors,
                       const Written& written) {
    const std::uint64_t end = firstSector + sectors;
    for (std::uint64_t s = std::max(firstSector, resumeAt_); s < end; ++s) {
        const std::uint64_t offset = (s - firstSector) * kSector;
        if (!window.has(offset, kSector))
            break;
        const std::size_t held = std::min<std::size_t>(window.size() - offset, 2 * kSector);
        const unsigned char* head = window.data() + offset;
        // The rows this first byte may start, tried in turn until one measures a file.
        std::optional<MeasuredFile> measured;
        std::optional<RawKind> broken; // the first row whose file may lie in fragments
        for (const RawKind row : HeaderRows(head[0])) {
            if (!wanted_[static_cast<std::size_t>(row)] || !InfoOf(row).header(head, held))
                continue;
            if (!broken && MayReassemble(row))
                broken = row;
            measured = MeasureMediaFile(target_, row, s);
            if (measured)
                break;
        }
        if (!measured && broken) {
            // A JPEG whose data breaks or a video whose chunks do not follow may go on in
            // a later fragment.
            CarvedFile file;
            if (const auto write = WriteReassembledFile(target_, *broken, s, number_ + 1, file)) {
                ++number_;
                resumeAt_ = s + write->firstSectors;
                if (!written(file, write->result))
                    return false;
                s = resumeAt_ - 1;
            }
            continue;
        }
        if (!measured)
            continue;
        CarvedFile file;
        const CarveResult result = WriteMediaFile(target_, *measured, s, ++number_, file);
        resumeAt_ = s + (measured->length.bytes + kSector - 1) / kSector;
        if (!written(file, result))
            return false;
        s = resumeAt_ - 1;
    }
    return true;
}

} // namespace qr::raw
