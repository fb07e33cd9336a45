#pragma once
// The sample tables of an ISO-BMFF movie box (`moov`): for each track its codec (from
// the first sample description) and sample sizes (`stsz`), and every chunk of every
// track with its file offset (`stco`/`co64`) and length (its samples by `stsc`).
// Entry counts are bounded by their boxes, offsets and lengths by the file; chunks of
// different tracks must not overlap. Anything else gives nullopt.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qr::raw {

enum class Mp4Codec : std::uint8_t {
    Avc,         // avc1/avc3: samples of length-prefixed NAL units
    Hevc,        // hvc1/hev1: the same, with HEVC's two-byte NAL header
    Mpeg4Visual, // mp4v: each sample starts with a start code
    Aac,         // mp4a: raw frames without ADTS headers
    Other,
};

struct Mp4Track {
    Mp4Codec codec = Mp4Codec::Other;
    std::uint8_t nalLengthBytes = 4; // Avc, Hevc: 1, 2 or 4
    std::vector<std::uint32_t> sampleSizes;
};

struct Mp4Chunk {
    std::uint64_t offset = 0; // from the file's first byte
    std::uint64_t bytes = 0;
    std::uint32_t track = 0;
    std::uint32_t firstSample = 0; // index into the track's sample sizes
    std::uint32_t samples = 0;
};

struct Mp4SampleTables {
    std::vector<Mp4Track> tracks;
    std::vector<Mp4Chunk> chunks; // by offset, none empty
};

// The samples of a file this many are not followed.
inline constexpr std::uint32_t kMaxMp4Samples = 1u << 22;
// A movie box larger than this is not held.
inline constexpr std::uint64_t kMaxMovieBox = 64ull << 20;

// Reads the tables of the movie box `moov` (its payload, behind the 8- or 16-byte
// header) of a file of `fileBytes` bytes.
std::optional<Mp4SampleTables> ReadMp4SampleTables(const unsigned char* moov, std::size_t size,
                                                   std::uint64_t fileBytes);

} // namespace qr::raw
