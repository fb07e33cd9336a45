#include "output/ReportFiles.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace qr::output {

namespace fs = std::filesystem;
using platform::RegistryRoot;

namespace {

constexpr const char* kProgramFolder = "quarrixdale-recovery";
constexpr int kMaxNumberProbes = 10000;

fs::path xdgFolder(const char* variable, const char* fallback) {
    const char* xdg = std::getenv(variable);
    if (xdg && *xdg == '/')
        return fs::path(xdg) / kProgramFolder;
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / fallback / kProgramFolder;
}

// Report numbers that the count says exist, read from a file name "<n>.txt".
std::optional<std::uint32_t> reportNumber(const fs::path& file) {
    if (file.extension() != ".txt")
        return std::nullopt;
    const std::string stem = file.stem().string();
    std::uint32_t n = 0;
    auto [end, error] = std::from_chars(stem.data(), stem.data() + stem.size(), n);
    if (error != std::errc() || end != stem.data() + stem.size() || stem[0] == '0')
        return std::nullopt;
    return n;
}

} // namespace

fs::path ReportFolder() {
    return xdgFolder("XDG_DATA_HOME", ".local/share");
}

fs::path DirectoryListFolder() {
    return xdgFolder("XDG_CACHE_HOME", ".cache");
}

std::optional<std::uint32_t> ReadReportCount(platform::RegistryStore& registry) {
    const std::string text = platform::ReadRegistryString(registry, RegistryRoot::ClassesRoot,
                                                          kLogCountKey, kLogCountValue);
    std::uint32_t count = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return count;
}

fs::path ReportFilePath(const fs::path& folder, std::uint32_t n) {
    return folder / (std::to_string(n) + ".txt");
}

std::vector<fs::path> ReportFilesNewestFirst(const fs::path& folder, std::uint32_t count) {
    std::vector<fs::path> files;
    for (std::uint32_t n = count; n >= 1 && files.size() < kMaxListedReports; --n)
        files.push_back(ReportFilePath(folder, n));
    return files;
}

fs::path WriteNextReport(platform::RegistryStore& registry, const fs::path& folder,
                         const std::vector<std::string>& lines) {
    std::uint32_t number = ReadReportCount(registry).value_or(0);
    std::error_code ec;
    fs::create_directories(folder, ec);
    // A report of another registry store (a command-line run) may already hold the
    // number: the next free one is taken instead of overwriting it.
    fs::path file;
    for (int probe = 0; probe < kMaxNumberProbes; ++probe) {
        if (number == UINT32_MAX)
            return {};
        file = ReportFilePath(folder, ++number);
        if (!fs::exists(file, ec))
            break;
    }
    if (file.empty() || fs::exists(file, ec))
        return {};
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines)
            out << line << '\n';
        out.flush();
        if (!out)
            return {};
    }
    platform::SetRegistryString(registry, RegistryRoot::ClassesRoot, kLogCountKey, kLogCountValue,
                                std::to_string(number));
    return file;
}

// The folder is walked once rather than n = 1..count tried one by one: a damaged
// count of four billion must not take hours.
void ClearReports(platform::RegistryStore& registry, const fs::path& folder) {
    if (auto count = ReadReportCount(registry); count && *count > 0) {
        std::error_code ec;
        std::vector<fs::path> doomed;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
             it.increment(ec)) {
            auto n = reportNumber(it->path().filename());
            if (n && *n <= *count && it->is_regular_file(ec))
                doomed.push_back(it->path());
        }
        for (const fs::path& file : doomed)
            fs::remove(file, ec);
    }
    platform::SetRegistryString(registry, RegistryRoot::ClassesRoot, kLogCountKey, kLogCountValue,
                                "");
}

} // namespace qr::output
