#include "raw/ZipMember.h"

#include "disk/ByteView.h"
#include "raw/ZipDirectory.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace qr::raw {

namespace {

constexpr std::uint32_t kLocalHead = 30;
constexpr std::uint64_t kMaxCompressedBytes = 4u << 20;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

// Raw deflate data inflated up to `maxBytes`; nullopt when it is broken before that.
std::optional<std::string> inflated(std::vector<unsigned char>& data, std::size_t maxBytes) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    std::string out(maxBytes, '\0');
    stream.next_in = data.data();
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&stream, Z_FINISH);
    const std::size_t made = out.size() - stream.avail_out;
    inflateEnd(&stream);
    // Cut at the size asked for is fine; data that ends early or is broken is not.
    if (status != Z_STREAM_END && !(status == Z_BUF_ERROR && stream.avail_out == 0))
        return std::nullopt;
    out.resize(made);
    return out;
}

} // namespace

std::optional<std::string> ZipMemberBytes(const FileBytesReader& read, std::uint64_t bytes,
                                          std::string_view name, std::size_t maxBytes) {
    const std::vector<ZipEntry> entries = ZipCentralEntries(read, bytes);
    const auto entry = std::find_if(entries.begin(), entries.end(),
                                    [&](const ZipEntry& e) { return e.name == name; });
    if (entry == entries.end() || (entry->method != kStored && entry->method != kDeflated))
        return std::nullopt;
    unsigned char local[kLocalHead];
    if (entry->localHeader > bytes || bytes - entry->localHeader < kLocalHead ||
        !read(entry->localHeader, kLocalHead, local))
        return std::nullopt;
    const disk::ByteView head(local, sizeof local);
    if (!head.matches(0, "PK\x03\x04"))
        return std::nullopt;
    const std::uint64_t dataAt =
        entry->localHeader + kLocalHead + std::uint64_t{head.u16(26)} + head.u16(28);
    if (dataAt > bytes)
        return std::nullopt;
    const std::uint64_t length =
        std::min({entry->compressedBytes, bytes - dataAt, kMaxCompressedBytes,
                  entry->method == kStored ? std::uint64_t{maxBytes} : kMaxCompressedBytes});
    std::vector<unsigned char> data(static_cast<std::size_t>(length));
    if (!read(dataAt, static_cast<std::uint32_t>(length), data.data()))
        return std::nullopt;
    if (entry->method == kStored)
        return std::string(data.begin(), data.end());
    return inflated(data, maxBytes);
}

} // namespace qr::raw
