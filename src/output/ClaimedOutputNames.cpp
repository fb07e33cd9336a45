#include "output/ClaimedOutputNames.h"

#include "output/SafeOutputName.h"

#include <sys/stat.h>

namespace qr::output {

namespace {

// Numbers tried before a file gives up its own name for good (the last one is used).
constexpr std::uint32_t kMaxNumber = 1000000;

} // namespace

std::string NumberedName(const std::string& name, std::uint32_t number, std::size_t nameMax) {
    const std::string suffix = " (" + std::to_string(number) + ")";
    const auto dot = name.rfind('.');
    std::string ext = dot != std::string::npos && dot > 0 ? name.substr(dot) : std::string{};
    if (ext.size() + suffix.size() + 1 > nameMax)
        ext.clear();
    const std::size_t room =
        nameMax > suffix.size() + ext.size() ? nameMax - suffix.size() - ext.size() : 1;
    std::string stem = CutUtf8(name.substr(0, name.size() - ext.size()), room);
    if (stem.empty())
        stem = "_";
    return stem + suffix + ext;
}

bool ClaimedOutputNames::taken(const std::string& path) const {
    if (paths_.count(path) != 0)
        return true;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 &&
           files_.count(
               {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}) != 0;
}

std::string ClaimedOutputNames::claim(const std::string& folder, const std::string& name,
                                      bool& renamed) {
    const std::string wanted = folder + "/" + name;
    std::string path = wanted;
    renamed = false;
    // Numbering goes on where the last file of this name stopped.
    std::uint32_t& number = nextNumber_.try_emplace(wanted, 2).first->second;
    for (; taken(path) && number <= kMaxNumber; ++number) {
        path = folder + "/" + NumberedName(name, number, nameMax_);
        renamed = true;
    }
    paths_.insert(path);
    return path;
}

void ClaimedOutputNames::wrote(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        files_.insert(
            {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
}

} // namespace qr::output
