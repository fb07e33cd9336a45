#include "support/SampleFiles.h"

#include "support/NtfsImages.h"
#include "support/TestSupport.h"

#include <fstream>

namespace qr::test {

namespace fs = std::filesystem;

void WriteFileAt(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::map<std::string, std::string> SampleVolumeFiles(std::uint32_t seed) {
    return {{"README.TXT", "volume " + std::to_string(seed) + "\n"},
            {"PHOTOS/IMG_0001.JPG", NoiseBytes(300000 + seed, seed)},
            {"DOCS/REPORT.DOC", NoiseBytes(70000, seed + 1)}};
}

std::string GoneFileContent(std::uint32_t seed) {
    return NoiseBytes(40000, seed + 10);
}

void FillMountedVolume(const fs::path& root, const std::map<std::string, std::string>& files,
                       const std::map<std::string, std::string>& deleted) {
    for (const auto& [name, content] : files)
        WriteFileAt(root / name, content);
    for (const auto& [name, content] : deleted)
        WriteFileAt(root / name, content);
    for (const auto& [name, content] : deleted)
        fs::remove(root / name);
}

bool FillFatThroughMtools(const std::string& at, const std::map<std::string, std::string>& files,
                          const std::string& gone, const fs::path& staging, std::string& why) {
    std::string sources;
    for (const auto& [name, content] : files) {
        WriteFileAt(staging / name, content);
        const std::string top = fs::path(name).begin()->string();
        if (sources.find(shellQuote((staging / top).string())) == std::string::npos)
            sources += " " + shellQuote((staging / top).string());
    }
    WriteFileAt(staging / kGoneFile, gone);
    const std::string mtools = "MTOOLS_SKIP_CHECK=1 ";
    const bool filled = runStep(mtools + "mcopy -s -i " + at + sources + " " +
                                    shellQuote((staging / kGoneFile).string()) + " ::",
                                why) &&
                        runStep(mtools + "mdel -i " + at + " ::/" + kGoneFile, why);
    fs::remove_all(staging);
    return filled;
}

} // namespace qr::test
