#include "raw/CarvedFile.h"

#include "raw/CompoundDocument.h"
#include "raw/ZipRecords.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint64_t kSector = disk::kSectorBytes;
constexpr std::uint64_t kChunkSectors = 20;
constexpr std::uint64_t kDocumentCut = 5242880;
constexpr std::uint32_t kCopySectors = 2048; // 1 MiB per read

// Reads the file's bytes [offset, offset + length) from the medium, never behind
// `limit` bytes from its start.
class FileBytes {
public:
    FileBytes(disk::SectorSource& source, std::uint64_t start, std::uint64_t limit)
        : source_(source), start_(start), limit_(limit) {}

    bool operator()(std::uint64_t offset, std::uint32_t length, unsigned char* out) {
        if (offset > limit_ || length > limit_ - offset)
            return false;
        const std::uint64_t first = offset / kSector;
        const std::uint64_t last = (offset + length + kSector - 1) / kSector;
        const auto count = static_cast<std::uint32_t>(last - first);
        buffer_.resize(std::size_t{count} * kSector);
        if (source_.readSectors(start_ + first, count, buffer_.data()) ==
            disk::ReadStatus::NoMedium)
            return false;
        std::memcpy(out, buffer_.data() + (offset - first * kSector), length);
        return true;
    }

private:
    disk::SectorSource& source_;
    std::uint64_t start_;
    std::uint64_t limit_;
    std::vector<unsigned char> buffer_;
};

} // namespace

std::string NameCarvedFile(const CarveTarget& target, const CarvedFile& file,
                           std::string_view extension, std::uint64_t contiguousBytes) {
    if (!target.names)
        return CarvedFileName(file.kind, file.number, extension);
    FileBytes bytes(target.source, file.startSector, std::min(file.bytes, contiguousBytes));
    return target.names->name(file.kind, file.number, extension, std::ref(bytes), file.bytes);
}

RawKind CheckDocumentKind(disk::SectorSource& source, int entry, std::uint64_t start,
                          std::uint64_t rangeEnd) {
    const RawKind kind = RawSignatureTable[static_cast<std::size_t>(entry)].kind;
    if (!IsDocumentEntry(entry) || start >= rangeEnd)
        return kind;
    std::vector<unsigned char> head(kDocumentCheckBytes, 0);
    const std::uint64_t sectors =
        std::min<std::uint64_t>(kDocumentCheckBytes / kSector, rangeEnd - start);
    source.readSectors(start, static_cast<std::uint32_t>(sectors), head.data());
    const disk::ByteView view(head.data(), head.size());
    for (const DocumentCheck& check : DocumentCheckTable)
        if (view.matches(check.offset, check.marker))
            return check.kind;
    return kind;
}

std::uint64_t ChunkRuleLength(std::uint64_t start, std::uint64_t end, bool document) {
    if (end < start)
        return 0;
    const std::uint64_t span = end - start;
    if (span <= kChunkSectors)
        return kChunkSectors * kSector;
    const std::uint64_t full = span / kChunkSectors;
    const std::uint64_t rest = span % kChunkSectors;
    const std::uint64_t last = rest ? rest : kChunkSectors;
    const std::uint64_t chunkBytes = kChunkSectors * kSector;
    if (document) {
        // The copy ends once more than 5,242,880 bytes have been written.
        const std::uint64_t cutAfter = kDocumentCut / chunkBytes + 1;
        if (full >= cutAfter)
            return cutAfter * chunkBytes;
        std::uint64_t bytes = full * chunkBytes;
        if (rest) {
            bytes += rest * kSector;
            if (bytes > kDocumentCut)
                return bytes;
        }
        return bytes + last * kSector;
    }
    return (span + last) * kSector;
}

