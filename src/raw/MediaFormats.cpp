#include "raw/MediaFormats.h"

#include "raw/IsoBoxes.h"
#include "raw/JpegSegments.h"
#include "raw/PngChunks.h"
#include "raw/RiffChunks.h"
#include "raw/TiffDirectories.h"

namespace qr::raw {

std::optional<RawKind> MediaHeaderKind(const unsigned char* b, std::size_t size) {
    if (size < 24)
        return std::nullopt;
    // The first byte tells which test can match at all.
    switch (b[0]) {
    case 0xFF:
        if (LooksLikeJpeg(b, size))
            return RawKind::Jpeg;
        break;
    case 0x89:
        if (LooksLikePng(b, size))
            return RawKind::Png;
        break;
    case 'I':
    case 'M':
        if (LooksLikeTiff(b, size))
            return RawKind::CameraRaw;
        break;
    case 'R':
        if (LooksLikeAvi(b, size))
            return RawKind::Avi;
        break;
    default:
        break;
    }
    if (b[4] == 'f' && LooksLikeIsoVideo(b, size))
        return RawKind::Mp4;
    return std::nullopt;
}

std::optional<MediaLength> MediaFileLength(RawKind kind, const FileBytesReader& read,
                                           std::uint64_t limit) {
    switch (kind) {
    case RawKind::Jpeg:
        return JpegLength(read, limit);
    case RawKind::Png:
        return PngLength(read, limit);
    case RawKind::CameraRaw:
        return TiffLength(read, limit);
    case RawKind::Mp4:
        return IsoVideoLength(read, limit);
    case RawKind::Avi:
        return AviLength(read, limit);
    default:
        return std::nullopt;
    }
}

} // namespace qr::raw
