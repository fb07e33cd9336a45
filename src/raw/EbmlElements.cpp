#include "raw/EbmlElements.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {

constexpr unsigned kMaxElements = 1u << 20;
constexpr std::uint32_t kEbmlId = 0x1A45DFA3;
constexpr std::uint32_t kSegmentId = 0x18538067;
constexpr std::uint32_t kDocTypeId = 0x4282;
constexpr std::uint32_t kMaxHeaderBytes = 256;
constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

// One element's head: its ID (with its length bits), its data size and the head's bytes.
struct ElementHead {
    std::uint32_t id = 0;
    std::uint64_t size = 0;
    std::uint32_t bytes = 0;
};

// A variable-length number at `p` (at most `held` bytes): its length in bytes, or 0.
unsigned vintLength(const unsigned char* p, std::size_t held, unsigned most) {
    if (held == 0 || p[0] == 0)
        return 0;
    const auto length = static_cast<unsigned>(__builtin_clz(p[0]) - 23);
    return length <= most && length <= held ? length : 0;
}

std::optional<ElementHead> readHead(const unsigned char* p, std::size_t held) {
    const unsigned idBytes = vintLength(p, held, 4);
    if (idBytes == 0)
        return std::nullopt;
    ElementHead head;
    for (unsigned i = 0; i < idBytes; ++i)
        head.id = head.id << 8 | p[i];
    const unsigned sizeBytes = vintLength(p + idBytes, held - idBytes, 8);
    if (sizeBytes == 0)
        return std::nullopt;
    std::uint64_t size = p[idBytes] & (0xFFu >> sizeBytes);
    bool allOnes = size == (0xFFu >> sizeBytes);
    for (unsigned i = 1; i < sizeBytes; ++i) {
        size = size << 8 | p[idBytes + i];
        allOnes = allOnes && p[idBytes + i] == 0xFF;
    }
    head.size = allOnes ? kUnknownSize : size;
    head.bytes = idBytes + sizeBytes;
    return head;
}

// The DocType inside the EBML header held in `b`: "matroska", "webm" or empty.
std::string_view docType(const unsigned char* b, std::size_t size) {
    const auto header = readHead(b, size);
    if (!header || header->id != kEbmlId || header->size == kUnknownSize ||
        header->size > kMaxHeaderBytes || header->bytes + header->size > size)
        return {};
    std::uint64_t at = header->bytes;
    const std::uint64_t end = header->bytes + header->size;
    while (at < end) {
        const auto child = readHead(b + at, static_cast<std::size_t>(end - at));
        if (!child || child->size > end - at - child->bytes)
            return {};
        const unsigned char* data = b + at + child->bytes;
        if (child->id == kDocTypeId) {
            const std::string_view text(reinterpret_cast<const char*>(data),
                                        static_cast<std::size_t>(child->size));
            if (text.starts_with("matroska"))
                return "matroska";
            if (text.starts_with("webm"))
                return "webm";
            return {};
        }
        at += child->bytes + child->size;
    }
    return {};
}

// The Segment's top-level children.
bool isSegmentChild(std::uint32_t id) {
    static constexpr std::uint32_t known[] = {0x114D9B74, 0x1549A966, 0x1654AE6B, 0x1F43B675,
                                              0x1C53BB6B, 0x1043A770, 0x1254C367, 0x1941A469,
                                              0xEC,       0xBF};
    return std::find(std::begin(known), std::end(known), id) != std::end(known);
}

// Reads the element head at `at`, never behind `limit`.
std::optional<ElementHead> headAt(const FileBytesReader& read, std::uint64_t at,
                                  std::uint64_t limit) {
    unsigned char p[12];
    if (at >= limit)
        return std::nullopt;
    const auto held = static_cast<std::uint32_t>(std::min<std::uint64_t>(sizeof p, limit - at));
    if (!read(at, held, p))
        return std::nullopt;
    return readHead(p, held);
}

} // namespace

bool LooksLikeMatroska(const unsigned char* b, std::size_t size) {
    return size >= 4 && Be32(b) == kEbmlId && !docType(b, size).empty();
}

std::optional<MediaLength> MatroskaLength(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char head[kMaxHeaderBytes + 12];
    const auto held = static_cast<std::uint32_t>(std::min<std::uint64_t>(sizeof head, limit));
    if (held < 16 || !read(0, held, head))
        return std::nullopt;
    const std::string_view type = docType(head, held);
    if (type.empty())
        return std::nullopt;
    const std::string_view extension = type == "webm" ? ".WEBM" : ".MKV";
    const auto header = readHead(head, held);
    std::uint64_t at = header->bytes + header->size;
    const auto segment = headAt(read, at, limit);
    if (!segment || segment->id != kSegmentId)
        return std::nullopt;
    at += segment->bytes;
    if (segment->size != kUnknownSize) {
        if (segment->size > limit - at)
            return std::nullopt;
        return MediaLength{at + segment->size, extension};
    }
    // Written as a stream: the children tell where it ends.
    for (unsigned n = 0; n < kMaxElements; ++n) {
        const auto child = headAt(read, at, limit);
        if (!child || !isSegmentChild(child->id))
            break;
        if (child->size == kUnknownSize || child->size > limit - at - child->bytes)
            return std::nullopt;
        at += child->bytes + child->size;
    }
    return MediaLength{at, extension};
}

} // namespace qr::raw
