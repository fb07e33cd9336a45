#include "raw/JpegReassembly.h"

#include "raw/CodedDataMap.h"
#include "raw/JpegDecoder.h"
#include "raw/JpegSegments.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint64_t kSector = disk::kSectorBytes;
// The first fragment is held in memory while candidates are tried.
constexpr std::uint64_t kMaxFirstFragment = 64ull << 20;
// Break points tried around the corrupt data, and how far behind it they may lie.
constexpr unsigned kBreakCandidates = 16;
constexpr std::uint64_t kBreakSlack = 4096;
constexpr std::chrono::seconds kPictureTime{1};
constexpr std::chrono::milliseconds kCandidateTime{250};
// Rows before the break that are drawn again (the rest are only entropy-decoded).
constexpr std::uint32_t kRedrawnRows = 64;
// The smallest cluster that cards are formatted with, as far as the search counts.
constexpr std::uint64_t kClusterBytes = 4096;

// Reads the medium from sector `start`, never behind `end`; false at a cleared sector,
// so the picture's data ends where the area was cleared.
bool readMedium(disk::SectorSource& source, std::uint64_t start, std::uint64_t end,
                std::uint64_t offset, std::uint32_t length, unsigned char* out,
                std::vector<unsigned char>& buffer) {
    const std::uint64_t first = start + offset / kSector;
    const std::uint64_t last = start + (offset + length + kSector - 1) / kSector;
    if (last > end || last < first)
        return false;
    buffer.resize(static_cast<std::size_t>(last - first) * kSector);
    if (source.readSectors(first, static_cast<std::uint32_t>(last - first), buffer.data()) ==
        disk::ReadStatus::NoMedium)
        return false;
    for (std::size_t at = 0; at < buffer.size(); at += kSector)
        if (ClearedSector(buffer.data() + at))
            return false;
    std::memcpy(out, buffer.data() + offset % kSector, length);
    return true;
}

} // namespace

