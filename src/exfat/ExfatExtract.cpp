#include "exfat/ExfatExtract.h"

#include "exfat/StreamClusters.h"
#include "volume/RunWriter.h"

#include <algorithm>
#include <vector>

namespace qr::exfat {

volume::ExtractReport ExtractExfatFile(disk::SectorSource& source, const Geometry& geometry,
                                       FatTable& fat, const FileRef& file, volume::FileSink& sink) {
    if (file.dataLength == 0)
        return {};
    return WriteExfatStream(
        source, geometry,
        PlaceStream(fat, geometry,
                    {file.firstCluster, file.dataLength, file.noFatChain, file.deleted}),
        file, sink);
}

volume::ExtractReport WriteExfatStream(disk::SectorSource& source, const Geometry& geometry,
                                       const StreamPlace& place, const FileRef& file,
                                       volume::FileSink& sink) {
    volume::ExtractReport report;
    if (file.dataLength == 0)
        return report;
    if (place.noData) {
        report.end = volume::ExtractEnd::NoData;
        report.why = "the first cluster lies outside the cluster heap";
        report.uncertain = place.guessed;
        return report;
    }
    const std::uint64_t valid = std::min(file.validLength, file.dataLength);
    const std::uint64_t placed = place.clusters * geometry.clusterBytes();
    const std::uint64_t readable = std::min(valid, placed);
    // Past the valid data length a file reads as zeros: the writer is told so, and only
    // the clusters up to it are read.
    volume::RunWriter writer(source, sink, file.dataLength, valid);
    writer.report().uncertain = place.guessed;
    std::uint64_t due = readable;
    for (const ClusterRun& run : place.runs) {
        if (due == 0)
            break;
        const std::uint64_t bytes =
            std::min<std::uint64_t>(std::uint64_t{run.count} * geometry.clusterBytes(), due);
        if (!writer.sectors(geometry.clusterSector(run.first), (bytes + 511) / 512))
            return writer.finish();
        due -= bytes;
    }
    if (writer.written() < valid) {
        writer.end(volume::ExtractEnd::Truncated,
                   "the clusters ran out before the valid data length");
        return writer.finish();
    }
    writer.zeros(file.dataLength - writer.written());
    return writer.finish();
}

} // namespace qr::exfat
