#pragma once
// Output names that can be created as given and never leave the destination folder.
#include <cstddef>
#include <string>

namespace qr::output {

inline constexpr std::size_t kDefaultNameMax = 255;

// `name` unchanged when it can be created; otherwise a name that keeps as much of it
// as possible: "/" (and NUL, "\") become "_", an empty name becomes "unnamed", "."
// and ".." get a "_" in front, and a name longer than `maxBytes` keeps its extension
// and is cut at a character boundary.
std::string SafeOutputName(const std::string& name, std::size_t maxBytes = kDefaultNameMax);

// The longest file name the folder's file system accepts (kDefaultNameMax when unknown).
std::size_t NameMaxOf(const std::string& folder);

} // namespace qr::output
