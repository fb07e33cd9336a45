#include "raw/ReassembledFile.h"

#include "raw/JpegReassembly.h"
#include "raw/Mp4Reassembly.h"

#include <cstring>

namespace qr::raw {

namespace {

constexpr std::uint64_t kSector = disk::kSectorBytes;

// The two fragments of the file whose header stands at `start`, with the name from the
// first, which holds that header.
template <typename Fragments>
ReassembledWrite writeFragments(const CarveTarget& target, std::uint64_t start,
                                const Fragments& fragments, std::string_view extension,
                                RawKind kind, CarvedFile& file) {
    const CarvedPiece first{start, fragments.firstBytes};
    const CarvedPiece second{fragments.secondSector, fragments.secondBytes};
    file.kind = kind;
    file.startSector = start;
    file.bytes = first.bytes + second.bytes;
    file.ownLength = true;
    file.reassembled = true;
    file.name = NameCarvedFile(target, file, extension, first.bytes);
    ReassembledWrite write;
    write.firstSectors = (first.bytes + kSector - 1) / kSector;
    write.result = CopyCarvedPieces(target, {first, second}, file);
    return write;
}

std::optional<ReassembledWrite> jpeg(const CarveTarget& target, std::uint64_t start,
                                     CarvedFile& file) {
    const auto fragments =
        ReassembleJpeg(target.source, start, target.rangeEnd, target.stepSectors);
    if (!fragments)
        return std::nullopt;
    return writeFragments(target, start, *fragments, ".JPG", RawKind::Jpeg, file);
}

// A video of the kind its brand gives: not one a refining row (a sound, a raw picture)
// takes.
std::optional<ReassembledWrite> video(const CarveTarget& target, std::uint64_t start,
                                      CarvedFile& file) {
    unsigned char head[kSector];
    if (target.source.readSectors(start, 1, head) == disk::ReadStatus::NoMedium)
        return std::nullopt;
    const FileBytesReader read = [&](std::uint64_t offset, std::uint32_t length,
                                     unsigned char* out) {
        if (offset > kSector || length > kSector - offset)
            return false;
        std::memcpy(out, head + offset, length);
        return true;
    };
    const auto kind = ClassifyFile(RawKind::Mp4, target.kinds, read, kSector);
    if (!kind || kind->kind != RawKind::Mp4)
        return std::nullopt;
    const auto fragments =
        ReassembleVideo(target.source, start, target.rangeEnd, target.stepSectors);
    if (!fragments)
        return std::nullopt;
    return writeFragments(target, start, *fragments, fragments->extension, RawKind::Mp4, file);
}

} // namespace

bool MayReassemble(RawKind row) {
    return row == RawKind::Jpeg || row == RawKind::Mp4;
}

std::optional<ReassembledWrite> WriteReassembledFile(const CarveTarget& target, RawKind row,
                                                     std::uint64_t start, std::uint64_t number,
                                                     CarvedFile& file) {
    if (!MayReassemble(row) || !target.kinds[static_cast<std::size_t>(row)])
        return std::nullopt;
    file = {};
    file.number = number;
    return row == RawKind::Jpeg ? jpeg(target, start, file) : video(target, start, file);
}

} // namespace qr::raw
