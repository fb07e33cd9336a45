#pragma once
// File type labels and list images by the name's ending.
#include <string>
#include <string_view>

namespace qr::model {

struct FileType {
    std::string label; // "Microsoft Word File", "Deleted Word File", ..., "File"
    int image = 0;     // small-image index of the file list
};

// The first row of the type table whose extension ends `name` (exact case).
FileType ClassifyFile(std::string_view name, bool deleted);

} // namespace qr::model
