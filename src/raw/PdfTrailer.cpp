#include "raw/PdfTrailer.h"

#include "raw/ByteWalker.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace qr::raw {

namespace {

constexpr std::uint64_t kMaxPdfBytes = 1ull << 30;
constexpr std::string_view kEof = "%%EOF";
constexpr std::string_view kStartXref = "startxref";
constexpr std::uint32_t kTrailerLookBack = 1024;
constexpr std::uint32_t kXrefBytes = 32;

bool isSpace(unsigned char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == 0;
}

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// True when a cross-reference table ("xref") or stream ("N G obj") stands at `offset`.
bool crossReferenceAt(const FileBytesReader& read, std::uint64_t offset, std::uint64_t before) {
    unsigned char text[kXrefBytes] = {};
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kXrefBytes, before - offset));
    if (n < 4 || !read(offset, n, text))
        return false;
    if (std::memcmp(text, "xref", 4) == 0)
        return true;
    // "12 0 obj"
    const std::string_view s(reinterpret_cast<const char*>(text), n);
    std::size_t i = 0;
    for (int number = 0; number < 2; ++number) {
        const std::size_t digits = i;
        while (i < s.size() && isDigit(static_cast<unsigned char>(s[i])))
            ++i;
        if (i == digits || i >= s.size() || s[i] != ' ')
            return false;
        while (i < s.size() && s[i] == ' ')
            ++i;
    }
    return s.substr(i).starts_with("obj");
}

// True when the "%%EOF" at `eof` closes a trailer: "startxref", an offset at or behind
// `from` and before it where a cross-reference stands.
bool validEnd(const FileBytesReader& read, std::uint64_t from, std::uint64_t eof) {
    const std::uint32_t back =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kTrailerLookBack, eof));
    unsigned char text[kTrailerLookBack];
    if (back < kStartXref.size() + 2 || !read(eof - back, back, text))
        return false;
    const std::string_view s(reinterpret_cast<const char*>(text), back);
    const std::size_t at = s.rfind(kStartXref);
    if (at == std::string_view::npos)
        return false;
    std::size_t i = at + kStartXref.size();
    while (i < s.size() && isSpace(static_cast<unsigned char>(s[i])))
        ++i;
    std::uint64_t offset = 0;
    std::size_t digits = 0;
    for (; i < s.size() && isDigit(static_cast<unsigned char>(s[i])) && digits < 19; ++i, ++digits)
        offset = offset * 10 + static_cast<unsigned>(s[i] - '0');
    if (digits == 0)
        return false;
    while (i < s.size() && isSpace(static_cast<unsigned char>(s[i])))
        ++i;
    return i == s.size() && offset >= from && offset < eof && crossReferenceAt(read, offset, eof);
}

// The end of a line that ends at `at`: behind CR LF, LF or CR.
std::uint64_t behindLineEnd(ByteWalker& walk, std::uint64_t at) {
    const auto c = walk.byte(at);
    if (c == '\r')
        return walk.byte(at + 1) == '\n' ? at + 2 : at + 1;
    return c == '\n' ? at + 1 : at;
}

// True when an incremental update starts at `at`: an object ("12 0 obj") or a table.
// A digit alone is not enough: the slack behind a document's last cluster holds
// anything, and another copy of the same document further on ends with a trailer that
// would read as valid.
bool updateFollows(const FileBytesReader& read, std::uint64_t at, std::uint64_t limit) {
    return at < limit && crossReferenceAt(read, at, limit);
}

} // namespace

bool LooksLikePdf(const unsigned char* b, std::size_t size) {
    return size >= 8 && std::memcmp(b, "%PDF-", 5) == 0 && (b[5] == '1' || b[5] == '2') &&
           b[6] == '.' && isDigit(b[7]);
}

std::optional<MediaLength> PdfLength(const FileBytesReader& read, std::uint64_t limit) {
    const std::uint64_t reach = std::min(limit, kMaxPdfBytes);
    ByteWalker walk(read, reach);
    unsigned char head[8];
    if (!walk.get(0, sizeof head, head) || !LooksLikePdf(head, sizeof head))
        return std::nullopt;
    std::optional<std::uint64_t> end;
    std::uint64_t at = sizeof head;
    while (true) {
        const auto [bytes, held] = walk.span(at);
        if (held < kEof.size())
            break;
        // A cleared or erased chunk is no PDF text: the document ended before it.
        if (held == ByteWalker::kChunk && (bytes[0] == 0 || bytes[0] == 0xFF) &&
            std::memcmp(bytes, bytes + 1, held - 1) == 0)
            break;
        const std::string_view text(reinterpret_cast<const char*>(bytes), held);
        const std::size_t hit = text.find(kEof);
        if (hit == std::string_view::npos) {
            at += held - (kEof.size() - 1);
            continue;
        }
        const std::uint64_t eof = at + hit;
        at = eof + kEof.size();
        // An update's trailer names a cross-reference inside the update.
        if (!validEnd(read, end.value_or(0), eof))
            continue;
        end = behindLineEnd(walk, at);
        if (!updateFollows(read, *end, reach))
            break;
        at = *end;
    }
    if (!end)
        return std::nullopt;
    return MediaLength{*end, ".PDF"};
}

} // namespace qr::raw
