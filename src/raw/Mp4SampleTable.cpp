#include "raw/Mp4SampleTable.h"

#include "raw/MediaLength.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {

// A box held in memory: its type and its payload.
struct Box {
    const unsigned char* type = nullptr;
    const unsigned char* body = nullptr;
    std::size_t size = 0;

    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

// Calls `take` for each box in [p, p + size); false when a box does not fit or `take`
// says so.
template <typename Take> bool forEachBox(const unsigned char* p, std::size_t size, Take take) {
    std::size_t at = 0;
    while (size - at >= 8) {
        std::uint64_t boxSize = Be32(p + at);
        std::size_t header = 8;
        if (boxSize == 1) {
            if (size - at < 16)
                return false;
            boxSize = Be64(p + at + 8);
            header = 16;
        } else if (boxSize == 0) {
            boxSize = size - at;
        }
        if (boxSize < header || boxSize > size - at)
            return false;
        if (!take(Box{p + at + 4, p + at + header, static_cast<std::size_t>(boxSize) - header}))
            return false;
        at += static_cast<std::size_t>(boxSize);
    }
    return true;
}

std::optional<Box> child(const Box& parent, const char* type, std::size_t skip = 0) {
    std::optional<Box> found;
    if (parent.size < skip)
        return found;
    forEachBox(parent.body + skip, parent.size - skip, [&](const Box& box) {
        if (!found && box.is(type))
            found = box;
        return true;
    });
    return found;
}

// The entries of a full box: their count behind the version and flags, and the table
// behind it; nullopt when the count does not fit the box.
std::optional<std::uint32_t> entries(const Box& box, std::size_t head, std::size_t entryBytes) {
    if (box.size < head + 4)
        return std::nullopt;
    const std::uint32_t count = Be32(box.body + head);
    if ((box.size - head - 4) / entryBytes < count)
        return std::nullopt;
    return count;
}

// A descriptor's length: up to four bytes of seven bits each.
bool descriptorLength(const unsigned char* p, std::size_t size, std::size_t& at) {
    for (int i = 0; i < 4; ++i) {
        if (at >= size)
            return false;
        if ((p[at++] & 0x80u) == 0)
            return true;
    }
    return true;
}

// The object type of an MPEG-4 sample entry's `esds` (0x20 MPEG-4 Visual, 0x40 and 0x66
// to 0x68 AAC, others such as JPEG or MP3 alike); 0 when it cannot be read.
unsigned objectType(const Box& entry, std::size_t fields) {
    const auto esds = child(entry, "esds", fields);
    if (!esds || esds->size < 4)
        return 0;
    const unsigned char* p = esds->body;
    const std::size_t size = esds->size;
    std::size_t at = 4;
    if (at >= size || p[at++] != 0x03 || !descriptorLength(p, size, at) || size - at < 3)
        return 0;
    const unsigned flags = p[at + 2];
    at += 3;
    if (flags & 0x80u)
        at += 2;
    if ((flags & 0x40u) && at < size)
        at += 1 + p[at];
    if (flags & 0x20u)
        at += 2;
    if (at >= size || p[at++] != 0x04 || !descriptorLength(p, size, at) || at >= size)
        return 0;
    return p[at];
}

// The codec of the first sample description, with the NAL length size of AVC and HEVC.
void readCodec(const Box& stsd, Mp4Track& track) {
    const auto count = entries(stsd, 4, 8);
    if (!count || *count == 0)
        return;
    std::optional<Box> entry;
    forEachBox(stsd.body + 8, stsd.size - 8, [&](const Box& box) {
        entry = box;
        return false;
    });
    if (!entry)
        return;
    // A visual sample entry's fields take 78 bytes before its boxes.
    constexpr std::size_t kVisualFields = 78;
    const auto nalLength = [&](const char* config, std::size_t at, Mp4Codec codec) {
        const auto box = child(*entry, config, kVisualFields);
        if (!box || box->size <= at)
            return;
        const unsigned bytes = (box->body[at] & 3u) + 1;
        if (bytes == 3)
            return;
        track.codec = codec;
        track.nalLengthBytes = static_cast<std::uint8_t>(bytes);
    };
    if (entry->is("avc1") || entry->is("avc3"))
        nalLength("avcC", 4, Mp4Codec::Avc);
    else if (entry->is("hvc1") || entry->is("hev1"))
        nalLength("hvcC", 21, Mp4Codec::Hevc);
    else if (entry->is("mp4v") && objectType(*entry, kVisualFields) == 0x20)
        track.codec = Mp4Codec::Mpeg4Visual;
    else if (entry->is("mp4a")) {
        // An audio sample entry's fields take 28 bytes; QuickTime's versions 1 and 2
        // add 16 and 36.
        const unsigned version = entry->size >= 10 ? Be16(entry->body + 8) : 0;
        const unsigned type = objectType(*entry, 28 + (version == 1 ? 16 : version == 2 ? 36 : 0));
        if (type == 0x40 || (type >= 0x66 && type <= 0x68))
            track.codec = Mp4Codec::Aac;
    }
}

bool readSizes(const Box& stsz, Mp4Track& track, std::uint32_t& budget) {
    if (stsz.size < 12)
        return false;
    const std::uint32_t constant = Be32(stsz.body + 4);
    const std::uint32_t count = Be32(stsz.body + 8);
    if (count > budget)
        return false;
    budget -= count;
    if (constant != 0) {
        track.sampleSizes.assign(count, constant);
        return true;
    }
    if (!entries(stsz, 8, 4))
        return false;
    track.sampleSizes.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        track.sampleSizes[i] = Be32(stsz.body + 12 + std::size_t{i} * 4);
    return true;
}

std::optional<std::vector<std::uint64_t>> readOffsets(const Box& stbl) {
    const auto stco = child(stbl, "stco");
    const auto co64 = child(stbl, "co64");
    const Box* box = stco ? &*stco : co64 ? &*co64 : nullptr;
    const std::size_t width = stco ? 4 : 8;
    if (!box)
        return std::nullopt;
    const auto count = entries(*box, 4, width);
    if (!count)
        return std::nullopt;
    std::vector<std::uint64_t> offsets(*count);
    for (std::uint32_t i = 0; i < *count; ++i) {
        const unsigned char* p = box->body + 8 + std::size_t{i} * width;
        offsets[i] = width == 4 ? Be32(p) : Be64(p);
    }
    return offsets;
}

// The track's chunks from its offsets and its samples-per-chunk runs; every sample
// must fall in exactly one chunk and every chunk inside the file.
bool readChunks(const Box& stbl, std::uint32_t trackIndex, const Mp4Track& track,
                std::uint64_t fileBytes, std::vector<Mp4Chunk>& chunks) {
    const auto offsets = readOffsets(stbl);
    const auto stsc = child(stbl, "stsc");
    if (!offsets || !stsc)
        return false;
    const auto runs = entries(*stsc, 4, 12);
    if (!runs)
        return false;
    const auto run = [&](std::uint32_t i, std::size_t field) {
        return Be32(stsc->body + 8 + std::size_t{i} * 12 + field);
    };
    const auto samples = static_cast<std::uint32_t>(track.sampleSizes.size());
    if (!offsets->empty() && (*runs == 0 || run(0, 0) != 1))
        return false;
    std::uint32_t next = 0; // the next sample
    std::uint32_t r = 0;
    for (std::uint32_t c = 0; c < offsets->size(); ++c) {
        // Runs are numbered from chunk 1 and must follow each other.
        while (r + 1 < *runs && run(r + 1, 0) <= c + 1) {
            if (run(r + 1, 0) <= run(r, 0))
                return false;
            ++r;
        }
        const std::uint32_t perChunk = run(r, 4);
        if (perChunk > samples - next)
            return false;
        Mp4Chunk chunk{(*offsets)[c], 0, trackIndex, next, perChunk};
        for (std::uint32_t s = next; s < next + perChunk; ++s)
            chunk.bytes += track.sampleSizes[s];
        next += perChunk;
        if (chunk.offset > fileBytes || chunk.bytes > fileBytes - chunk.offset)
            return false;
        if (chunk.bytes > 0)
            chunks.push_back(chunk);
    }
    return next == samples;
}

} // namespace

