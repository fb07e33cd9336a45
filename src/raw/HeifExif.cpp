#include "raw/HeifExif.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace qr::raw {

namespace {

constexpr unsigned kMaxTopBoxes = 1024;
constexpr std::uint64_t kMaxMetaBytes = 1u << 20;
constexpr std::uint32_t kMaxItems = 4096;

// A big-endian reader over the bytes of one box that fails, once and for good, at the
// first field behind its end.
class Fields {
public:
    Fields(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::uint64_t take(unsigned width) {
        if (width > 8 || width > size_ - at_) {
            failed_ = true;
            at_ = size_;
            return 0;
        }
        std::uint64_t value = 0;
        for (unsigned i = 0; i < width; ++i)
            value = value << 8 | data_[at_ + i];
        at_ += width;
        return value;
    }
    bool skip(std::uint64_t length) {
        if (length > size_ - at_) {
            failed_ = true;
            at_ = size_;
            return false;
        }
        at_ += static_cast<std::size_t>(length);
        return true;
    }
    bool failed() const { return failed_; }
    std::size_t at() const { return at_; }
    std::size_t left() const { return size_ - at_; }
    const unsigned char* here() const { return data_ + at_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

// The child boxes of a container held in `fields`: calls `each(type, body)` for each.
template <class Each> void forEachBox(Fields fields, Each each) {
    for (unsigned n = 0; n < kMaxItems && fields.left() >= 8; ++n) {
        const std::uint64_t size = fields.take(4);
        const unsigned char* type = fields.here();
        fields.skip(4);
        if (size < 8 || size - 8 > fields.left())
            return;
        each(std::string_view(reinterpret_cast<const char*>(type), 4),
             Fields(fields.here(), static_cast<std::size_t>(size - 8)));
        fields.skip(size - 8);
    }
}

// The item ID of the first item of type "Exif" in `iinf`.
std::optional<std::uint32_t> exifItem(Fields iinf) {
    const auto version = iinf.take(1);
    iinf.skip(3);
    iinf.take(version == 0 ? 2 : 4); // the entry count: the boxes tell it
    std::optional<std::uint32_t> found;
    forEachBox(iinf, [&](std::string_view type, Fields infe) {
        if (found || type != "infe")
            return;
        const auto v = infe.take(1);
        infe.skip(3);
        if (v < 2)
            return;
        const auto id = static_cast<std::uint32_t>(infe.take(v == 2 ? 2 : 4));
        infe.take(2); // protection index
        if (infe.left() >= 4 && std::memcmp(infe.here(), "Exif", 4) == 0 && !infe.failed())
            found = id;
    });
    return found;
}

struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The first extent of `item` in `iloc`, when it lies in the file itself.
std::optional<Extent> itemExtent(Fields iloc, std::uint32_t item) {
    const auto version = iloc.take(1);
    iloc.skip(3);
    const auto sizes = iloc.take(2);
    const auto offsetSize = static_cast<unsigned>(sizes >> 12 & 15);
    const auto lengthSize = static_cast<unsigned>(sizes >> 8 & 15);
    const auto baseSize = static_cast<unsigned>(sizes >> 4 & 15);
    const bool indexed = version == 1 || version == 2;
    const auto indexSize = indexed ? static_cast<unsigned>(sizes & 15) : 0u;
    const auto count = iloc.take(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < count && i < kMaxItems && !iloc.failed(); ++i) {
        const auto id = iloc.take(version < 2 ? 2 : 4);
        const auto method = indexed ? iloc.take(2) & 15 : 0;
        iloc.take(2); // data reference index
        const auto base = iloc.take(baseSize);
        const auto extents = iloc.take(2);
        for (std::uint64_t e = 0; e < extents && !iloc.failed(); ++e) {
            iloc.take(indexSize);
            const auto offset = iloc.take(offsetSize);
            const auto length = iloc.take(lengthSize);
            if (id == item && e == 0 && !iloc.failed()) {
                if (method != 0 || offset > UINT64_MAX - base)
                    return std::nullopt;
                return Extent{base + offset, length};
            }
        }
    }
    return std::nullopt;
}

// The body of the top-level `meta` box, read whole.
std::vector<unsigned char> metaBody(const FileBytesReader& read, std::uint64_t bytes) {
    std::uint64_t at = 0;
    for (unsigned n = 0; n < kMaxTopBoxes && at + 8 <= bytes; ++n) {
        unsigned char head[8];
        if (!read(at, 8, head))
            break;
        const std::uint64_t size = Be32(head);
        if (size < 8 || size > bytes - at)
            break;
        if (std::memcmp(head + 4, "meta", 4) == 0) {
            if (size - 8 > kMaxMetaBytes)
                break;
            std::vector<unsigned char> body(static_cast<std::size_t>(size - 8));
            if (!read(at + 8, static_cast<std::uint32_t>(body.size()), body.data()))
                break;
            return body;
        }
        at += size;
    }
    return {};
}

} // namespace

std::optional<std::pair<std::uint64_t, std::uint64_t>> HeifExifTiff(const FileBytesReader& read,
                                                                    std::uint64_t bytes) {
    const std::vector<unsigned char> meta = metaBody(read, bytes);
    if (meta.size() < 4)
        return std::nullopt;
    Fields children(meta.data() + 4, meta.size() - 4); // behind version and flags
    std::optional<std::uint32_t> item;
    forEachBox(children, [&](std::string_view type, Fields body) {
        if (type == "iinf" && !item)
            item = exifItem(body);
    });
    if (!item)
        return std::nullopt;
    std::optional<Extent> extent;
    forEachBox(children, [&](std::string_view type, Fields body) {
        if (type == "iloc" && !extent)
            extent = itemExtent(body, *item);
    });
    if (!extent || extent->length < 4 || extent->offset > bytes ||
        extent->length > bytes - extent->offset)
        return std::nullopt;
    unsigned char skip[4];
    if (!read(extent->offset, 4, skip))
        return std::nullopt;
    const std::uint64_t end = extent->offset + extent->length;
    const std::uint64_t tiff = extent->offset + 4 + Be32(skip);
    if (tiff >= end)
        return std::nullopt;
    return std::pair{tiff, end};
}

} // namespace qr::raw
