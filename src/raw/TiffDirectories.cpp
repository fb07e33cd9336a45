#include "raw/TiffDirectories.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint16_t kMaxEntries = 1024;
constexpr std::uint32_t kMaxArray = 1u << 20;  // strips or tiles of one directory
constexpr std::uint64_t kMaxValues = 1u << 22; // values read in one walk

enum Tag : std::uint16_t {
    kMake = 271,
    kStripOffsets = 273,
    kStripByteCounts = 279,
    kTileOffsets = 324,
    kTileByteCounts = 325,
    kSubIfds = 330,
    kJpegOffset = 513,
    kJpegLength = 514,
    kExifIfd = 34665,
    kGpsIfd = 34853,
    kInteropIfd = 40965,
    kDngVersion = 50706,
};

// Bytes per value of TIFF types 1 to 13; 0 for an unknown type.
std::uint32_t typeBytes(std::uint16_t type) {
    static constexpr std::uint32_t sizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < 14 ? sizes[type] : 0;
}

struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint64_t valueAt = 0; // where the values stand in the file
};

class Walk {
public:
    Walk(const FileBytesReader& read, std::uint64_t limit, bool little)
        : read_(read), limit_(limit), little_(little) {}

    std::uint16_t u16(const unsigned char* p) const {
        return little_ ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : Be16(p);
    }
    std::uint32_t u32(const unsigned char* p) const {
        return little_ ? std::uint32_t{u16(p)} | std::uint32_t{u16(p + 2)} << 16 : Be32(p);
    }

    // Marks [offset, offset + length) as the file's; false when it lies behind the limit.
    bool claim(std::uint64_t offset, std::uint64_t length) {
        if (offset > limit_ || length > limit_ - offset)
            return false;
        end_ = std::max(end_, offset + length);
        return true;
    }

    // The values of a SHORT or LONG entry (or IFD type 13).
    bool values(const Entry& e, std::vector<std::uint32_t>& out) {
        const std::uint32_t size = typeBytes(e.type);
        if ((e.type != 3 && e.type != 4 && e.type != 13) || e.count > kMaxArray ||
            e.count > kMaxValues - valuesRead_)
            return false;
        valuesRead_ += e.count;
        std::vector<unsigned char> raw(std::size_t{e.count} * size);
        if (!raw.empty() && !read_(e.valueAt, static_cast<std::uint32_t>(raw.size()), raw.data()))
            return false;
        out.resize(e.count);
        for (std::uint32_t i = 0; i < e.count; ++i)
            out[i] = size == 2 ? u16(raw.data() + i * 2) : u32(raw.data() + std::size_t{i} * 4);
        return true;
    }

    // Offsets with their byte counts: each run must lie inside the limit.
    bool runs(const Entry& offsets, const Entry& counts) {
        std::vector<std::uint32_t> at, size;
        if (!values(offsets, at) || !values(counts, size) || at.size() != size.size())
            return false;
        for (std::size_t i = 0; i < at.size(); ++i)
            if (!claim(at[i], size[i]))
                return false;
        image_ = image_ || !at.empty();
        unsized_ = unsized_ || std::find(size.begin(), size.end(), 0u) != size.end();
        return true;
    }

    bool directory(std::uint64_t offset, std::vector<std::uint64_t>& pending) {
        unsigned char head[2];
        if (offset < 8 || offset % 2 != 0 || !claim(offset, 2) || !read_(offset, 2, head))
            return false;
        const std::uint16_t count = u16(head);
        if (count == 0 || count > kMaxEntries)
            return false;
        const std::uint64_t tableBytes = 2 + std::uint64_t{count} * 12 + 4;
        if (!claim(offset, tableBytes))
            return false;
        std::vector<unsigned char> table(static_cast<std::size_t>(tableBytes));
        if (!read_(offset, static_cast<std::uint32_t>(tableBytes), table.data()))
            return false;
        std::vector<Entry> entries(count);
        for (std::uint16_t i = 0; i < count; ++i) {
            const unsigned char* p = table.data() + 2 + std::size_t{i} * 12;
            Entry& e = entries[i];
            e.tag = u16(p);
            e.type = u16(p + 2);
            e.count = u32(p + 4);
            const std::uint32_t size = typeBytes(e.type);
            if (size == 0)
                return false;
            const std::uint64_t bytes = std::uint64_t{size} * e.count;
            e.valueAt = offset + 2 + std::uint64_t{i} * 12 + 8;
            if (bytes > 4) {
                e.valueAt = u32(p + 8);
                if (!claim(e.valueAt, bytes))
                    return false;
            }
        }
        const auto find = [&](std::uint16_t tag) -> const Entry* {
            for (const Entry& e : entries)
                if (e.tag == tag)
                    return &e;
            return nullptr;
        };
        const std::pair<std::uint16_t, std::uint16_t> pairs[] = {{kStripOffsets, kStripByteCounts},
                                                                 {kTileOffsets, kTileByteCounts}};
        for (const auto& [o, c] : pairs) {
            const Entry* offsets = find(o);
            const Entry* counts = find(c);
            if (offsets && counts && !runs(*offsets, *counts))
                return false;
        }
        const Entry* jpeg = find(kJpegOffset);
        const Entry* jpegLength = find(kJpegLength);
        if (jpeg && jpegLength && !runs(*jpeg, *jpegLength))
            return false;
        for (const std::uint16_t tag : {kSubIfds, kExifIfd, kGpsIfd, kInteropIfd}) {
            std::vector<std::uint32_t> more;
            const Entry* e = find(tag);
            if (!e || (e->type != 3 && e->type != 4 && e->type != 13))
                continue;
            // More directories than a file may have is damage.
            if (e->count > kMaxTiffDirectories || !values(*e, more))
                return false;
            pending.insert(pending.end(), more.begin(), more.end());
        }
        if (find(kDngVersion))
            dng_ = true;
        if (const Entry* make = find(kMake); make && make->type == 2 && make->count >= 4) {
            char text[6] = {};
            if (read_(make->valueAt, std::min<std::uint32_t>(5, make->count),
                      reinterpret_cast<unsigned char*>(text)))
                make_ = text;
        }
        const std::uint32_t next = u32(table.data() + tableBytes - 4);
        if (next != 0)
            pending.push_back(next);
        return true;
    }

