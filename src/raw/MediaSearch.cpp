#include "raw/MediaSearch.h"

#include "raw/MediaFormats.h"

#include <algorithm>

namespace qr::raw {

namespace {
constexpr std::uint64_t kSector = disk::kSectorBytes;
}

bool AnyMediaKind(const RawKindSet& kinds) {
    return std::any_of(kinds.begin() + kDocumentKinds, kinds.end(), [](bool k) { return k; });
}

bool AnyDocumentKind(const RawKindSet& kinds) {
    return std::any_of(kinds.begin(), kinds.begin() + kDocumentKinds, [](bool k) { return k; });
}

bool MediaSearch::take(disk::ByteView window, std::uint64_t firstSector, std::uint32_t sectors,
                       const Written& written) {
    const std::uint64_t end = firstSector + sectors;
    for (std::uint64_t s = std::max(firstSector, resumeAt_); s < end; ++s) {
        const std::uint64_t offset = (s - firstSector) * kSector;
        if (!window.has(offset, kSector))
            break;
        const std::size_t held = std::min<std::size_t>(window.size() - offset, 2 * kSector);
        const auto kind = MediaHeaderKind(window.data() + offset, held);
        if (!kind || !target_.kinds[static_cast<std::size_t>(*kind)])
            continue;
        const auto length = MeasureMediaFile(target_, *kind, s);
        if (!length || length->bytes == 0)
            continue;
        CarvedFile file;
        const CarveResult result = WriteMediaFile(target_, *kind, s, *length, ++number_, file);
        resumeAt_ = s + (length->bytes + kSector - 1) / kSector;
        if (!written(file, result))
            return false;
        s = resumeAt_ - 1;
    }
    return true;
}

} // namespace qr::raw
