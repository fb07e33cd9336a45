#pragma once
// A memory card that is failing, for the tests of imaging and of searching and saving
// on a bad medium: four 8-sector bad ranges (three in file data, one over a folder's
// directory cluster) and a slow area of 2,000 sectors, to be served through stall-fs
// (FuseMedium) with faults().
#include "support/FuseMedium.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qr::test {

struct FailingCard {
    std::filesystem::path image;
    std::string fileSystem; // "FAT32" or "exFAT"
    // Absolute sector ranges [first, end) of the image.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> badSectors;
    std::pair<std::uint64_t, std::uint64_t> slowSectors;
    // Files clear of bad sectors, by the path `list` prints, with their bytes.
    std::map<std::string, std::string> cleanFiles;
    // Files with a bad range in their data.
    std::vector<std::string> damagedFiles;
    // The folder whose directory cluster cannot be read.
    std::string unreadableFolder;

    static constexpr unsigned kSlowMs = 20;
    FuseFaults faults() const;
    bool isBad(std::uint64_t sector) const;
};

// A FAT32 card in `folder`; false with the reason when the tools are missing.
bool MakeFailingFatCard(const std::filesystem::path& folder, FailingCard& card, std::string& why);
// The same on exFAT (root, a loop device and exfat-fuse are needed to fill it).
bool MakeFailingExfatCard(const std::filesystem::path& folder, FailingCard& card, std::string& why);

} // namespace qr::test
