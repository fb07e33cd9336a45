#pragma once
// What the browse step calls photos, videos and sound files ("JPEG Image", "Deleted
// JPEG Image", "MP4 Video", ...), shown beside the type table's own labels, which keep
// naming every other file as they do.
#include <optional>
#include <string>
#include <string_view>

namespace qr::model {

// The label for `name`'s extension (any case), with "Deleted " before it for a
// deleted file; nothing for an extension that is not a photo, video or sound format.
std::optional<std::string> MediaTypeLabel(std::string_view name, bool deleted);

} // namespace qr::model
