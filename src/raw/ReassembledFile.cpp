#include "raw/ReassembledFile.h"

#include "raw/JpegReassembly.h"

namespace qr::raw {

std::optional<ReassembledWrite> WriteReassembledJpeg(const CarveTarget& target, std::uint64_t start,
                                                     std::uint64_t number, CarvedFile& file) {
    if (!target.kinds[static_cast<std::size_t>(RawKind::Jpeg)])
        return std::nullopt;
    const auto fragments =
        ReassembleJpeg(target.source, start, target.rangeEnd, target.stepSectors);
    if (!fragments)
        return std::nullopt;
    file = {};
    file.kind = RawKind::Jpeg;
    file.number = number;
    file.startSector = start;
    file.bytes = fragments->firstBytes + fragments->secondBytes;
    file.ownLength = true;
    file.reassembled = true;
    // The name from the first fragment, which holds the picture's header.
    file.name = NameCarvedFile(target, file, ".JPG", fragments->firstBytes);
    ReassembledWrite write;
    write.firstSectors = (fragments->firstBytes + disk::kSectorBytes - 1) / disk::kSectorBytes;
    write.result = CopyCarvedPieces(
        target, {{start, fragments->firstBytes}, {fragments->secondSector, fragments->secondBytes}},
        file);
    return write;
}

} // namespace qr::raw
