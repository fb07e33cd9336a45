#include "raw/MediaFormats.h"

namespace qr::raw {

namespace {

using Buckets = std::array<std::vector<RawKind>, 256>;

Buckets makeBuckets() {
    Buckets buckets;
    std::vector<RawKind> anyLead;
    for (std::size_t k = 0; k < kRawKinds; ++k) {
        const RawKindInfo& row = RawKindTable[k];
        if (!row.header)
            continue;
        if (row.leads.empty())
            anyLead.push_back(static_cast<RawKind>(k));
        for (const char lead : row.leads)
            buckets[static_cast<unsigned char>(lead)].push_back(static_cast<RawKind>(k));
    }
    for (auto& bucket : buckets)
        bucket.insert(bucket.end(), anyLead.begin(), anyLead.end());
    return buckets;
}

} // namespace

const std::vector<RawKind>& HeaderRows(unsigned char lead) {
    static const Buckets buckets = makeBuckets();
    return buckets[lead];
}

std::optional<RawKind> MediaHeaderKind(const unsigned char* b, std::size_t size) {
    if (size < 24)
        return std::nullopt;
    for (const RawKind kind : HeaderRows(b[0]))
        if (InfoOf(kind).header(b, size))
            return kind;
    return std::nullopt;
}

std::optional<MediaLength> MediaFileLength(RawKind kind, const FileBytesReader& read,
                                           std::uint64_t limit) {
    const RawKindInfo& row = InfoOf(kind);
    if (row.length)
        return row.length(read, limit);
    if (!row.parent || !InfoOf(*row.parent).length)
        return std::nullopt;
    auto length = InfoOf(*row.parent).length(read, limit);
    if (!length)
        return std::nullopt;
    const auto extension = row.validate(read, length->bytes);
    if (!extension)
        return std::nullopt;
    length->extension = *extension;
    return length;
}

bool RowWanted(RawKind row, const RawKindSet& kinds) {
    for (std::size_t k = 0; k < kRawKinds; ++k)
        if (kinds[k] && (static_cast<RawKind>(k) == row || RawKindTable[k].parent == row))
            return true;
    return false;
}

std::optional<ClassifiedFile> ClassifyFile(RawKind row, const RawKindSet& kinds,
                                           const FileBytesReader& read, std::uint64_t bytes) {
    for (std::size_t k = 0; k < kRawKinds; ++k) {
        const RawKindInfo& child = RawKindTable[k];
        if (kinds[k] && child.parent == row)
            if (const auto extension = child.validate(read, bytes))
                return ClassifiedFile{static_cast<RawKind>(k), *extension};
    }
    if (kinds[static_cast<std::size_t>(row)])
        return ClassifiedFile{row, {}};
    return std::nullopt;
}

} // namespace qr::raw
