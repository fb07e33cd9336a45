#include "disk/ReaderSource.h"

#include <cstring>

namespace qr::disk {

ReadStatus ReaderSource::readSectors(std::uint64_t start, std::uint32_t count,
                                     unsigned char* buffer) {
    if (count == 0)
        return ReadStatus::Complete;
    // The reader leaves the buffer untouched when the device cannot be opened.
    std::memset(buffer, 0, std::size_t{count} * kSectorBytes);
    const std::uint32_t answer = reader_.read(start, count, buffer);
    if (answer == 1)
        return ReadStatus::Complete;
    if (answer == 0)
        return ReadStatus::Partial;
    return ReadStatus::NoMedium;
}

} // namespace qr::disk
