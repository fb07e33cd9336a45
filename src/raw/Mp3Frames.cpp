#include "raw/Mp3Frames.h"

#include "raw/ByteWalker.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {

constexpr std::uint64_t kMaxMp3Bytes = 1ull << 30;
constexpr unsigned kMaxFrames = 1u << 22;
constexpr unsigned kFramesWithTag = 2;
constexpr unsigned kFramesWithoutTag = 8;
constexpr std::uint32_t kId3v1Bytes = 128;
// Version, layer and sample rate bits, the same in every frame of a file.
constexpr std::uint32_t kStreamBits = 0xFFFE0C00;

// Kilobits per second by [version is MPEG-1][layer 1..3][index].
constexpr std::uint16_t kBitRates[2][3][15] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}};
constexpr std::uint32_t kSampleRates[3] = {44100, 48000, 32000};

// The bytes of an ID3v2 tag at the head of `b`, or 0 when there is none.
std::uint64_t id3Bytes(const unsigned char* b) {
    if (std::memcmp(b, "ID3", 3) != 0 || b[3] < 2 || b[3] > 4 || b[4] == 0xFF ||
        ((b[6] | b[7] | b[8] | b[9]) & 0x80))
        return 0;
    const std::uint64_t size =
        std::uint64_t{b[6]} << 21 | std::uint64_t{b[7]} << 14 | std::uint64_t{b[8]} << 7 | b[9];
    const bool footer = b[3] == 4 && (b[5] & 0x10);
    return 10 + size + (footer ? 10 : 0);
}

// The stream's bytes that a Xing or Info frame at `at` (the first frame, with header
// `h`) records, or 0 when it records none.
std::uint64_t recordedBytes(ByteWalker& walk, std::uint64_t at, std::uint32_t h) {
    const bool mpeg1 = (h >> 19 & 3) == 3;
    const bool mono = (h >> 6 & 3) == 3;
    const std::uint32_t side = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    unsigned char tag[16];
    if (!walk.get(at + 4 + side, sizeof tag, tag) ||
        (std::memcmp(tag, "Xing", 4) != 0 && std::memcmp(tag, "Info", 4) != 0))
        return 0;
    const std::uint32_t flags = Be32(tag + 4);
    if (!(flags & 2))
        return 0;
    return Be32(tag + ((flags & 1) ? 12 : 8));
}

} // namespace

std::uint32_t Mp3FrameBytes(std::uint32_t h) {
    if ((h & 0xFFE00000) != 0xFFE00000)
        return 0;
    const unsigned version = h >> 19 & 3; // 0: 2.5, 2: 2, 3: 1
    const unsigned layer = h >> 17 & 3;   // 1: III, 2: II, 3: I
    const unsigned rateIndex = h >> 12 & 15;
    const unsigned sampleIndex = h >> 10 & 3;
    if (version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const std::uint32_t kbps = kBitRates[mpeg1][3 - layer][rateIndex];
    const std::uint32_t rate = kSampleRates[sampleIndex] >> (version == 3   ? 0
                                                             : version == 2 ? 1
                                                                            : 2);
    const std::uint32_t padding = h >> 9 & 1;
    if (layer == 3)
        return (12 * kbps * 1000 / rate + padding) * 4;
    const std::uint32_t factor = layer == 1 && !mpeg1 ? 72 : 144;
    return factor * kbps * 1000 / rate + padding;
}

bool LooksLikeMp3(const unsigned char* b, std::size_t size) {
    if (size < 10)
        return false;
    if (id3Bytes(b) != 0)
        return true;
    // A bare stream: its first frame header, and the next one where it says, when held.
    const std::uint32_t first = Be32(b);
    const std::uint32_t bytes = Mp3FrameBytes(first);
    if (bytes == 0)
        return false;
    if (bytes + 4 > size)
        return true;
    const std::uint32_t next = Be32(b + bytes);
    return Mp3FrameBytes(next) != 0 && (next & kStreamBits) == (first & kStreamBits);
}

std::optional<MediaLength> Mp3Length(const FileBytesReader& read, std::uint64_t limit) {
    ByteWalker walk(read, std::min(limit, kMaxMp3Bytes));
    unsigned char head[10];
    if (!walk.get(0, sizeof head, head) || !LooksLikeMp3(head, sizeof head))
        return std::nullopt;
    const std::uint64_t tag = id3Bytes(head);
    std::uint64_t at = tag;
    std::uint32_t stream = 0;
    std::uint64_t recorded = 0;
    unsigned frames = 0;
    for (; frames < kMaxFrames; ++frames) {
        unsigned char h[4];
        if (!walk.get(at, 4, h))
            break;
        const std::uint32_t header = Be32(h);
        const std::uint32_t bytes = Mp3FrameBytes(header);
        if (bytes == 0 || (frames > 0 && (header & kStreamBits) != stream))
            break;
        if (bytes > walk.limit() - at)
            return std::nullopt; // the last frame is cut
        if (frames == 0)
            recorded = recordedBytes(walk, at, header);
        stream = header & kStreamBits;
        at += bytes;
    }
    if (frames < (tag ? kFramesWithTag : kFramesWithoutTag))
        return std::nullopt;
    // A stream whose Info frame records its length is whole only at that length.
    if (recorded != 0) {
        if (at - tag < recorded)
            return std::nullopt;
        at = tag + recorded;
    }
    unsigned char v1[3];
    if (walk.get(at, 3, v1) && std::memcmp(v1, "TAG", 3) == 0 && kId3v1Bytes <= walk.limit() - at)
        at += kId3v1Bytes;
    return MediaLength{at, ".MP3"};
}

} // namespace qr::raw
