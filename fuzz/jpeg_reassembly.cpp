// The JPEG decoder check and the two-fragment reassembly over a hostile medium: the
// input is the medium, a picture expected at its first sector. A decoding never ends
// behind its limit, and fragments lie inside the medium, one after the other.
#include "raw/JpegDecoder.h"
#include "raw/JpegReassembly.h"
#include "support/MemoryReader.h"
#include "support/MemorySource.h"

#include <cstdint>

using namespace qr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const raw::FileBytesReader read = test::ReaderOf(data, size);
    const raw::JpegDecoding decoded = raw::DecodeJpeg(read, size, {});
    if ((decoded.whole && decoded.end > size) || decoded.goodRows > decoded.rows)
        __builtin_trap();
    test::MemorySource medium(std::vector<unsigned char>(data, data + size));
    const std::uint64_t sectors = medium.sectorCount();
    if (const auto fragments = raw::ReassembleJpeg(medium, 0, sectors, 1)) {
        const std::uint64_t firstEnd = (fragments->firstBytes + 511) / 512;
        if (fragments->secondSector < firstEnd ||
            fragments->secondSector * 512 + fragments->secondBytes > sectors * 512)
            __builtin_trap();
    }
    return 0;
}
