#include "volume/FileExtension.h"

#include <algorithm>
#include <cctype>

namespace qr::volume {

std::string LowerExtension(std::string_view name, std::size_t longest) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || name.size() - dot - 1 > longest)
        return {};
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

} // namespace qr::volume
