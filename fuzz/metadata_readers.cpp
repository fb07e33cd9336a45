// The readers behind names by metadata over arbitrary bytes: a HEIF picture's Exif item,
// one Zip entry stored or deflated, and the photo dates and document titles of every
// kind. A TIFF range never lies outside the bytes, an entry is never longer than asked,
// and nothing crashes or hangs.
#include "raw/FileMetadata.h"
#include "raw/HeifExif.h"
#include "raw/ZipMember.h"
#include "support/MemoryReader.h"

#include <cstdint>

using namespace qr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const raw::FileBytesReader read = test::ReaderOf(data, size);
    if (const auto tiff = raw::HeifExifTiff(read, size))
        if (tiff->first >= tiff->second || tiff->second > size)
            __builtin_trap();
    constexpr std::size_t kAsked = 4096;
    for (const char* part : {"docProps/core.xml", "meta.xml"})
        if (const auto bytes = raw::ZipMemberBytes(read, size, part, kAsked))
            if (bytes->size() > kAsked)
                __builtin_trap();
    for (std::size_t k = 0; k < raw::kRawKinds; ++k) {
        const auto kind = static_cast<raw::RawKind>(k);
        (void)raw::PhotoTakenAt(kind, read, size);
        (void)raw::DocumentTitle(kind, read, size);
    }
    return 0;
}