CarveResult WriteCarvedFile(const CarveTarget& target, const FileDecision& decision,
                            CarvedFile& file) {
    file = {};
    file.number = decision.number;
    file.startSector = decision.start;
    if (!decision.end || decision.end->sector < decision.start || decision.start >= target.rangeEnd)
        return CarveResult::Dropped;
    const FileEnd& end = *decision.end;
    const int entry = end.entry;
    file.kind = CheckDocumentKind(target.source, entry, decision.start, target.rangeEnd);
    file.name = CarvedFileName(file.kind, file.number);
    if (!RowWanted(file.kind, target.kinds))
        return CarveResult::NotTicked;

    // The length: the format's own where it can be read, else the chunk rule.
    const std::uint64_t limit = (target.rangeEnd - decision.start) * kSector;
    FileBytes bytes(target.source, decision.start, limit);
    const FileBytesReader read = std::ref(bytes);
    std::optional<std::uint64_t> own;
    if (decision.headerEntry == kZipEntry) {
        if (end.markerOffset)
            own = ZipArchiveLength(read, *end.markerOffset - decision.start * kSector, limit);
    } else if (decision.headerEntry != kExcel5Entry) {
        own = CompoundDocumentLength(read, limit);
    }
    file.ownLength = own.has_value();
    file.bytes = own ? *own
                     : std::min(limit, ChunkRuleLength(decision.start, end.sector,
                                                       IsDocumentEntry(decision.headerEntry)));
    // An archive of a known length may be an Office Open or OpenDocument file.
    const auto kind = own ? ClassifyFile(file.kind, target.kinds, read, file.bytes)
                          : ClassifiedFile{file.kind, {}};
    if (!kind || !target.kinds[static_cast<std::size_t>(kind->kind)])
        return CarveResult::NotTicked;
    file.kind = kind->kind;
    file.name = NameCarvedFile(target, file, kind->extension);

    return CopyCarvedFile(target, decision.start, file);
}

CarveResult CopyCarvedFile(const CarveTarget& target, std::uint64_t start, const CarvedFile& file) {
    return CopyCarvedPieces(target, {{start, file.bytes}}, file);
}

CarveResult CopyCarvedPieces(const CarveTarget& target, const std::vector<CarvedPiece>& pieces,
                             const CarvedFile& file) {
    if (!target.output.create(file.name))
        return CarveResult::CannotCreate;
    const std::uint64_t fileSectors = (file.bytes + kSector - 1) / kSector;
    std::vector<unsigned char> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(kCopySectors, fileSectors) * kSector));
    std::uint64_t written = 0;
    for (const CarvedPiece& piece : pieces) {
        const std::uint64_t bytes = std::min(piece.bytes, file.bytes - written);
        for (std::uint64_t done = 0; done < bytes;) {
            if (target.stop.stop_requested()) {
                target.output.discard();
                return CarveResult::Stopped;
            }
            const std::uint64_t want = std::min<std::uint64_t>(buffer.size(), bytes - done);
            const auto sectors = static_cast<std::uint32_t>((want + kSector - 1) / kSector);
            if (target.source.readSectors(piece.sector + done / kSector, sectors, buffer.data()) ==
                disk::ReadStatus::NoMedium) {
                target.output.discard();
                return CarveResult::MediumLost;
            }
            if (!target.output.write(
                    disk::ByteView(buffer.data(), static_cast<std::size_t>(want)))) {
                target.output.abandon();
                return CarveResult::WriteFailed;
            }
            done += want;
        }
        written += bytes;
    }
    if (!target.output.finish())
        return CarveResult::WriteFailed;
    return CarveResult::Written;
}

std::optional<MeasuredFile> MeasureMediaFile(const CarveTarget& target, RawKind row,
                                             std::uint64_t start) {
    if (start >= target.rangeEnd)
        return std::nullopt;
    const std::uint64_t limit = (target.rangeEnd - start) * kSector;
    FileBytes bytes(target.source, start, limit);
    const FileBytesReader read = std::ref(bytes);
    const auto length = InfoOf(row).length(read, limit);
    if (!length || length->bytes == 0)
        return std::nullopt;
    const auto kind = ClassifyFile(row, target.kinds, read, length->bytes);
    if (!kind)
        return std::nullopt;
    return MeasuredFile{
        kind->kind, {length->bytes, kind->extension.empty() ? length->extension : kind->extension}};
}

CarveResult WriteMediaFile(const CarveTarget& target, const MeasuredFile& measured,
                           std::uint64_t start, std::uint64_t number, CarvedFile& file) {
    file = {};
    file.kind = measured.kind;
    file.number = number;
    file.startSector = start;
    file.bytes = measured.length.bytes;
    file.ownLength = true;
    if (!target.kinds[static_cast<std::size_t>(measured.kind)]) {
        file.name = CarvedFileName(measured.kind, number, measured.length.extension);
        return CarveResult::NotTicked;
    }
    file.name = NameCarvedFile(target, file, measured.length.extension);
    return CopyCarvedFile(target, start, file);
}

} // namespace qr::raw
