#include "ntfs/Fixups.h"

#include "disk/ByteView.h"

namespace qr::ntfs {

bool ApplyFixups(std::span<unsigned char> record) {
    const disk::ByteView view(record);
    const std::uint32_t arrayOffset = view.u16(4);
    const std::uint32_t entries = view.u16(6);
    if (entries < 2 || !view.has(arrayOffset, std::uint64_t{entries} * 2))
        return false;
    bool restored = false;
    // Entry 0 is the check value; entry i + 1 belongs to sector i.
    for (std::uint32_t i = 0; i + 1 < entries; ++i) {
        const std::uint64_t end = 510 + std::uint64_t{512} * i;
        if (!view.has(end, 2))
            break;
        const std::size_t from = arrayOffset + 2 + 2 * std::size_t{i};
        record[end] = record[from];
        record[end + 1] = record[from + 1];
        restored = true;
    }
    return restored;
}

} // namespace qr::ntfs
