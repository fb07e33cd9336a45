#pragma once
// Bytes of the medium by their byte offset, read in blocks of 64 KiB that are kept
// while the reads stay in them, never behind the end of the search range. Readers of
// many small fields far apart (sample tables, box headers) go through it.
#include "disk/SectorSource.h"

#include <cstdint>
#include <vector>

namespace qr::raw {

class MediumBytes {
public:
    MediumBytes(disk::SectorSource& source, std::uint64_t rangeEnd);

    // False behind the range's end or once the medium is gone.
    bool read(std::uint64_t offset, std::uint64_t length, unsigned char* out);

    std::uint64_t endByte() const { return end_; }
    bool lost() const { return lost_; }

private:
    bool load(std::uint64_t sector);

    disk::SectorSource& source_;
    std::uint64_t end_;            // bytes of the range
    std::uint64_t blockFirst_ = 0; // first sector held
    std::uint64_t blockSectors_ = 0;
    std::vector<unsigned char> block_;
    bool lost_ = false;
};

} // namespace qr::raw
