#include "raw/WindowSearch.h"

#include "disk/SectorSource.h"

#include <cstring>

namespace qr::raw {

namespace {

constexpr std::uint64_t kSector = disk::kSectorBytes;

} // namespace

std::vector<HeaderCandidate> FindHeaders(disk::ByteView bytes, std::uint64_t firstSector,
                                         std::uint32_t sectors) {
    std::vector<HeaderCandidate> found;
    for (std::uint32_t s = 0; s < sectors && found.size() < kMaxCandidates; ++s) {
        const std::uint64_t offset = s * kSector;
        if (!bytes.has(offset, kSector))
            break;
        // Every header marker is shorter than a sector; rows with the same marker
        // share the first row's match.
        for (std::size_t row = 0; row < kRawSignatures; ++row)
            if (bytes.matches(offset, RawSignatureTable[row].header)) {
                found.push_back({firstSector + s, static_cast<int>(row)});
                break;
            }
    }
    return found;
}

void FindEndMarkers(disk::ByteView bytes, std::uint64_t firstSector, std::uint32_t sectors,
                    WindowMarks& marks) {
    const std::uint64_t windowBytes = std::min<std::uint64_t>(sectors * kSector, bytes.size());
    for (std::size_t row = 0; row < kRawSignatures; ++row) {
        std::vector<std::uint64_t>& hits = marks.ends[row];
        hits.clear();
        const std::string_view marker = RawSignatureTable[row].end;
        // A row whose marker an earlier row has shares its hits.
        bool shared = false;
        for (std::size_t earlier = 0; earlier < row && !shared; ++earlier)
            if (RawSignatureTable[earlier].end == marker) {
                hits = marks.ends[earlier];
                shared = true;
            }
        if (shared)
            continue;
        const unsigned char* base = bytes.data();
        std::size_t from = 0;
        while (from < windowBytes) {
            // The marker must start in the window and end in the bytes held.
            const std::size_t span =
                std::min<std::size_t>(bytes.size() - from, windowBytes - from + marker.size() - 1);
            const void* hit = memmem(base + from, span, marker.data(), marker.size());
            if (!hit)
                break;
            const auto at = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - base);
            hits.push_back(firstSector * kSector + at);
            from = at + 1;
        }
    }
}

WindowMarks SearchWindow(disk::ByteView bytes, std::uint64_t firstSector, std::uint32_t sectors) {
    WindowMarks marks;
    marks.firstSector = firstSector;
    marks.sectors =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, bytes.size() / kSector));
    marks.headers = FindHeaders(bytes, firstSector, marks.sectors);
    FindEndMarkers(bytes, firstSector, marks.sectors, marks);
    return marks;
}

std::optional<FileEnd> FindFileEnd(const WindowMarks& marks, const EndQuery& query) {
    std::array<std::optional<FileEnd>, kRawSignatures> retained;
    for (std::size_t row = 0; row < kRawSignatures; ++row) {
        if (!EndFitsHeader(query.headerEntry, static_cast<int>(row)))
            continue;
        std::optional<FileEnd>& kept = retained[row];
        for (const std::uint64_t offset : marks.ends[row]) {
            const std::uint64_t v = offset / kSector;
            if (query.lastWrittenEnd && v <= *query.lastWrittenEnd)
                continue;
            if (v < query.start)
                continue;
            if (!kept)
                kept = FileEnd{v, static_cast<int>(row), std::nullopt};
            if (query.nextHeader && v >= *query.nextHeader) {
                kept->sector = *query.nextHeader - 1;
            } else {
                kept->sector = v;
                kept->markerOffset = offset;
            }
        }
    }
    // The earliest end of rows 0 to 2, else the first present of rows 3 to 5.
    std::optional<FileEnd> chosen;
    for (std::size_t row = 0; row < 3; ++row)
        if (retained[row] && (!chosen || retained[row]->sector < chosen->sector))
            chosen = retained[row];
    for (std::size_t row = 3; row < kRawSignatures && !chosen; ++row)
        chosen = retained[row];
    return chosen;
}

} // namespace qr::raw
