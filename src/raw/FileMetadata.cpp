#include "raw/FileMetadata.h"

#include "raw/HeifExif.h"
#include "raw/ZipMember.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint16_t kExifIfdTag = 34665;
constexpr std::uint16_t kDateTimeOriginal = 36867;
constexpr std::uint16_t kAscii = 2;
constexpr std::uint32_t kDateBytes = 19; // "YYYY:MM:DD HH:MM:SS"
constexpr unsigned kMaxSegments = 64;
constexpr std::uint16_t kMaxEntries = 1024;
constexpr std::uint32_t kTitleScan = 1u << 20;
constexpr std::size_t kMaxTitle = 100;

// A TIFF structure at `base` of the file (a raw file: 0; a JPEG: inside its APP1).
class TiffView {
public:
    TiffView(const FileBytesReader& read, std::uint64_t base, std::uint64_t end)
        : read_(read), base_(base), end_(end) {}

    bool open() {
        unsigned char head[8];
        if (!get(0, 8, head))
            return false;
        little_ = head[0] == 'I';
        return (head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M');
    }
    std::uint32_t firstDirectory() {
        unsigned char head[8];
        return get(0, 8, head) ? u32(head + 4) : 0;
    }
    // The value field's offset of `tag` in the directory at `at`, with its type and count.
    bool find(std::uint32_t at, std::uint16_t tag, std::uint16_t& type, std::uint32_t& count,
              std::uint32_t& valueAt) {
        unsigned char n[2];
        if (!get(at, 2, n))
            return false;
        const std::uint16_t entries = std::min(u16(n), kMaxEntries);
        std::vector<unsigned char> table(std::size_t{entries} * 12);
        if (!get(at + 2, static_cast<std::uint32_t>(table.size()), table.data()))
            return false;
        for (std::uint16_t i = 0; i < entries; ++i) {
            const unsigned char* e = table.data() + std::size_t{i} * 12;
            if (u16(e) != tag)
                continue;
            type = u16(e + 2);
            count = u32(e + 4);
            valueAt = count * (type == kAscii ? 1u : 4u) <= 4 ? at + 2 + i * 12u + 8 : u32(e + 8);
            return true;
        }
        return false;
    }
    std::uint32_t u32At(std::uint32_t at) {
        unsigned char v[4];
        return get(at, 4, v) ? u32(v) : 0;
    }
    bool get(std::uint64_t at, std::uint32_t length, unsigned char* out) {
        if (base_ > end_ || at > end_ - base_ || length > end_ - base_ - at)
            return false;
        return read_(base_ + at, length, out);
    }

private:
    std::uint16_t u16(const unsigned char* p) const { return little_ ? Le16(p) : Be16(p); }
    std::uint32_t u32(const unsigned char* p) const { return little_ ? Le32(p) : Be32(p); }

    const FileBytesReader& read_;
    std::uint64_t base_;
    std::uint64_t end_;
    bool little_ = true;
};

std::optional<std::string> dateOf(TiffView tiff) {
    std::uint16_t type = 0;
    std::uint32_t count = 0, at = 0;
    if (!tiff.open() || !tiff.find(tiff.firstDirectory(), kExifIfdTag, type, count, at))
        return std::nullopt;
    const std::uint32_t exif = tiff.u32At(at);
    if (exif == 0 || !tiff.find(exif, kDateTimeOriginal, type, count, at) || type != kAscii ||
        count < kDateBytes)
        return std::nullopt;
    char text[kDateBytes + 1] = {};
    if (!tiff.get(at, kDateBytes, reinterpret_cast<unsigned char*>(text)))
        return std::nullopt;
    // "2021:06:01 12:09:33" becomes "2021-06-01 12-09-33".
    std::string date(text, kDateBytes);
    for (std::size_t i = 0; i < date.size(); ++i) {
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        if (separator ? (i == 10 ? date[i] != ' ' : date[i] != ':')
                      : (date[i] < '0' || date[i] > '9'))
            return std::nullopt;
        if (date[i] == ':')
            date[i] = '-';
    }
    if (date.starts_with("0000"))
        return std::nullopt;
    return date;
}

// The TIFF structure inside a JPEG's "Exif" APP1 segment: its offset and end.
std::optional<std::pair<std::uint64_t, std::uint64_t>> jpegExif(const FileBytesReader& read,
                                                                std::uint64_t bytes) {
    std::uint64_t at = 2;
    for (unsigned n = 0; n < kMaxSegments && at + 10 <= bytes; ++n) {
        unsigned char head[10];
        if (!read(at, sizeof head, head) || head[0] != 0xFF)
            return std::nullopt;
        const std::uint16_t length = Be16(head + 2);
        if (head[1] == 0xDA || length < 2)
            return std::nullopt; // the scan starts: no EXIF before it
        if (head[1] == 0xE1 && std::memcmp(head + 4, "Exif\0\0", 6) == 0)
            return std::pair{at + 10, std::min(bytes, at + 2 + length)};
        at += 2 + length;
    }
    return std::nullopt;
}

bool isTiffBased(RawKind kind) {
    return kind == RawKind::CameraRaw || kind == RawKind::Rw2 || kind == RawKind::Orf;
}

// A title fit for a file name: printable, without the characters folders and shells
// give a meaning to, trimmed and bounded.
std::optional<std::string> fitForName(const std::string& text) {
    std::string name;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::strchr("/\\:*?\"<>|", c))
            name += ' ';
        else
            name += c;
    }
    const auto first = name.find_first_not_of(" .");
    if (first == std::string::npos)
        return std::nullopt;
    name = name.substr(first, kMaxTitle);
    name.erase(name.find_last_not_of(" .") + 1);
    return name;
}

