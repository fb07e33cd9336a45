#include "raw/Mp4SampleCheck.h"

#include <algorithm>
#include <array>

namespace qr::raw {

namespace {

// The NAL unit types a stream carries. AVC: 1-23 (0 and 24-31 are unspecified); the
// IDR slice is a reference, SEI, delimiter and end units are not.
bool avcHeader(const unsigned char* h) {
    const unsigned type = h[0] & 0x1Fu;
    const unsigned ref = h[0] >> 5 & 3u;
    if ((h[0] & 0x80u) || type == 0 || type > 23)
        return false;
    if (type == 5)
        return ref != 0;
    if (type == 6 || (type >= 9 && type <= 12))
        return ref == 0;
    return true;
}

// HEVC: slices 0-9 and 16-21, parameter sets and the other non-slice units 32-40; the
// temporal id plus one is never 0.
bool hevcHeader(const unsigned char* h) {
    const unsigned type = h[0] >> 1 & 0x3Fu;
    if ((h[0] & 0x80u) || (h[1] & 7u) == 0)
        return false;
    return type <= 9 || (type >= 16 && type <= 21) || (type >= 32 && type <= 40);
}

// A sector of coded bytes that looks like other data: few byte values (text, a
// table, a cleared area) or a JPEG's stuffed FF 00 twice (coded video holds FF 00
// about once in 64 KiB).
bool otherSector(const unsigned char* sector) {
    std::array<bool, 256> seen{};
    unsigned values = 0;
    unsigned stuffed = 0;
    for (unsigned i = 0; i < 512; ++i) {
        values += seen[sector[i]] ? 0 : 1;
        seen[sector[i]] = true;
        stuffed += i + 1 < 512 && sector[i] == 0xFF && sector[i + 1] == 0 ? 1 : 0;
    }
    return values < 128 || stuffed >= 2;
}

// Scores the coded bytes [from, to) of a sample where they meet the score's window; a
// sector of the file counts when it lies whole in them.
bool scorePayload(std::uint64_t from, std::uint64_t to, const FileBytesReader& read,
                  std::uint64_t& steps, JoinScore* score) {
    if (!score)
        return true;
    from = std::max(from, score->from);
    to = std::min(to, score->to);
    constexpr std::uint32_t kPiece = 4096;
    unsigned char piece[kPiece + 2];
    unsigned carried = 0;
    for (std::uint64_t at = from; at < to;) {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPiece, to - at));
        if (steps == 0 || !read(at, n, piece + carried))
            return false;
        --steps;
        const unsigned held = carried + n;
        for (unsigned i = 0; i + 2 < held; ++i)
            if (piece[i] == 0 && piece[i + 1] == 0 && piece[i + 2] <= 1)
                ++score->oddities;
        for (std::uint64_t sector = (at + 511) / 512 * 512; sector + 512 <= at + n; sector += 512)
            score->oddities += otherSector(piece + carried + (sector - at)) ? 16 : 0;
        carried = std::min(2u, held);
        std::copy(piece + held - carried, piece + held, piece);
        at += n;
    }
    return true;
}

bool nalSample(const Mp4Track& track, std::uint64_t at, std::uint32_t size,
               const FileBytesReader& read, std::uint64_t& steps, JoinScore* score) {
    const unsigned lengthBytes = track.nalLengthBytes;
    const unsigned headerBytes = track.codec == Mp4Codec::Hevc ? 2 : 1;
    std::uint32_t done = 0;
    while (done < size) {
        if (steps == 0 || size - done < lengthBytes + headerBytes)
            return false;
        --steps;
        unsigned char field[6];
        if (!read(at + done, lengthBytes + headerBytes, field))
            return false;
        std::uint32_t length = 0;
        for (unsigned i = 0; i < lengthBytes; ++i)
            length = length << 8 | field[i];
        const unsigned char* header = field + lengthBytes;
        done += lengthBytes;
        if (length < headerBytes || length > size - done)
            return false;
        if (!(track.codec == Mp4Codec::Hevc ? hevcHeader(header) : avcHeader(header)))
            return false;
        if (!scorePayload(at + done + headerBytes, at + done + length, read, steps, score))
            return false;
        done += length;
    }
    return true;
}

// A visual object sequence, group, frame or the object layer headers.
bool mpeg4VisualSample(std::uint64_t at, std::uint32_t size, const FileBytesReader& read) {
    unsigned char code[4];
    if (size < sizeof code || !read(at, sizeof code, code))
        return false;
    return code[0] == 0 && code[1] == 0 && code[2] == 1 &&
           (code[3] <= 0x2F || (code[3] >= 0xB0 && code[3] <= 0xB6));
}

// Three quarters of the frames share the bits of their first element (its kind and
// instance), and no frame starts with cleared bytes.
bool aacChunk(const Mp4Track& track, const Mp4Chunk& chunk, const FileBytesReader& read,
              std::uint64_t& steps) {
    std::array<std::uint32_t, 128> leads{};
    std::uint64_t at = chunk.offset;
    for (std::uint32_t s = chunk.firstSample; s < chunk.firstSample + chunk.samples; ++s) {
        const std::uint32_t size = track.sampleSizes[s];
        unsigned char head[8] = {};
        const auto n = std::min<std::uint32_t>(size, sizeof head);
        if (steps == 0 || (n > 0 && !read(at, n, head)))
            return false;
        --steps;
        if (n > 0 && std::all_of(head, head + n, [](unsigned char b) { return b == 0; }))
            return false;
        ++leads[head[0] >> 1];
        at += size;
    }
    const std::uint32_t most = *std::max_element(leads.begin(), leads.end());
    return std::uint64_t{most} * 4 >= std::uint64_t{chunk.samples} * 3;
}

} // namespace

bool DecidesPlacement(const Mp4Track& track) {
    return track.codec == Mp4Codec::Avc || track.codec == Mp4Codec::Hevc ||
           track.codec == Mp4Codec::Mpeg4Visual;
}

bool ChunkHolds(const Mp4Track& track, const Mp4Chunk& chunk, const FileBytesReader& read,
                std::uint64_t& steps, JoinScore* score) {
    if (track.codec == Mp4Codec::Aac)
        return aacChunk(track, chunk, read, steps);
    if (!DecidesPlacement(track))
        return true;
    std::uint64_t at = chunk.offset;
    for (std::uint32_t s = chunk.firstSample; s < chunk.firstSample + chunk.samples; ++s) {
        const std::uint32_t size = track.sampleSizes[s];
        if (steps == 0)
            return false;
        --steps;
        const bool holds = track.codec == Mp4Codec::Mpeg4Visual
                               ? mpeg4VisualSample(at, size, read) &&
                                     scorePayload(at + 4, at + size, read, steps, score)
                               : nalSample(track, at, size, read, steps, score);
        if (!holds)
            return false;
        at += size;
    }
    return true;
}

bool ChunksInPlace(const Mp4SampleTables& tables, const FileBytesReader& read) {
    std::uint64_t steps = kMaxMp4Samples;
    const Mp4Chunk* last = nullptr;
    for (const Mp4Chunk& chunk : tables.chunks) {
        const Mp4Track& track = tables.tracks[chunk.track];
        if (!DecidesPlacement(track))
            continue;
        Mp4Chunk first = chunk;
        first.samples = 1;
        first.bytes = track.sampleSizes[chunk.firstSample];
        if (!ChunkHolds(track, first, read, steps))
            return false;
        last = &chunk;
    }
    return !last || ChunkHolds(tables.tracks[last->track], *last, read, steps);
}

} // namespace qr::raw