    std::uint64_t end() const { return end_; }
    bool hasImage() const { return image_; }
    // Some strip or tile has a byte count of 0: its data runs to an end no field gives.
    bool unsized() const { return unsized_; }
    bool dng() const { return dng_; }
    const std::string& make() const { return make_; }

private:
    const FileBytesReader& read_;
    std::uint64_t limit_;
    bool little_;
    std::uint64_t end_ = 8;
    std::uint64_t valuesRead_ = 0;
    bool image_ = false;
    bool unsized_ = false;
    bool dng_ = false;
    std::string make_;
};

// The byte order of a TIFF-like head whose magic number is `magic` (42 for TIFF), with
// a first-directory offset inside a sector-sized head; nullopt when it is not one.
std::optional<bool> headOrder(const unsigned char* b, std::size_t size, std::uint16_t magic) {
    if (size < 8)
        return std::nullopt;
    const bool little = b[0] == 'I' && b[1] == 'I' && Le16(b + 2) == magic;
    const bool big = b[0] == 'M' && b[1] == 'M' && Be16(b + 2) == magic;
    if (!little && !big)
        return std::nullopt;
    const std::uint32_t first = little ? Le32(b + 4) : Be32(b + 4);
    if (first < 8 || first % 2 != 0)
        return std::nullopt;
    return little;
}

constexpr std::uint16_t kTiffMagic = 0x2A;
constexpr std::uint16_t kRw2Magic = 0x55;
constexpr std::uint16_t kOrfMagic = 0x4F52;  // "RO"
constexpr std::uint16_t kOrfMagicS = 0x5352; // "RS"

bool isOrf(const unsigned char* b, std::size_t size) {
    return headOrder(b, size, kOrfMagic) || headOrder(b, size, kOrfMagicS);
}

// Walks every directory of the file whose head is `head`; the walk when each one holds
// together and some image data was named.
std::optional<Walk> walkFile(const FileBytesReader& read, std::uint64_t limit,
                             const unsigned char* head) {
    Walk walk(read, limit, head[0] == 'I');
    std::vector<std::uint64_t> pending{walk.u32(head + 4)};
    std::unordered_set<std::uint64_t> seen;
    while (!pending.empty()) {
        const std::uint64_t at = pending.back();
        pending.pop_back();
        if (!seen.insert(at).second)
            continue; // a loop, or a directory named twice
        if (seen.size() > kMaxTiffDirectories)
            return std::nullopt;
        // Every directory named must hold together.
        if (!walk.directory(at, pending))
            return std::nullopt;
    }
    if (!walk.hasImage())
        return std::nullopt;
    return walk;
}

// The length of a TIFF-like file whose head `looks` accepts.
std::optional<std::pair<Walk, std::array<unsigned char, 16>>>
measure(const FileBytesReader& read, std::uint64_t limit,
        bool (*looks)(const unsigned char*, std::size_t)) {
    std::array<unsigned char, 16> head{};
    if (limit < head.size() || !read(0, head.size(), head.data()) ||
        !looks(head.data(), head.size()))
        return std::nullopt;
    auto walk = walkFile(read, limit, head.data());
    if (!walk)
        return std::nullopt;
    return std::pair{std::move(*walk), head};
}

} // namespace

bool LooksLikeTiff(const unsigned char* b, std::size_t size) {
    return headOrder(b, size, kTiffMagic).has_value();
}

bool LooksLikeRw2(const unsigned char* b, std::size_t size) {
    return b[0] == 'I' && headOrder(b, size, kRw2Magic).has_value();
}

bool LooksLikeOrf(const unsigned char* b, std::size_t size) {
    return isOrf(b, size);
}

std::optional<MediaLength> TiffLength(const FileBytesReader& read, std::uint64_t limit) {
    const auto found = measure(read, limit, LooksLikeTiff);
    if (!found)
        return std::nullopt;
    const auto& [walk, head] = *found;
    std::string_view extension = ".TIF";
    if (head[8] == 'C' && head[9] == 'R' && head[10] == 2)
        extension = ".CR2";
    else if (walk.dng())
        extension = ".DNG";
    else if (walk.make().starts_with("NIKON"))
        extension = ".NEF";
    else if (walk.make().starts_with("SONY"))
        extension = ".ARW";
    return MediaLength{walk.end(), extension};
}

std::optional<MediaLength> Rw2Length(const FileBytesReader& read, std::uint64_t limit) {
    const auto found = measure(read, limit, LooksLikeRw2);
    if (!found || found->first.unsized())
        return std::nullopt;
    return MediaLength{found->first.end(), ".RW2"};
}

std::optional<MediaLength> OrfLength(const FileBytesReader& read, std::uint64_t limit) {
    const auto found = measure(read, limit, LooksLikeOrf);
    if (!found || found->first.unsized())
        return std::nullopt;
    return MediaLength{found->first.end(), ".ORF"};
}

} // namespace qr::raw
