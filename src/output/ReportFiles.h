#pragma once
// The numbered report files: one text file per finished search, numbered from 1 in a
// folder of the user's data, with the count kept in the registry value "Count" of
// "Quarrixdale Removal Media\LogCount". View, mail and clear act on them.
#include "platform/RegistryStore.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qr::output {

inline constexpr const char* kLogCountKey = "Quarrixdale Removal Media\\LogCount";
inline constexpr const char* kLogCountValue = "Count";
// The file selection lists at most this many of the newest reports.
inline constexpr std::uint32_t kMaxListedReports = 1000;

// Where reports and directory lists live: $XDG_DATA_HOME (or ~/.local/share) and
// $XDG_CACHE_HOME (or ~/.cache), each with the program's own subfolder.
std::filesystem::path ReportFolder();
std::filesystem::path DirectoryListFolder();

// The count of report files; nullopt when the value is absent, empty or not a number.
std::optional<std::uint32_t> ReadReportCount(platform::RegistryStore& registry);
// Report file number n in `folder`: "<n>.txt".
std::filesystem::path ReportFilePath(const std::filesystem::path& folder, std::uint32_t n);
// The report files for n = count down to 1, whether or not they exist (newest first),
// at most kMaxListedReports of them.
std::vector<std::filesystem::path> ReportFilesNewestFirst(const std::filesystem::path& folder,
                                                          std::uint32_t count);
// Writes `lines` as report file count + 1 (creating the folder) and raises the count.
// The count is raised only once the file is complete. The written path, or empty.
std::filesystem::path WriteNextReport(platform::RegistryStore& registry,
                                      const std::filesystem::path& folder,
                                      const std::vector<std::string>& lines);
// Deletes report files 1 to count that exist, then writes the empty count.
void ClearReports(platform::RegistryStore& registry, const std::filesystem::path& folder);

} // namespace qr::output
