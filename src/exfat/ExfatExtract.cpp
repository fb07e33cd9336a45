#include "exfat/ExfatExtract.h"

#include "disk/UnreadableSectors.h"
#include "exfat/StreamClusters.h"

#include <algorithm>
#include <vector>

namespace qr::exfat {

namespace {

constexpr std::uint64_t kChunkSectors = 2048; // 1 MiB per read

bool writeZeros(volume::FileSink& sink, std::uint64_t length, volume::ExtractReport& report) {
    static const std::vector<unsigned char> zeros(kChunkSectors * 512, 0);
    while (length > 0) {
        if (sink.interrupted()) {
            report.end = volume::ExtractEnd::Interrupted;
            return false;
        }
        const std::uint64_t part = std::min<std::uint64_t>(length, zeros.size());
        if (!sink.write({zeros.data(), static_cast<std::size_t>(part)})) {
            report.end = volume::ExtractEnd::SinkFailed;
            return false;
        }
        report.bytesWritten += part;
        length -= part;
    }
    return true;
}

} // namespace

volume::ExtractReport ExtractExfatFile(disk::SectorSource& source, const Geometry& geometry,
                                       FatTable& fat, const FileRef& file, volume::FileSink& sink) {
    volume::ExtractReport report;
    if (file.dataLength == 0)
        return report;
    const StreamPlace place = PlaceStream(
        fat, geometry, {file.firstCluster, file.dataLength, file.noFatChain, file.deleted});
    report.uncertain = place.guessed;
    if (place.noData) {
        report.end = volume::ExtractEnd::NoData;
        report.why = "the first cluster lies outside the cluster heap";
        return report;
    }
    const std::uint64_t valid = std::min(file.validLength, file.dataLength);
    const std::uint64_t placed = place.clusters * geometry.clusterBytes();
    const std::uint64_t readable = std::min(valid, placed);
    std::vector<unsigned char> buffer(kChunkSectors * 512);
    std::uint64_t at = 0;
    for (const ClusterRun& run : place.runs) {
        std::uint64_t sector = geometry.clusterSector(run.first);
        std::uint64_t left = std::min<std::uint64_t>(
            std::uint64_t{run.count} * geometry.clusterBytes(), readable - at);
        while (left > 0) {
            if (sink.interrupted()) {
                report.end = volume::ExtractEnd::Interrupted;
                return report;
            }
            const std::uint64_t bytes = std::min<std::uint64_t>(left, buffer.size());
            const auto sectors = static_cast<std::uint32_t>((bytes + 511) / 512);
            const disk::ReadStatus status = source.readSectors(sector, sectors, buffer.data());
            if (status == disk::ReadStatus::NoMedium) {
                report.end = volume::ExtractEnd::Truncated;
                report.why = "the medium stopped answering";
                return report;
            }
            if (status == disk::ReadStatus::Partial)
                disk::ForEachUnreadableRun(source, sector, sectors, bytes,
                                           [&](std::uint64_t offset, std::uint64_t length) {
                                               sink.unreadable(at + offset, length);
                                               report.unreadableBytes += length;
                                           });
            if (!sink.write({buffer.data(), static_cast<std::size_t>(bytes)})) {
                report.end = volume::ExtractEnd::SinkFailed;
                return report;
            }
            report.bytesWritten += bytes;
            at += bytes;
            left -= bytes;
            sector += sectors;
        }
        if (at >= readable)
            break;
    }
    if (at < valid) {
        report.end = volume::ExtractEnd::Truncated;
        report.why = "the clusters ran out before the valid data length";
        return report;
    }
    // Past the valid data length a file reads as zeros.
    writeZeros(sink, file.dataLength - valid, report);
    return report;
}

} // namespace qr::exfat
