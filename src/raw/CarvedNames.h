#pragma once
// The names found files are written under. By default the running-number names
// ("JPG1.JPG", "DOC2.DOC"). With metadata names a photo is named after the moment it
// was taken ("2021-06-01 12-09-33.jpg") and a document after its title, with " (2)",
// " (3)"... on a clash; a file without either keeps its running-number name. Sorted by
// kind, each file goes into a folder of its kind ("JPG/", "PDF/").
#include "raw/CarvedFormats.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace qr::raw {

struct CarvedNaming {
    bool metadata = false;
    bool byKind = false;
};

class CarvedNames {
public:
    explicit CarvedNames(CarvedNaming naming) : naming_(naming) {}

    // The name of file `number` of `kind` (`extension` as its content calls for, or
    // empty), whose `bytes` bytes `read` gives.
    std::string name(RawKind kind, std::uint64_t number, std::string_view extension,
                     const FileBytesReader& read, std::uint64_t bytes);

private:
    std::string unique(const std::string& folder, const std::string& stem,
                       const std::string& extension);

    CarvedNaming naming_;
    std::unordered_set<std::string> given_; // metadata names given out, folded to lower case
};

// The folder of a kind when the files are sorted by kind: its option in capitals.
std::string KindFolder(RawKind kind);

} // namespace qr::raw
