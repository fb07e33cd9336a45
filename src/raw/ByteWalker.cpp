#include "raw/ByteWalker.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

bool ByteWalker::load(std::uint64_t offset) {
    if (offset >= limit_)
        return false;
    if (offset >= chunkAt_ && offset < chunkAt_ + chunk_.size())
        return true;
    const auto length =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunk, limit_ - offset));
    chunk_.resize(length);
    if (!read_(offset, length, chunk_.data())) {
        chunk_.clear();
        return false;
    }
    chunkAt_ = offset;
    return true;
}

std::optional<unsigned char> ByteWalker::byte(std::uint64_t offset) {
    if (!load(offset))
        return std::nullopt;
    return chunk_[static_cast<std::size_t>(offset - chunkAt_)];
}

bool ByteWalker::get(std::uint64_t offset, std::uint32_t length, unsigned char* out) {
    if (offset > limit_ || length > limit_ - offset)
        return false;
    if (length == 0)
        return true;
    if (!load(offset))
        return false;
    const std::uint64_t held = chunkAt_ + chunk_.size() - offset;
    if (length <= held) {
        std::memcpy(out, chunk_.data() + (offset - chunkAt_), length);
        return true;
    }
    return read_(offset, length, out);
}

std::pair<const unsigned char*, std::uint32_t> ByteWalker::span(std::uint64_t offset) {
    // Less than half a chunk held from there: a fresh chunk from `offset` on.
    if (offset >= chunkAt_ && offset < chunkAt_ + chunk_.size() &&
        chunkAt_ + chunk_.size() - offset < kChunk / 2 && chunkAt_ + chunk_.size() < limit_)
        chunk_.clear();
    if (!load(offset))
        return {nullptr, 0};
    const auto from = static_cast<std::size_t>(offset - chunkAt_);
    return {chunk_.data() + from, static_cast<std::uint32_t>(chunk_.size() - from)};
}

} // namespace qr::raw
