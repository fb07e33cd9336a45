#pragma once
// Partition starts and ends side by side: as The Sleuth Kit's mmls lists them and as
// recovery-cli's partitions command does, each as "start end" (end: the first sector
// behind the partition).
#include <filesystem>
#include <string>
#include <vector>

namespace qr::test {

// mmls `options` (the table type, a sector size) on `image`.
std::vector<std::string> MmlsPartitions(const std::filesystem::path& image,
                                        const std::string& options);

// The lines of a partitions listing ("text<TAB>start<TAB>end").
std::vector<std::string> ListedPartitions(const std::string& listing);

} // namespace qr::test