std::optional<JpegFragments> ReassembleJpeg(disk::SectorSource& source, std::uint64_t start,
                                            std::uint64_t rangeEnd, std::uint32_t stepSectors) {
    if (start >= rangeEnd || stepSectors == 0)
        return std::nullopt;
    const auto until = std::chrono::steady_clock::now() + kPictureTime;
    const std::uint64_t limit = std::min((rangeEnd - start) * kSector, kMaxJpegBytes);
    std::vector<unsigned char> buffer;
    const FileBytesReader contiguous = [&](std::uint64_t offset, std::uint32_t length,
                                           unsigned char* out) {
        return offset <= limit && length <= limit - offset &&
               readMedium(source, start, rangeEnd, offset, length, out, buffer);
    };
    const JpegDecoding first = DecodeJpeg(contiguous, limit, {0, kPictureTime, true});
    if (!first.opened || first.whole || !first.warned || first.brokenAt > kMaxFirstFragment)
        return std::nullopt;

    // The first fragment up to the corrupt data, held once.
    const std::uint64_t step = std::uint64_t{stepSectors} * kSector;
    const std::uint64_t startOffset = start % stepSectors * kSector;
    // The decoder tells corrupt data up to an MCU after it took its bytes: the first
    // fragment may end a little behind that point. It is held once, as far as it reads.
    std::vector<unsigned char> head(static_cast<std::size_t>(first.brokenAt));
    if (!contiguous(0, static_cast<std::uint32_t>(head.size()), head.data()))
        return std::nullopt;
    const std::uint64_t headEnd = std::min(limit, first.brokenAt + kBreakSlack);
    for (unsigned char sector[kSector]; head.size() < headEnd;) {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kSector, headEnd - head.size()));
        if (!contiguous(head.size(), n, sector))
            break;
        head.insert(head.end(), sector, sector + n);
    }
    const std::uint32_t skip = first.goodRows > kRedrawnRows ? first.goodRows - kRedrawnRows : 0;

    // Step boundaries around the corrupt data, the latest first.
    std::vector<std::uint64_t> breaks;
    for (std::uint64_t boundary = (head.size() + startOffset) / step * step;
         breaks.size() < kBreakCandidates && boundary > startOffset; boundary -= step)
        breaks.push_back(boundary - startOffset);
    if (breaks.empty())
        return std::nullopt;
    const std::uint64_t mapFirst = start + breaks.back() / kSector;
    const std::uint64_t mapEnd =
        std::min(rangeEnd, start + breaks.front() / kSector + kMaxJpegGapBytes / kSector + 8);
    const std::uint64_t nearEnd =
        std::min(mapEnd, start + breaks.front() / kSector + kNearJpegGapBytes / kSector);
    const CodedDataMap near(source, mapFirst, nearEnd);

    // The first sector of the scan that no coded data holds ends the first fragment at
    // the latest: the break at it comes first, then the ones before it, nearest first;
    // those behind it are tried last.
    for (std::size_t b = breaks.size(); b-- > 1;)
        if (breaks[b] >= first.scanAt && near.otherData(start + breaks[b] / kSector)) {
            std::reverse(breaks.begin(), breaks.begin() + static_cast<std::ptrdiff_t>(b));
            std::rotate(breaks.begin(), breaks.begin() + static_cast<std::ptrdiff_t>(b),
                        breaks.end());
            break;
        }
    // The picture decoded from the head up to `breakAt` and the medium from `candidate`.
    const auto tryJoin = [&](std::uint64_t candidate,
                             std::uint64_t breakAt) -> std::optional<JpegFragments> {
        const std::uint64_t rest = std::min((rangeEnd - candidate) * kSector, limit - breakAt);
        const FileBytesReader joined = [&](std::uint64_t offset, std::uint32_t length,
                                           unsigned char* out) {
            if (offset > breakAt + rest || length > breakAt + rest - offset)
                return false;
            const std::uint64_t fromHead =
                offset < breakAt ? std::min<std::uint64_t>(length, breakAt - offset) : 0;
            if (fromHead > 0)
                std::memcpy(out, head.data() + offset, static_cast<std::size_t>(fromHead));
            if (fromHead == length)
                return true;
            return readMedium(source, candidate, rangeEnd, offset + fromHead - breakAt,
                              static_cast<std::uint32_t>(length - fromHead), out + fromHead,
                              buffer);
        };
        const JpegDecoding tried = DecodeJpeg(joined, breakAt + rest, {skip, kCandidateTime, true});
        if (tried.whole && tried.end > breakAt)
            return JpegFragments{breakAt, candidate, tried.end - breakAt};
        return std::nullopt;
    };
    // A continuation most likely begins behind another file's data (its end, a cleared
    // area, a header). Cards keep files in clusters of 4 KiB or more, so the pairs of a
    // break and a continuation both 4 KiB apart from the picture's start come first,
    // with a continuation that may lie a little behind the other data; then the rest,
    // right behind it. Within a pass, the nearest continuation first, with every break.
    const auto aligned = [&](std::uint64_t candidate, std::uint64_t breakAt) {
        return breakAt % kClusterBytes == 0 && (candidate - start) * kSector % kClusterBytes == 0;
    };
    // The continuations from sector `from` up to `to` that `map` tells, both passes.
    const auto look = [&](const CodedDataMap& map, std::uint64_t from,
                          std::uint64_t to) -> std::optional<JpegFragments> {
        std::vector<std::uint64_t> candidates;
        for (std::uint64_t c =
                 (std::max(from, mapFirst + 1) + stepSectors - 1) / stepSectors * stepSectors;
             c < to; c += stepSectors)
            if (map.mayContinue(c) &&
                map.afterOtherData(c, aligned(c, 0) ? kClusterBytes / kSector : 1))
                candidates.push_back(c);
        for (const bool clustered : {true, false})
            for (const std::uint64_t candidate : candidates)
                for (const std::uint64_t breakAt : breaks) {
                    const std::uint64_t firstEnd = start + breakAt / kSector;
                    if (candidate <= firstEnd ||
                        candidate - firstEnd > kMaxJpegGapBytes / kSector ||
                        aligned(candidate, breakAt) != clustered ||
                        (!clustered && !map.afterOtherData(candidate)))
                        continue;
                    if (std::chrono::steady_clock::now() > until)
                        return std::nullopt;
                    if (auto joined = tryJoin(candidate, breakAt))
                        return joined;
                }
        return std::nullopt;
    };
    // Near the first fragment first, then the whole gap: a candidate is judged where the
    // sectors behind it are mapped.
    const std::uint64_t nearLooked = nearEnd < mapEnd ? nearEnd - kCodedDataLookSectors : nearEnd;
    if (auto joined = look(near, mapFirst, nearLooked))
        return joined;
    if (nearLooked == mapEnd || std::chrono::steady_clock::now() > until)
        return std::nullopt;
    return look(CodedDataMap(source, mapFirst, mapEnd), nearLooked, mapEnd);
}

} // namespace qr::raw