std::optional<Mp4SampleTables> ReadMp4SampleTables(const unsigned char* moov, std::size_t size,
                                                   std::uint64_t fileBytes) {
    Mp4SampleTables tables;
    std::uint32_t budget = kMaxMp4Samples;
    const bool read = forEachBox(moov, size, [&](const Box& trak) {
        if (!trak.is("trak"))
            return true;
        const auto mdia = child(trak, "mdia");
        const auto minf = mdia ? child(*mdia, "minf") : std::nullopt;
        const auto stbl = minf ? child(*minf, "stbl") : std::nullopt;
        const auto stsz = stbl ? child(*stbl, "stsz") : std::nullopt;
        if (!stsz)
            return false;
        Mp4Track track;
        if (const auto stsd = child(*stbl, "stsd"))
            readCodec(*stsd, track);
        const auto index = static_cast<std::uint32_t>(tables.tracks.size());
        if (!readSizes(*stsz, track, budget) ||
            !readChunks(*stbl, index, track, fileBytes, tables.chunks))
            return false;
        tables.tracks.push_back(std::move(track));
        return true;
    });
    if (!read || tables.tracks.empty())
        return std::nullopt;
    std::sort(tables.chunks.begin(), tables.chunks.end(),
              [](const Mp4Chunk& a, const Mp4Chunk& b) { return a.offset < b.offset; });
    for (std::size_t i = 1; i < tables.chunks.size(); ++i)
        if (tables.chunks[i - 1].offset + tables.chunks[i - 1].bytes > tables.chunks[i].offset)
            return std::nullopt;
    return tables;
}

} // namespace qr::raw
