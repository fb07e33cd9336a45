// A whole Standard search and save of a mutated volume image: validation, the layout
// reconstruction, the directory scan (or the MFT walk), the tree, the file list, the
// counting pass and every file's extraction into a sink that keeps nothing. The input
// is the volume from its boot sector on; its boot sector chooses FAT16, FAT32, NTFS or
// exFAT.
// Seeds: fuzz/campaign.sh makes them with the test-media kit.
#include "support/SearchAndSave.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Larger inputs only slow the campaign; the largest seed, a FAT32 volume of 34 MiB
    // (the smallest that mkfs.fat makes with one sector per cluster), fits.
    if (size < 512 || size > (36u << 20))
        return 0;
    qr::test::SearchAndSave(data, size, qr::test::KindOfBootSector(data, size), 500, 256 << 10);
    return 0;
}