// The literal string behind "/Title" in a PDF's first bytes or its last ones.
std::optional<std::string> pdfTitle(const FileBytesReader& read, std::uint64_t bytes) {
    for (const bool head : {false, true}) {
        const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, kTitleScan));
        std::vector<unsigned char> chunk(length);
        if (!read(head ? 0 : bytes - length, length, chunk.data()))
            continue;
        const std::string_view text(reinterpret_cast<const char*>(chunk.data()), chunk.size());
        for (std::size_t at = text.rfind("/Title"); at != std::string_view::npos;
             at = at ? text.rfind("/Title", at - 1) : std::string_view::npos) {
            std::size_t i = at + 6;
            while (i < text.size() && (text[i] == ' ' || text[i] == '\r' || text[i] == '\n'))
                ++i;
            if (i >= text.size() || text[i] != '(')
                continue;
            std::string title;
            for (++i; i < text.size() && text[i] != ')' && title.size() < kMaxTitle; ++i)
                title += text[i] == '\\' && i + 1 < text.size() ? text[++i] : text[i];
            // A UTF-16 title: its ASCII letters.
            if (title.starts_with("\xFE\xFF")) {
                std::string narrow;
                for (std::size_t k = 3; k < title.size(); k += 2)
                    narrow += title[k];
                title = narrow;
            }
            if (auto name = fitForName(title))
                return name;
        }
    }
    return std::nullopt;
}

// XML text with its five predefined entities decoded.
std::string xmlText(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool decoded = false;
        for (const auto& [entity, c] : kEntities)
            if (text.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size() - 1;
                decoded = true;
                break;
            }
        if (!decoded)
            out += text[i];
    }
    return out;
}

// The text of the first <dc:title> element of the archive's entry `part`.
std::optional<std::string> dublinCoreTitle(const FileBytesReader& read, std::uint64_t bytes,
                                           std::string_view part) {
    const auto xml = ZipMemberBytes(read, bytes, part, kTitleScan);
    if (!xml)
        return std::nullopt;
    const std::size_t open = xml->find("<dc:title");
    const std::size_t start = open == std::string::npos ? open : xml->find('>', open);
    if (start == std::string::npos || xml->compare(start - 1, 2, "/>") == 0)
        return std::nullopt;
    const std::size_t end = xml->find("</dc:title>", start);
    if (end == std::string::npos)
        return std::nullopt;
    return fitForName(xmlText(std::string_view(*xml).substr(start + 1, end - start - 1)));
}

} // namespace

std::optional<std::string> PhotoTakenAt(RawKind kind, const FileBytesReader& read,
                                        std::uint64_t bytes) {
    if (isTiffBased(kind))
        return dateOf(TiffView(read, 0, bytes));
    std::optional<std::pair<std::uint64_t, std::uint64_t>> exif;
    if (kind == RawKind::Jpeg)
        exif = jpegExif(read, bytes);
    else if (kind == RawKind::Heic)
        exif = HeifExifTiff(read, bytes);
    if (exif)
        return dateOf(TiffView(read, exif->first, exif->second));
    return std::nullopt;
}

std::optional<std::string> DocumentTitle(RawKind kind, const FileBytesReader& read,
                                         std::uint64_t bytes) {
    switch (kind) {
    case RawKind::Pdf:
        return pdfTitle(read, bytes);
    case RawKind::Docx:
    case RawKind::Xlsx:
    case RawKind::Pptx:
        return dublinCoreTitle(read, bytes, "docProps/core.xml");
    case RawKind::Odt:
    case RawKind::Ods:
    case RawKind::Odp:
        return dublinCoreTitle(read, bytes, "meta.xml");
    default:
        return std::nullopt;
    }
}

} // namespace qr::raw
