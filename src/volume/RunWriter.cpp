#include "volume/RunWriter.h"

#include "disk/UnreadableSectors.h"

#include <algorithm>

namespace qr::volume {

namespace {

constexpr std::uint32_t kBatchSectors = 2048; // 1 MiB of 512-byte sectors per read

} // namespace

bool MediumGone(disk::SectorSource& source) {
    unsigned char sector[disk::kSectorBytes];
    return source.readSectors(0, 1, sector) == disk::ReadStatus::NoMedium;
}

RunWriter::RunWriter(disk::SectorSource& source, FileSink& sink, std::uint64_t size,
                     std::uint64_t initialized)
    : source_(source), sink_(sink), size_(size), initialized_(std::min(initialized, size)) {}

bool RunWriter::interrupted() {
    if (ended())
        return true;
    if (sink_.interrupted()) {
        end(ExtractEnd::Interrupted, "interrupted");
        return true;
    }
    return false;
}

void RunWriter::end(ExtractEnd how, std::string why) {
    if (report_.end == ExtractEnd::Complete) {
        report_.end = how;
        report_.why = std::move(why);
    }
}

void RunWriter::mediumLost(std::uint64_t sector) {
    report_.lostAtSector = sector;
    end(ExtractEnd::MediumLost, "the medium stopped answering at sector " + std::to_string(sector));
}

bool RunWriter::store(const unsigned char* bytes, std::uint64_t length) {
    if (!sink_.write(disk::ByteView(bytes, static_cast<std::size_t>(length)))) {
        end(ExtractEnd::SinkFailed, "the output could not be written");
        return false;
    }
    report_.bytesWritten += length;
    return true;
}

bool RunWriter::put(const unsigned char* bytes, std::uint64_t length) {
    length = std::min(length, left());
    // Bytes past the initialized size read as zeros, whatever the runs hold.
    const std::uint64_t at = report_.bytesWritten;
    const std::uint64_t valid = at < initialized_ ? std::min(length, initialized_ - at) : 0;
    if (valid > 0 && !store(bytes, valid))
        return false;
    return zeros(length - valid);
}

bool RunWriter::zeros(std::uint64_t length) {
    static const std::vector<unsigned char> kZeros(64 * 1024, 0);
    length = std::min(length, left());
    while (length > 0 && !ended()) {
        const std::uint64_t n = std::min<std::uint64_t>(length, kZeros.size());
        if (!store(kZeros.data(), n))
            return false;
        length -= n;
    }
    return !ended();
}

bool RunWriter::bytes(disk::ByteView bytes) {
    if (ended())
        return false;
    return put(bytes.data(), bytes.size());
}

bool RunWriter::read(std::uint64_t first, std::uint32_t count, unsigned char* buffer) {
    if (interrupted())
        return false;
    if (source_.readSectors(first, count, buffer) == disk::ReadStatus::NoMedium) {
        mediumLost(first);
        return false;
    }
    return true;
}

bool RunWriter::sectors(std::uint64_t first, std::uint64_t count) {
    // Sized to the file, so a save of many small files does not clear a whole batch for
    // each one.
    if (buffer_.empty() && count > 0 && !done()) {
        const std::uint64_t fileSectors = (size_ + disk::kSectorBytes - 1) / disk::kSectorBytes;
        buffer_.resize(std::size_t{std::min<std::uint64_t>(kBatchSectors, fileSectors)} *
                       disk::kSectorBytes);
    }
    while (count > 0 && !done()) {
        if (interrupted())
            return false;
        const std::uint64_t dueSectors = (left() + disk::kSectorBytes - 1) / disk::kSectorBytes;
        const auto take =
            static_cast<std::uint32_t>(std::min<std::uint64_t>({count, kBatchSectors, dueSectors}));
        const std::uint64_t bytes =
            std::min<std::uint64_t>(std::uint64_t{take} * disk::kSectorBytes, left());
        const disk::ReadStatus status = source_.readSectors(first, take, buffer_.data());
        if (status == disk::ReadStatus::NoMedium) {
            mediumLost(first);
            return false;
        }
        // A failed read leaves zeros where nothing could be read, never old data; only
        // the sectors that fail alone are told as unreadable.
        if (status == disk::ReadStatus::Partial) {
            const std::uint64_t offset = report_.bytesWritten;
            disk::ForEachUnreadableRun(source_, first, take, bytes,
                                       [&](std::uint64_t at, std::uint64_t length) {
                                           if (offset + at >= size_)
                                               return;
                                           length = std::min(length, size_ - offset - at);
                                           report_.unreadableBytes += length;
                                           sink_.unreadable(offset + at, length);
                                       });
        }
        fromMedium_ += bytes;
        if (!put(buffer_.data(), bytes))
            return false;
        first += take;
        count -= take;
    }
    return !ended();
}

ExtractReport RunWriter::finish() {
    // Whole or cut short, a file of which the medium gave nothing is not a file.
    const bool nothingRead = fromMedium_ > 0 && report_.unreadableBytes >= fromMedium_;
    if (nothingRead &&
        (report_.end == ExtractEnd::Complete || report_.end == ExtractEnd::Truncated)) {
        report_.end = ExtractEnd::Unreadable;
        report_.why = "the file could not be read from the medium at all";
    }
    return report_;
}

} // namespace qr::volume
