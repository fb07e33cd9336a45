#pragma once
// The selected disk of a sector reader seen as a sector source, for the engines that
// read through the source interface.
#include "disk/SectorReader.h"
#include "disk/SectorSource.h"

namespace qr::disk {

class ReaderSource final : public SectorSource {
public:
    explicit ReaderSource(SectorReader& reader) : reader_(reader) {}

    ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                           unsigned char* buffer) override;
    std::uint64_t sectorCount() override { return reader_.mediumSectors(); }

private:
    SectorReader& reader_;
};

} // namespace qr::disk
