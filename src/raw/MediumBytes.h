#pragma once
// Bytes of the medium by their byte offset, read in blocks of 64 KiB of which the eight
// used last are kept, never behind the end of the search range. Readers of many small
// fields in a few places far apart (sample tables, box headers, a chunk tried at one
// gap after another) go through it.
#include "disk/SectorSource.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qr::raw {

class MediumBytes {
public:
    MediumBytes(disk::SectorSource& source, std::uint64_t rangeEnd);

    // False behind the range's end or once the medium is gone.
    bool read(std::uint64_t offset, std::uint64_t length, unsigned char* out);

    std::uint64_t endByte() const { return end_; }

private:
    struct Block {
        std::uint64_t first = 0; // first sector held
        std::uint64_t sectors = 0;
        std::uint64_t used = 0; // when it was last read from
        std::vector<unsigned char> bytes;
    };
    // The block holding `sector`, read when none does; null once the medium is gone.
    Block* blockOf(std::uint64_t sector);

    disk::SectorSource& source_;
    std::uint64_t end_; // bytes of the range
    std::array<Block, 8> blocks_;
    std::uint64_t reads_ = 0;
    bool lost_ = false;
};

} // namespace qr::raw
