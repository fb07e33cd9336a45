#pragma once
// Reads a file byte by byte or a few bytes at a time, as the readers of formats made
// of many small blocks walk them (GIF sub-blocks, MP3 frames, a PDF's text), through a
// chunk of the file held in memory. Nothing is read behind `limit`.
#include "raw/MediaLength.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace qr::raw {

class ByteWalker {
public:
    static constexpr std::uint32_t kChunk = 64 * 1024;

    ByteWalker(const FileBytesReader& read, std::uint64_t limit) : read_(read), limit_(limit) {}

    // The byte at `offset`; nullopt at or behind the limit, or when it cannot be read.
    std::optional<unsigned char> byte(std::uint64_t offset);
    // `length` bytes at `offset` into `out`; false when they do not all lie before the limit.
    bool get(std::uint64_t offset, std::uint32_t length, unsigned char* out);
    // A held chunk from `offset` on: its bytes and how many there are (0 at the limit);
    // at least half a chunk unless the limit comes first.
    std::pair<const unsigned char*, std::uint32_t> span(std::uint64_t offset);

    std::uint64_t limit() const { return limit_; }

private:
    bool load(std::uint64_t offset);

    const FileBytesReader& read_;
    std::uint64_t limit_;
    std::vector<unsigned char> chunk_;
    std::uint64_t chunkAt_ = 0;
};

} // namespace qr::raw
