// Every row of the formats table over arbitrary bytes: its header test, its length finder
// (or its parent's with its validator), the validators of the Zip and ISO-BMFF kinds
// and the classification of a measured file. A length never runs behind the bytes there
// are; nothing crashes or hangs.
#include "raw/MediaFormats.h"
#include "support/MemoryReader.h"

#include <cstdint>

using namespace qr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const raw::FileBytesReader read = test::ReaderOf(data, size);
    raw::RawKindSet every;
    every.fill(true);
    for (std::size_t k = 0; k < raw::kRawKinds; ++k) {
        const auto kind = static_cast<raw::RawKind>(k);
        const raw::RawKindInfo& row = raw::RawKindTable[k];
        if (row.header && size >= 24)
            (void)row.header(data, size);
        if (row.validate)
            (void)row.validate(read, size);
        if (!raw::IsMediaKind(kind))
            continue;
        const auto length = raw::MediaFileLength(kind, read, size);
        if (length && length->bytes > size)
            __builtin_trap();
        if (length && row.length)
            (void)raw::ClassifyFile(kind, every, read, length->bytes);
    }
    (void)raw::ClassifyFile(raw::RawKind::Zip, every, read, size);
    return 0;
}
