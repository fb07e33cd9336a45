#include "ntfs/NtfsExtract.h"

#include "ntfs/Attribute.h"
#include "ntfs/ClusterRead.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/Lznt1.h"

#include <algorithm>
#include <vector>

namespace qr::ntfs {

namespace {

// Clusters read at once (at most 1 MiB with 4 KiB clusters).
constexpr std::uint64_t kBatchClusters = 256;
// Compression units above 2^8 clusters are not made by any driver.
constexpr std::uint16_t kMaxCompressionUnit = 8;
using volume::ExtractEnd;

// The file's bytes in order into the sink, cut at the size, with the report kept.
class Writer {
public:
    Writer(volume::FileSink& sink, std::uint64_t size, std::uint64_t initialized)
        : sink_(sink), size_(size), initialized_(std::min(initialized, size)) {}

    std::uint64_t written() const { return report.bytesWritten; }
    bool done() const { return report.bytesWritten >= size_; }
    std::uint64_t left() const { return size_ - report.bytesWritten; }

    // False when the file has ended (size reached, sink failed or interrupted).
    bool interrupted() {
        if (sink_.interrupted()) {
            end(ExtractEnd::Interrupted, "interrupted");
            return true;
        }
        return false;
    }
    bool put(const unsigned char* bytes, std::uint64_t length) {
        length = std::min(length, left());
        // Bytes past the initialized size read as zeros, whatever the clusters hold.
        const std::uint64_t at = report.bytesWritten;
        const std::uint64_t valid = at < initialized_ ? std::min(length, initialized_ - at) : 0;
        if (valid > 0 && !store(bytes, valid))
            return false;
        return zeros(length - valid);
    }
    bool zeros(std::uint64_t length) {
        length = std::min(length, left());
        static const std::vector<unsigned char> kZeros(64 * 1024, 0);
        while (length > 0) {
            const std::uint64_t n = std::min<std::uint64_t>(length, kZeros.size());
            if (!store(kZeros.data(), n))
                return false;
            length -= n;
        }
        return true;
    }
    void unreadable(std::uint64_t offset, std::uint64_t length) {
        if (offset >= size_)
            return;
        length = std::min(length, size_ - offset);
        sink_.unreadable(offset, length);
        report.unreadableBytes += length;
    }
    void end(ExtractEnd how, const char* why) {
        if (report.end == ExtractEnd::Complete) {
            report.end = how;
            report.why = why;
        }
    }
    bool ended() const { return report.end != ExtractEnd::Complete; }

    volume::ExtractReport report;

private:
    bool store(const unsigned char* bytes, std::uint64_t length) {
        if (!sink_.write(disk::ByteView(bytes, length))) {
            end(ExtractEnd::SinkFailed, "the output could not be written");
            return false;
        }
        report.bytesWritten += length;
        return true;
    }

    volume::FileSink& sink_;
    std::uint64_t size_;
    std::uint64_t initialized_;
};

// Reads clusters and tells the writer which of their bytes the medium would not give.
class ClusterReader {
public:
    ClusterReader(disk::SectorSource& source, const NtfsGeometry& geometry)
        : source_(source), geometry_(geometry), medium_(source.sectorCount()),
          clusterBytes_(std::uint64_t{geometry.sectorsPerCluster} * disk::kSectorBytes) {}

    std::uint64_t clusterBytes() const { return clusterBytes_; }

    // Reads `count` clusters into `buffer`; returns the leading clusters that lie on
    // the volume and the medium. Unreadable sectors are found one by one and given to
    // the writer at `fileOffset` + their place.
    std::uint64_t read(std::uint64_t cluster, std::uint64_t count,
                       std::vector<unsigned char>& buffer, Writer* writer,
                       std::uint64_t fileOffset) {
        buffer.resize(count * clusterBytes_);
        const ClusterRead got =
            ReadClusters(source_, geometry_, medium_, cluster, count, buffer.data());
        if (got.unreadable && writer != nullptr)
            findUnreadable(cluster, got.inside, *writer, fileOffset);
        return got.inside;
    }

private:
    void findUnreadable(std::uint64_t cluster, std::uint64_t count, Writer& writer,
                        std::uint64_t fileOffset) {
        const std::uint64_t first = geometry_.volumeStart + cluster * geometry_.sectorsPerCluster;
        unsigned char sector[disk::kSectorBytes];
        for (std::uint64_t i = 0; i < count * geometry_.sectorsPerCluster; ++i)
            if (source_.readSectors(first + i, 1, sector) != disk::ReadStatus::Complete)
                writer.unreadable(fileOffset + i * disk::kSectorBytes, disk::kSectorBytes);
    }

