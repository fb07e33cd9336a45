#pragma once
// The extension of a file name as the type tables look it up: the text after the last
// dot, in lower case.
#include <cstddef>
#include <string>
#include <string_view>

namespace qr::volume {

// Empty when the name has no dot or the extension is longer than `longest`.
std::string LowerExtension(std::string_view name, std::size_t longest = 4);

} // namespace qr::volume
