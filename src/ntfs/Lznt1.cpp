#include "ntfs/Lznt1.h"

#include <algorithm>
#include <cstring>

namespace qr::ntfs {

namespace {

constexpr std::size_t kChunkBytes = 4096;

// Decompresses one chunk's tokens into out[0, limit); returns the bytes produced or
// nothing when a back-reference points before the chunk.
bool decompressChunk(disk::ByteView data, unsigned char* out, std::size_t limit,
                     std::size_t& produced) {
    std::size_t in = 0;
    std::size_t pos = 0;
    while (in < data.size() && pos < limit) {
        const std::uint8_t flags = data.u8(in++);
        for (int bit = 0; bit < 8 && in < data.size() && pos < limit; ++bit) {
            if ((flags & (1u << bit)) == 0) {
                out[pos++] = data.u8(in++);
                continue;
            }
            if (!data.has(in, 2))
                return false;
            const std::uint16_t token = data.u16(in);
            in += 2;
            // The split between offset and length bits moves with the position.
            unsigned lengthBits = 12;
            for (std::size_t p = pos - 1; pos > 0 && p >= 0x10; p >>= 1)
                --lengthBits;
            const std::size_t offset = (token >> lengthBits) + 1u;
            std::size_t length = (token & ((1u << lengthBits) - 1u)) + 3u;
            if (offset > pos)
                return false;
            length = std::min(length, limit - pos);
            for (std::size_t i = 0; i < length; ++i, ++pos)
                out[pos] = out[pos - offset];
        }
    }
    produced = pos;
    return true;
}

} // namespace

Lznt1Result DecompressLznt1(disk::ByteView input, std::span<unsigned char> output) {
    Lznt1Result result;
    std::size_t in = 0;
    std::size_t out = 0;
    while (input.has(in, 2) && out < output.size()) {
        const std::uint16_t header = input.u16(in);
        if (header == 0)
            break;
        const std::size_t size = (header & 0x0FFFu) + 1u;
        const disk::ByteView data = input.sub(in + 2, size);
        if (data.size() != size) {
            result.damaged = true;
            break;
        }
        const std::size_t limit = std::min(kChunkBytes, output.size() - out);
        std::size_t produced = 0;
        if (header & 0x8000u) {
            if (!decompressChunk(data, output.data() + out, limit, produced)) {
                result.damaged = true;
                break;
            }
        } else {
            produced = std::min(size, limit);
            std::memcpy(output.data() + out, data.data(), produced);
        }
        in += 2 + size;
        out += produced;
        result.produced = out;
        // A short chunk followed by another stands for a whole 4096 bytes.
        if (produced < limit && input.has(in, 2) && input.u16(in) != 0) {
            std::memset(output.data() + out, 0, limit - produced);
            out += limit - produced;
            result.produced = out;
        }
    }
    return result;
}

} // namespace qr::ntfs
