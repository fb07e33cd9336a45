// The GPT reader over hostile disks: the input is the disk. Sector 0 is made a
// protective MBR; when the first byte is odd the CRCs of the header at sector 1 and of
// the array it names are set right first, so that mutations reach the entry checks and
// the listing rather than stopping at a CRC mismatch.
#include "model/TreeModel.h"
#include "support/MemorySource.h"
#include "volume/Crc32.h"
#include "volume/GptHeader.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionTree.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using namespace qr;

void put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

// Seals the header at sector 1: its array CRC (when the array lies in the input), then
// its own CRC over the size it gives (when that fits the sector).
void seal(std::vector<unsigned char>& b) {
    const disk::ByteView h(b.data() + 512, 512);
    const std::uint64_t arrayAt = h.u64(72);
    const std::uint64_t arrayBytes = std::uint64_t{h.u32(80)} * h.u32(84);
    const disk::ByteView all(b.data(), b.size());
    if (arrayAt < b.size() / 512 && all.has(arrayAt * 512, arrayBytes))
        put32(b, 512 + 88, volume::Crc32(all.sub(arrayAt * 512, arrayBytes)));
    const std::uint32_t size = h.u32(12);
    if (size >= 20 && size <= 512) {
        put32(b, 512 + 16, 0);
        put32(b, 512 + 16, volume::Crc32(disk::ByteView(b.data() + 512, size)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    std::vector<unsigned char> bytes(data, data + size);
    bytes.resize(std::max<std::size_t>((bytes.size() + 511) / 512 * 512, 2 * 512));
    bytes[0x1BE + 4] = 0xEE;
    bytes[0x1FE] = 0x55;
    bytes[0x1FF] = 0xAA;
    if (data[0] & 1)
        seal(bytes);
    test::MemorySource source(std::move(bytes));

    model::TreeModel tree;
    tree.insert(model::kNoItem, "Disk 0", 0, 0);
    volume::DiskPartitionRecord record;
    model::TreeItem first = model::kNoItem;
    volume::PartitionListingTarget target{record, tree, first};
    volume::ReadDiskStart(source, target);
    if (record.count > static_cast<std::uint32_t>(volume::kListedPartitions))
        __builtin_trap();
    for (std::uint32_t k = 1; k <= record.count; ++k)
        if (volume::SlotEnd(record.slots[k]) <= volume::SlotStart(record.slots[k]) ||
            volume::SlotEnd(record.slots[k]) > source.sectorCount())
            __builtin_trap();
    volume::PartitionTableDetailLines(source);
    return 0;
}
