#pragma once
// Output names that can be created as given and never leave the destination folder.
#include <cstddef>
#include <string>
#include <utility>

namespace qr::output {

inline constexpr std::size_t kDefaultNameMax = 255;

// `name` unchanged when it can be created; otherwise a name that keeps as much of it
// as possible: "/" (and NUL, "\") become "_", an empty name becomes "unnamed", "."
// and ".." get a "_" in front, and a name longer than `maxBytes` keeps its extension
// and is cut at a character boundary.
std::string SafeOutputName(const std::string& name, std::size_t maxBytes = kDefaultNameMax);

// `text` cut to at most `bytes` bytes without splitting a UTF-8 character.
std::string CutUtf8(const std::string& text, std::size_t bytes);

// The longest file name the folder's file system accepts (kDefaultNameMax when unknown).
std::size_t NameMaxOf(const std::string& folder);

// The characters a destination under Windows naming rules (FAT, exFAT, NTFS through
// windows_names) refuses besides those SafeOutputName replaces.
inline constexpr const char* kWindowsReservedCharacters = ":*?\"<>|";

// True when a file whose name holds ":" can be made in `folder`: a probe file is made
// and removed at once.
bool FolderTakesColons(const std::string& folder);

// The names of one save's files in its destination: SafeOutputName, and on a
// destination that refuses ":" (probed at the first name that holds a reserved
// character) each of kWindowsReservedCharacters as "_" too ("file:stream" becomes
// "file_stream").
class DestinationNames {
public:
    DestinationNames(std::string destination, std::size_t nameMax)
        : destination_(std::move(destination)), nameMax_(nameMax) {}
    std::string nameFor(const std::string& recovered);

private:
    std::string destination_;
    std::size_t nameMax_;
    int takesColons_ = -1; // not probed yet
};

} // namespace qr::output
