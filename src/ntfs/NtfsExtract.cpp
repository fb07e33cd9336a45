#include "ntfs/NtfsExtract.h"

#include "ntfs/Attribute.h"
#include "ntfs/ClusterRead.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/Lznt1.h"
#include "volume/RunWriter.h"

#include <algorithm>
#include <vector>

namespace qr::ntfs {

namespace {

// Compression units above 2^8 clusters are not made by any driver.
constexpr std::uint16_t kMaxCompressionUnit = 8;
using volume::ExtractEnd;
using volume::RunWriter;

// The volume's clusters as the writer's sector runs, limited to the volume and the
// medium.
class ClusterRuns {
public:
    ClusterRuns(disk::SectorSource& source, const NtfsGeometry& geometry)
        : geometry_(geometry), medium_(source.sectorCount()),
          clusterBytes_(std::uint64_t{geometry.sectorsPerCluster} * disk::kSectorBytes) {}

    std::uint64_t clusterBytes() const { return clusterBytes_; }
    std::uint64_t inside(std::uint64_t cluster, std::uint64_t count) const {
        return ClustersInside(geometry_, medium_, cluster, count);
    }
    std::uint64_t sector(std::uint64_t cluster) const {
        return geometry_.volumeStart + cluster * geometry_.sectorsPerCluster;
    }
    std::uint64_t sectors(std::uint64_t clusters) const {
        return clusters * geometry_.sectorsPerCluster;
    }

private:
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
void writePlain(const DataAttribute& data, const ClusterRuns& clusters, RunWriter& writer) {
    const std::uint64_t clusterBytes = clusters.clusterBytes();
    std::size_t index = 0;
    std::uint64_t vcn = 0;
    while (!writer.done() && !writer.ended()) {
        const DataRun* run = runAt(data.runs, index, vcn);
        if (run == nullptr) {
            writer.end(ExtractEnd::Truncated, "the runs end before the size");
            return;
        }
        const std::uint64_t wanted = (writer.left() + clusterBytes - 1) / clusterBytes;
        const std::uint64_t count = std::min(run->vcn + run->length - vcn, wanted);
        if (run->sparse()) {
            writer.zeros(count * clusterBytes);
        } else {
            const std::uint64_t cluster =
                static_cast<std::uint64_t>(run->cluster) + (vcn - run->vcn);
            const std::uint64_t inside = clusters.inside(cluster, count);
            if (!writer.sectors(clusters.sector(cluster), clusters.sectors(inside)))
                return;
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
void writeCompressed(const DataAttribute& data, const ClusterRuns& clusters, RunWriter& writer) {
    const std::uint64_t clusterBytes = clusters.clusterBytes();
    const std::uint64_t unitClusters = std::uint64_t{1} << data.compressionUnit;
    std::vector<unsigned char> stored;
    std::vector<unsigned char> unit(unitClusters * clusterBytes);
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
                const std::uint64_t cluster =
                    static_cast<std::uint64_t>(run->cluster) + (vcn - run->vcn);
                const std::uint64_t inside = clusters.inside(cluster, count);
                const std::size_t at = stored.size();
                stored.resize(at + inside * clusterBytes);
                if (inside > 0 && !writer.read(clusters.sector(cluster),
                                               static_cast<std::uint32_t>(clusters.sectors(inside)),
                                               stored.data() + at))
                    return;
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
            writer.bytes(disk::ByteView(stored.data(), stored.size()));
            if (allocated < unitClusters && !writer.done())
                writer.end(ExtractEnd::Truncated, "the runs end before the size");
        } else if (allocated == 0) {
            writer.zeros(unit.size());
        } else {
            std::fill(unit.begin(), unit.end(), 0);
            const Lznt1Result result =
                DecompressLznt1(disk::ByteView(stored.data(), stored.size()), unit);
            if (result.damaged) {
                writer.report().notDecoded = true;
                writer.report().why = "a compression unit is damaged";
            }
            writer.bytes(disk::ByteView(unit.data(), unit.size()));
        }
    }
}

// The data attribute of the file's record, read by number when the MFT's runs place
// the record where the row says, else at the row's sector. `why` is set when there
// is none.
DataAttribute readDataAttribute(disk::SectorSource& source, const NtfsGeometry& geometry,
                                const MftRunList& mftRuns, const NtfsFileRef& file,
                                const std::string& stream, const char*& why) {
    RecordBytes record{};
    const std::uint64_t sector = geometry.wholeSector(file.sector);
    const bool byNumber = mftRuns.recordToSector(file.record) == sector;
    const bool read = byNumber ? ReadMftRecord(source, geometry, mftRuns, file.record, record)
                               : ReadRecordAt(source, geometry, sector, record);
    if (!read) {
        // A record the medium would not give is told apart from one that holds no file.
        unsigned char probe[disk::kSectorBytes];
        why = source.readSectors(file.sector, 1, probe) == disk::ReadStatus::Complete
                  ? "the file's record is not a file record"
                  : "the file's record could not be read from the medium";
        return {};
    }
    // A caller that knows only the sector: NTFS 3.1 records carry their own number.
    const std::uint32_t number =
        file.record != 0 ? file.record : disk::ByteView(record.data(), record.size()).u32(0x2C);
    DataAttribute data =
        GatherDataAttribute(source, geometry, mftRuns, number,
                            disk::ByteView(record.data(), record.size()), kMaxDataExtents, stream);
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
                            const MftRunList& mftRuns, const NtfsFileRef& file,
                            const std::string& stream) {
    const char* why = nullptr;
    const DataAttribute data = readDataAttribute(source, geometry, mftRuns, file, stream, why);
    return why ? file.size : wholeSize(file.size, data);
}

volume::ExtractReport ExtractNtfsFile(disk::SectorSource& source, const NtfsGeometry& geometry,
                                      const MftRunList& mftRuns, const NtfsFileRef& file,
                                      volume::FileSink& sink, const std::string& stream) {
    volume::ExtractReport noData;
    noData.end = ExtractEnd::NoData;
    if (sink.interrupted()) {
        noData.end = ExtractEnd::Interrupted;
        return noData;
    }
    const char* why = nullptr;
    const DataAttribute data = readDataAttribute(source, geometry, mftRuns, file, stream, why);
    if (why) {
        noData.why = why;
        return noData;
    }
    const std::uint64_t size = wholeSize(file.size, data);
    if (data.resident) {
        RunWriter writer(source, sink, size);
        writer.bytes(disk::ByteView(data.value.data(), data.value.size()));
        if (!writer.ended() && !writer.done())
            writer.end(ExtractEnd::Truncated, "the value is shorter than the size");
        return writer.finish();
    }
    if (geometry.sectorsPerCluster == 0) {
        noData.why = "the volume has no cluster size";
        return noData;
    }
    RunWriter writer(source, sink, size, data.initializedSize);
    const ClusterRuns clusters(source, geometry);
    const bool compressed = (data.flags & kCompressed) != 0 && data.compressionUnit != 0 &&
                            data.compressionUnit <= kMaxCompressionUnit;
    if ((data.flags & kEncrypted) != 0) {
        writer.report().notDecoded = true;
        writer.report().why = "the file is encrypted; it is saved as stored";
    }
    if (compressed && (data.flags & kEncrypted) == 0)
        writeCompressed(data, clusters, writer);
    else
        writePlain(data, clusters, writer);
    volume::ExtractReport report = writer.finish();
    if (data.extentsMissing && report.end == ExtractEnd::Truncated)
        report.why = "an extension record of the file could not be read";
    return report;
}

} // namespace qr::ntfs
