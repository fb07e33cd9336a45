#include "raw/JpegSegments.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint32_t kScanChunk = 64 * 1024;
constexpr unsigned kMaxSegments = 65536;

bool isFrame(unsigned char m) {
    // SOF0 to SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

bool isRestart(unsigned char m) {
    return m >= 0xD0 && m <= 0xD7;
}

// A marker with a length field that may stand between SOI and EOI.
bool isSegment(unsigned char m) {
    return isFrame(m) || m == 0xC4 || m == 0xCC || m == 0xDA || m == 0xDB || m == 0xDC ||
           m == 0xDD || m == 0xDE || m == 0xDF || (m >= 0xE0 && m <= 0xEF) || m == 0xFE;
}

// Scans entropy-coded data from `at` for the next marker; its FF's offset, or nullopt
// when none stands before the limit.
std::optional<std::uint64_t> scanEntropy(const FileBytesReader& read, std::uint64_t at,
                                         std::uint64_t limit) {
    std::vector<unsigned char> chunk(kScanChunk);
    while (at + 1 < limit) {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kScanChunk, limit - at));
        if (!read(at, n, chunk.data()))
            return std::nullopt;
        const unsigned char* p = chunk.data();
        // A whole chunk of zeros or of FF (a cleared or erased area) is no coded data:
        // the picture was cut there. Stopping saves scanning up to the size limit.
        if (n == kScanChunk && (p[0] == 0x00 || p[0] == 0xFF) && p[n - 1] == p[0] &&
            std::memcmp(p, p + 1, n - 1) == 0)
            return std::nullopt;
        std::size_t i = 0;
        bool carry = false; // an FF is the chunk's last byte: look again from it
        while (i < n) {
            const void* ff = std::memchr(p + i, 0xFF, n - i);
            if (!ff)
                break;
            i = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - p);
            if (i + 1 >= n) {
                carry = true;
                break;
            }
            const unsigned char next = p[i + 1];
            if (next == 0x00 || isRestart(next)) {
                i += 2;
                continue;
            }
            if (next == 0xFF) {
                ++i; // a fill byte; the next FF may start the marker
                continue;
            }
            return at + i;
        }
        at += carry ? i : n;
    }
    return std::nullopt;
}

} // namespace

bool LooksLikeJpeg(const unsigned char* b, std::size_t size) {
    if (size < 6 || b[0] != 0xFF || b[1] != 0xD8 || b[2] != 0xFF)
        return false;
    const unsigned char m = b[3];
    if (!(m == 0xDB || m == 0xC4 || m == 0xDD || m == 0xFE || isFrame(m) ||
          (m >= 0xE0 && m <= 0xEF)))
        return false;
    return Be16(b + 4) >= 2;
}

std::optional<MediaLength> JpegLength(const FileBytesReader& read, std::uint64_t limit) {
    limit = std::min(limit, kMaxJpegBytes);
    unsigned char head[6];
    if (limit < 6 || !read(0, 6, head) || !LooksLikeJpeg(head, 6))
        return std::nullopt;
    std::uint64_t at = 2;
    bool frame = false;
    bool scanned = false;
    for (unsigned segments = 0; segments < kMaxSegments; ++segments) {
        unsigned char mark[4];
        if (at + 2 > limit || !read(at, 2, mark) || mark[0] != 0xFF)
            return std::nullopt;
        // Fill bytes before a marker.
        while (mark[1] == 0xFF) {
            ++at;
            if (at + 2 > limit || !read(at, 2, mark))
                return std::nullopt;
        }
        const unsigned char m = mark[1];
        if (m == 0xD9) {
            if (!scanned)
                return std::nullopt;
            return MediaLength{at + 2, ".JPG"};
        }
        if (isRestart(m) || m == 0x01) {
            at += 2;
            continue;
        }
        if (!isSegment(m))
            return std::nullopt;
        if (at + 4 > limit || !read(at, 4, mark))
            return std::nullopt;
        const std::uint16_t length = Be16(mark + 2);
        if (length < 2)
            return std::nullopt;
        const std::uint64_t behind = at + 2 + length;
        if (behind > limit)
            return std::nullopt;
        if (isFrame(m))
            frame = true;
        if (m != 0xDA) {
            at = behind;
            continue;
        }
        if (!frame)
            return std::nullopt;
        const auto marker = scanEntropy(read, behind, limit);
        if (!marker)
            return std::nullopt;
        scanned = true;
        at = *marker;
    }
    return std::nullopt;
}

} // namespace qr::raw