    disk::SectorSource& source_;
    const NtfsGeometry& geometry_;
    std::uint64_t medium_;
    std::uint64_t clusterBytes_;
};

// The run holding `vcn`, or nullptr (a gap in the runs); `index` moves forward only.
const DataRun* runAt(const std::vector<DataRun>& runs, std::size_t& index, std::uint64_t vcn) {
    while (index < runs.size() && runs[index].vcn + runs[index].length <= vcn)
        ++index;
    if (index < runs.size() && runs[index].vcn <= vcn)
        return &runs[index];
    return nullptr;
}

// Plain (and encrypted) data: the clusters in VCN order.
void writePlain(const DataAttribute& data, ClusterReader& reader, Writer& writer) {
    const std::uint64_t clusterBytes = reader.clusterBytes();
    std::vector<unsigned char> buffer;
    std::size_t index = 0;
    std::uint64_t vcn = 0;
    while (!writer.done() && !writer.ended()) {
        const DataRun* run = runAt(data.runs, index, vcn);
        if (run == nullptr) {
            writer.end(ExtractEnd::Truncated, "the runs end before the size");
            return;
        }
        const std::uint64_t wanted = (writer.left() + clusterBytes - 1) / clusterBytes;
        const std::uint64_t count =
            std::min({run->vcn + run->length - vcn, kBatchClusters, wanted});
        if (run->sparse()) {
            writer.zeros(count * clusterBytes);
        } else {
            if (writer.interrupted())
                return;
            const std::uint64_t cluster =
                static_cast<std::uint64_t>(run->cluster) + (vcn - run->vcn);
            const std::uint64_t inside =
                reader.read(cluster, count, buffer, &writer, writer.written());
            writer.put(buffer.data(), inside * clusterBytes);
            if (inside < count) {
                writer.end(ExtractEnd::Truncated, "a run lies outside the volume or the medium");
                return;
            }
        }
        vcn += count;
    }
}

// Compressed data: each compression unit is stored whole (all its clusters
// allocated), left out (all sparse) or compressed into its first clusters.
void writeCompressed(const DataAttribute& data, ClusterReader& reader, Writer& writer) {
    const std::uint64_t clusterBytes = reader.clusterBytes();
    const std::uint64_t unitClusters = std::uint64_t{1} << data.compressionUnit;
    std::vector<unsigned char> stored;
    std::vector<unsigned char> unit(unitClusters * clusterBytes);
    std::vector<unsigned char> buffer;
    std::size_t index = 0;
    for (std::uint64_t first = 0; !writer.done() && !writer.ended(); first += unitClusters) {
        stored.clear();
        std::uint64_t allocated = 0;
        bool sparseSeen = false;
        for (std::uint64_t vcn = first; vcn < first + unitClusters;) {
            const DataRun* run = runAt(data.runs, index, vcn);
            if (run == nullptr)
                break;
            const std::uint64_t count =
                std::min(run->vcn + run->length, first + unitClusters) - vcn;
            if (run->sparse()) {
                sparseSeen = true;
            } else if (!sparseSeen) {
                if (writer.interrupted())
                    return;
                const std::uint64_t cluster =
                    static_cast<std::uint64_t>(run->cluster) + (vcn - run->vcn);
                const std::uint64_t inside = reader.read(cluster, count, buffer, nullptr, 0);
                stored.insert(stored.end(), buffer.begin(),
                              buffer.begin() + static_cast<std::ptrdiff_t>(inside * clusterBytes));
                allocated += count;
                if (inside < count) {
                    writer.end(ExtractEnd::Truncated,
                               "a run lies outside the volume or the medium");
                    return;
                }
            }
            vcn += count;
        }
        if (allocated == 0 && !sparseSeen) {
            writer.end(ExtractEnd::Truncated, "the runs end before the size");
            return;
        }
        if (allocated == unitClusters || !sparseSeen) {
            writer.put(stored.data(), stored.size());
            if (allocated < unitClusters && !writer.done())
                writer.end(ExtractEnd::Truncated, "the runs end before the size");
        } else if (allocated == 0) {
            writer.zeros(unit.size());
        } else {
            std::fill(unit.begin(), unit.end(), 0);
            const Lznt1Result result =
                DecompressLznt1(disk::ByteView(stored.data(), stored.size()), unit);
            if (result.damaged) {
                writer.report.notDecoded = true;
                writer.report.why = "a compression unit is damaged";
            }
            writer.put(unit.data(), unit.size());
        }
    }
}

// The data attribute of the file's record, read by number when the MFT's runs place
// the record where the row says, else at the row's sector. `why` is set when there
// is none.
DataAttribute readDataAttribute(disk::SectorSource& source, const NtfsGeometry& geometry,
                                const MftRunList& mftRuns, const NtfsFileRef& file,
                                const char*& why) {
    RecordBytes record{};
    const std::uint64_t sector = geometry.wholeSector(file.sector);
    const bool byNumber = mftRuns.recordToSector(file.record) == sector;
    const bool read = byNumber ? ReadMftRecord(source, geometry, mftRuns, file.record, record)
                               : ReadRecordAt(source, geometry, sector, record);
    if (!read) {
        why = "the file's record is not a file record";
        return {};
    }
    // A caller that knows only the sector: NTFS 3.1 records carry their own number.
    const std::uint32_t number =
        file.record != 0 ? file.record : disk::ByteView(record.data(), record.size()).u32(0x2C);
    DataAttribute data = GatherDataAttribute(source, geometry, mftRuns, number,
                                             disk::ByteView(record.data(), record.size()));
    if (!data.found)
        why = "the file has no data attribute";
    return data;
}

// Rows of older logs give the low 32 bits of the size and a recovery log clips a
// larger one to 0xFFFFFFFF: such a file keeps its real size.
std::uint64_t wholeSize(std::uint64_t listed, const DataAttribute& data) {
    if (data.realSize > listed &&
        ((data.realSize & 0xFFFFFFFFu) == listed || listed == kClippedListedSize))
        return data.realSize;
    return listed;
}

} // namespace

std::uint64_t NtfsWholeSize(disk::SectorSource& source, const NtfsGeometry& geometry,
                            const MftRunList& mftRuns, const NtfsFileRef& file) {
    const char* why = nullptr;
    const DataAttribute data = readDataAttribute(source, geometry, mftRuns, file, why);
    return why ? file.size : wholeSize(file.size, data);
}

volume::ExtractReport ExtractNtfsFile(disk::SectorSource& source, const NtfsGeometry& geometry,
                                      const MftRunList& mftRuns, const NtfsFileRef& file,
                                      volume::FileSink& sink) {
    volume::ExtractReport noData;
    noData.end = ExtractEnd::NoData;
    if (sink.interrupted()) {
        noData.end = ExtractEnd::Interrupted;
        return noData;
    }
    const char* why = nullptr;
    const DataAttribute data = readDataAttribute(source, geometry, mftRuns, file, why);
    if (why) {
        noData.why = why;
        return noData;
    }
    const std::uint64_t size = wholeSize(file.size, data);
    if (data.resident) {
        Writer writer(sink, size, size);
        writer.put(data.value.data(), data.value.size());
        if (!writer.ended() && !writer.done())
            writer.end(ExtractEnd::Truncated, "the value is shorter than the size");
        return writer.report;
    }
    if (geometry.sectorsPerCluster == 0) {
        noData.why = "the volume has no cluster size";
        return noData;
    }
    Writer writer(sink, size, data.initializedSize);
    ClusterReader reader(source, geometry);
    const bool compressed = (data.flags & kCompressed) != 0 && data.compressionUnit != 0 &&
                            data.compressionUnit <= kMaxCompressionUnit;
    if ((data.flags & kEncrypted) != 0) {
        writer.report.notDecoded = true;
        writer.report.why = "the file is encrypted; it is saved as stored";
    }
    if (compressed && (data.flags & kEncrypted) == 0)
        writeCompressed(data, reader, writer);
    else
        writePlain(data, reader, writer);
    if (data.extentsMissing && writer.report.end == ExtractEnd::Truncated)
        writer.report.why = "an extension record of the file could not be read";
    return writer.report;
}

} // namespace qr::ntfs
