#include "ntfs/RecordSize.h"

namespace qr::ntfs {

bool IsRecordBytes(std::uint64_t bytes) {
    return bytes >= kMinRecordBytes && bytes <= kMaxRecordBytes && (bytes & (bytes - 1)) == 0;
}

std::uint32_t RecordSectorsOrDefault(std::uint64_t sectors) {
    return sectors <= kMaxRecordBytes / 512 && IsRecordBytes(sectors * 512)
               ? static_cast<std::uint32_t>(sectors)
               : kRecordBytes / 512;
}

std::optional<std::uint32_t> RecordBytesFromCode(std::uint8_t code, std::uint64_t clusterBytes) {
    std::uint64_t bytes = 0;
    if (code >= 1 && code <= 127) {
        if (clusterBytes > kMaxRecordBytes)
            return std::nullopt;
        bytes = code * clusterBytes;
    } else if (const unsigned exponent = 256u - code; code != 0 && exponent < 32) {
        bytes = std::uint64_t{1} << exponent;
    }
    if (!IsRecordBytes(bytes))
        return std::nullopt;
    return static_cast<std::uint32_t>(bytes);
}

} // namespace qr::ntfs
