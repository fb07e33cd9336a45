#pragma once
// The output paths one save has taken. Two recovered files can land on one path: two
// entries of one name in a damaged folder, names that become one once the characters
// the destination cannot hold are replaced, or names a case-folding destination takes
// for one. The later file gets "name (2).ext", "name (3).ext", ... instead of writing
// over the earlier one. A file that was in the destination before the save is no clash:
// the replace question decides about it.
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace qr::output {

class ClaimedOutputNames {
public:
    explicit ClaimedOutputNames(std::size_t nameMax) : nameMax_(nameMax) {}

    // The path for `name` (already safe) in `folder`: folder/name, or the first
    // numbered name no earlier file of this save took. `renamed` tells which.
    std::string claim(const std::string& folder, const std::string& name, bool& renamed);
    // Remembers the file now at `path` as this save's own, so a later path the
    // destination resolves to the same file is taken too.
    void wrote(const std::string& path);

private:
    bool taken(const std::string& path) const;

    std::size_t nameMax_;
    std::set<std::string> paths_;
    std::map<std::string, std::uint32_t> nextNumber_;         // by the path first wanted
    std::set<std::pair<std::uint64_t, std::uint64_t>> files_; // device, inode
};

// "name (k).ext": the number before the extension, the stem cut (at a UTF-8 character
// boundary) so the result fits in `nameMax` bytes.
std::string NumberedName(const std::string& name, std::uint32_t number, std::size_t nameMax);

} // namespace qr::output
