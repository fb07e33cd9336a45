// The sample table reader and the two-fragment video reassembly over hostile bytes:
// the input is read as a movie box's payload and as the medium, a video expected at
// its first sector. Chunks lie inside the file, in order and apart, and their samples
// inside their track; fragments lie inside the medium, one after the other.
#include "raw/Mp4Reassembly.h"
#include "raw/Mp4SampleTable.h"
#include "support/MemorySource.h"

#include <cstdint>

using namespace qr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto tables = raw::ReadMp4SampleTables(data, size, size)) {
        std::uint64_t end = 0;
        for (const raw::Mp4Chunk& chunk : tables->chunks) {
            const raw::Mp4Track& track = tables->tracks.at(chunk.track);
            if (chunk.offset < end || chunk.offset + chunk.bytes > size || chunk.bytes == 0 ||
                std::uint64_t{chunk.firstSample} + chunk.samples > track.sampleSizes.size())
                __builtin_trap();
            end = chunk.offset + chunk.bytes;
        }
    }
    test::MemorySource medium(std::vector<unsigned char>(data, data + size));
    const std::uint64_t sectors = medium.sectorCount();
    if (const auto fragments = raw::ReassembleVideo(medium, 0, sectors, 1)) {
        const std::uint64_t firstEnd = (fragments->firstBytes + 511) / 512;
        if (fragments->firstBytes == 0 || fragments->secondSector < firstEnd ||
            fragments->secondSector * 512 + fragments->secondBytes > sectors * 512)
            __builtin_trap();
    }
    return 0;
}
