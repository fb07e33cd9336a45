#pragma once
// The bytes the browse step's preview shows: a file extracted through its engine into
// memory, at most 32 MiB (a picture) or 64 KiB (a text's beginning), ended as soon as
// the selection moves on. And what the preview makes of them.
#include "disk/ByteView.h"
#include "volume/VolumeEngine.h"

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace qr::output {

inline constexpr std::size_t kPreviewPictureBytes = 32u << 20;
inline constexpr std::size_t kPreviewTextBytes = 64u << 10;

enum class PreviewKind { Picture, Text, None };

// By the name's extension (any case): the picture formats Qt's readers decode, and
// plain-text ones.
PreviewKind PreviewKindOf(std::string_view name);

struct PreviewBytes {
    std::vector<unsigned char> bytes;
    volume::ExtractReport report;
    bool stopped = false; // `stop` was requested: the bytes are not wanted
};

// Extracts at most `limit` bytes of `file`.
PreviewBytes ReadForPreview(volume::VolumeEngine& engine, const volume::FolderFile& file,
                            std::size_t limit, std::stop_token stop);

// The beginning of `bytes` as text (UTF-8, or Latin-1 read as such), at most `maxLines`
// lines; false when they hold control bytes a text does not (a binary file).
bool TextStart(disk::ByteView bytes, std::string& text, std::size_t maxLines = 200);

} // namespace qr::output
