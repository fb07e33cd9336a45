#include "raw/WindowSearch.h"

#include "disk/SectorSource.h"

#include <algorithm>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace qr::raw {

namespace {

constexpr std::uint64_t kSector = disk::kSectorBytes;

// The distinct end markers and the rows that share each.
struct EndMarker {
    std::string_view text;
    std::vector<std::size_t> rows;
};

const std::vector<EndMarker>& distinctEndMarkers() {
    static const std::vector<EndMarker> markers = [] {
        std::vector<EndMarker> all;
        for (std::size_t row = 0; row < kRawSignatures; ++row) {
            const std::string_view text = RawSignatureTable[row].end;
            auto same = std::find_if(all.begin(), all.end(),
                                     [&](const EndMarker& m) { return m.text == text; });
            if (same == all.end())
                all.push_back({text, {row}});
            else
                same->rows.push_back(row);
        }
        return all;
    }();
    return markers;
}

// Checks every marker at byte `at` and records the ones that stand there.
inline void checkAt(const unsigned char* base, std::size_t size, std::size_t at,
                    std::uint64_t firstByte, WindowMarks& marks) {
    for (const EndMarker& m : distinctEndMarkers())
        if (base[at] == static_cast<unsigned char>(m.text[0]) && m.text.size() <= size - at &&
            std::memcmp(base + at, m.text.data(), m.text.size()) == 0)
            for (const std::size_t row : m.rows)
                marks.ends[row].push_back(firstByte + at);
}

#if defined(__x86_64__)
// One pass for every marker: many positions at a time; a position is looked at closely
// only when its first two bytes begin some marker. A fixed count of pairs lets the
// compiler unroll the test (unused ones repeat the first pair). Each returns where it
// stopped; the bytes from there on are looked at one by one.
constexpr std::size_t kPairs = 5;

std::string_view pairMarker(std::size_t k) {
    const std::vector<EndMarker>& markers = distinctEndMarkers();
    return markers[k < markers.size() ? k : 0].text;
}

std::size_t scan16(const unsigned char* base, std::size_t size, std::size_t windowBytes,
                   std::uint64_t firstByte, WindowMarks& marks) {
    __m128i first[kPairs], second[kPairs];
    for (std::size_t k = 0; k < kPairs; ++k) {
        first[k] = _mm_set1_epi8(static_cast<char>(pairMarker(k)[0]));
        second[k] = _mm_set1_epi8(static_cast<char>(pairMarker(k)[1]));
    }
    std::size_t at = 0;
    for (; at + 17 <= size && at + 16 <= windowBytes; at += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at + 1));
        __m128i any = _mm_setzero_si128();
        for (std::size_t k = 0; k < kPairs; ++k)
            any = _mm_or_si128(
                any, _mm_and_si128(_mm_cmpeq_epi8(a, first[k]), _mm_cmpeq_epi8(b, second[k])));
        for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(any)); mask; mask &= mask - 1)
            checkAt(base, size, at + static_cast<unsigned>(__builtin_ctz(mask)), firstByte, marks);
    }
    return at;
}

__attribute__((target("avx2"))) std::size_t scan32(const unsigned char* base, std::size_t size,
                                                   std::size_t windowBytes, std::uint64_t firstByte,
                                                   WindowMarks& marks) {
    __m256i first[kPairs], second[kPairs];
    for (std::size_t k = 0; k < kPairs; ++k) {
        first[k] = _mm256_set1_epi8(static_cast<char>(pairMarker(k)[0]));
        second[k] = _mm256_set1_epi8(static_cast<char>(pairMarker(k)[1]));
    }
    std::size_t at = 0;
    for (; at + 33 <= size && at + 32 <= windowBytes; at += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + at));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + at + 1));
        __m256i any = _mm256_setzero_si256();
        for (std::size_t k = 0; k < kPairs; ++k)
            any = _mm256_or_si256(any, _mm256_and_si256(_mm256_cmpeq_epi8(a, first[k]),
                                                        _mm256_cmpeq_epi8(b, second[k])));
        for (auto mask = static_cast<unsigned>(_mm256_movemask_epi8(any)); mask; mask &= mask - 1)
            checkAt(base, size, at + static_cast<unsigned>(__builtin_ctz(mask)), firstByte, marks);
    }
    return at;
}
#endif

} // namespace

std::vector<HeaderCandidate> FindHeaders(disk::ByteView bytes, std::uint64_t firstSector,
                                         std::uint32_t sectors) {
    std::vector<HeaderCandidate> found;
    for (std::uint32_t s = 0; s < sectors && found.size() < kMaxCandidates; ++s) {
        const std::uint64_t offset = s * kSector;
        if (!bytes.has(offset, kSector))
            break;
        // Every header marker is shorter than a sector; rows with the same marker
        // share the first row's match. The first byte turns most sectors away.
        const unsigned char first = bytes.data()[offset];
        for (std::size_t row = 0; row < kRawSignatures; ++row)
            if (static_cast<unsigned char>(RawSignatureTable[row].header[0]) == first &&
                bytes.matches(offset, RawSignatureTable[row].header)) {
                found.push_back({firstSector + s, static_cast<int>(row)});
                break;
            }
    }
    return found;
}

void FindEndMarkers(disk::ByteView bytes, std::uint64_t firstSector, std::uint32_t sectors,
                    WindowMarks& marks) {
    for (auto& hits : marks.ends)
        hits.clear();
    const unsigned char* base = bytes.data();
    const std::size_t size = bytes.size();
    const std::size_t windowBytes = std::min<std::size_t>(std::size_t{sectors} * kSector, size);
    const std::uint64_t firstByte = firstSector * kSector;
    std::size_t at = 0;
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (distinctEndMarkers().size() <= kPairs)
        at = avx2 ? scan32(base, size, windowBytes, firstByte, marks)
                  : scan16(base, size, windowBytes, firstByte, marks);
#endif
    for (; at < windowBytes; ++at)
        checkAt(base, size, at, firstByte, marks);
}

WindowMarks SearchWindow(disk::ByteView bytes, std::uint64_t firstSector, std::uint32_t sectors,
                         bool fileOpen) {
    WindowMarks marks;
    marks.firstSector = firstSector;
    marks.sectors =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, bytes.size() / kSector));
    marks.headers = FindHeaders(bytes, firstSector, marks.sectors);
    if (fileOpen || !marks.headers.empty())
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
