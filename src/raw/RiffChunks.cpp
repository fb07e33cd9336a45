#include "raw/RiffChunks.h"

#include <cstring>

namespace qr::raw {

namespace {

constexpr unsigned kMaxForms = 4096;

// One RIFF form's bytes: the header and its length, padded to an even count.
std::uint64_t formBytes(const unsigned char* p) {
    const std::uint64_t length = Le32(p + 4);
    return 8 + length + (length & 1);
}

// The bytes of a file that is one RIFF form whose head `looks` accepts.
std::optional<std::uint64_t> singleForm(const FileBytesReader& read, std::uint64_t limit,
                                        bool (*looks)(const unsigned char*, std::size_t)) {
    unsigned char head[16];
    if (limit < sizeof head || !read(0, sizeof head, head) || !looks(head, sizeof head))
        return std::nullopt;
    const std::uint64_t bytes = formBytes(head);
    if (bytes > limit)
        return std::nullopt;
    return bytes;
}

bool riffOf(const unsigned char* b, std::size_t size, const char* form) {
    return size >= 16 && std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, form, 4) == 0 &&
           Le32(b + 4) >= 12;
}

} // namespace

bool LooksLikeWebP(const unsigned char* b, std::size_t size) {
    return riffOf(b, size, "WEBP") &&
           (std::memcmp(b + 12, "VP8 ", 4) == 0 || std::memcmp(b + 12, "VP8L", 4) == 0 ||
            std::memcmp(b + 12, "VP8X", 4) == 0);
}

bool LooksLikeWav(const unsigned char* b, std::size_t size) {
    return riffOf(b, size, "WAVE") &&
           (std::memcmp(b + 12, "fmt ", 4) == 0 || std::memcmp(b + 12, "JUNK", 4) == 0 ||
            std::memcmp(b + 12, "LIST", 4) == 0 || std::memcmp(b + 12, "bext", 4) == 0);
}

std::optional<MediaLength> WebPLength(const FileBytesReader& read, std::uint64_t limit) {
    if (const auto bytes = singleForm(read, limit, LooksLikeWebP))
        return MediaLength{*bytes, ".WEBP"};
    return std::nullopt;
}

std::optional<MediaLength> WavLength(const FileBytesReader& read, std::uint64_t limit) {
    if (const auto bytes = singleForm(read, limit, LooksLikeWav))
        return MediaLength{*bytes, ".WAV"};
    return std::nullopt;
}

bool LooksLikeAvi(const unsigned char* b, std::size_t size) {
    return size >= 24 && std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "AVI ", 4) == 0 &&
           std::memcmp(b + 12, "LIST", 4) == 0 && std::memcmp(b + 20, "hdrl", 4) == 0 &&
           Le32(b + 4) >= 16;
}

std::optional<MediaLength> AviLength(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char head[24];
    if (limit < sizeof head || !read(0, sizeof head, head) || !LooksLikeAvi(head, sizeof head))
        return std::nullopt;
    std::uint64_t at = formBytes(head);
    if (at > limit)
        return std::nullopt;
    for (unsigned forms = 0; forms < kMaxForms && at + 12 <= limit; ++forms) {
        unsigned char next[12];
        if (!read(at, 12, next) || std::memcmp(next, "RIFF", 4) != 0 ||
            std::memcmp(next + 8, "AVIX", 4) != 0)
            break;
        const std::uint64_t bytes = formBytes(next);
        if (bytes > limit - at)
            return std::nullopt;
        at += bytes;
    }
    return MediaLength{at, ".AVI"};
}

} // namespace qr::raw
