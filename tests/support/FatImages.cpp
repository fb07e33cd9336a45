#include "support/FatImages.h"

#include "disk/SectorReader.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string_view>
#include <vector>

namespace qr::test {

namespace {

std::uint32_t le(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

bool haveFatTools() {
    return haveTools(
        {"truncate", "mkfs.fat", "sfdisk", "mcopy", "mmd", "mdel", "mdeltree", "mshowfat"});
}

FatImage::FatImage(std::filesystem::path path, const FatImageOptions& options)
    : path_(std::move(path)), options_(options) {
    const std::uint64_t totalSectors = options.sizeMiB * 2048;
    volumeStart_ = options.partitioned ? options.partitionStart : 0;
    volumeSectors_ = totalSectors - volumeStart_;
    runOrFail("truncate -s " + std::to_string(options.sizeMiB) + "M " + shellQuote(path_));
    if (options.partitioned)
        runOrFail("printf 'start=" + std::to_string(volumeStart_) + ", type=" +
                  (options.fatBits == 32 ? "c" : "e") + "\\n' | sfdisk -q " + shellQuote(path_));
    runOrFail("mkfs.fat -F " + std::to_string(options.fatBits) + " -s " +
              std::to_string(options.sectorsPerCluster) +
              " --offset=" + std::to_string(volumeStart_) + " -h " + std::to_string(volumeStart_) +
              " " + shellQuote(path_) + " " + std::to_string(volumeSectors_ / 2) + " >/dev/null");
    unsigned char boot[512] = {};
    std::ifstream in(path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(volumeStart_ * 512));
    in.read(reinterpret_cast<char*>(boot), sizeof boot);
    sectorsPerCluster_ = boot[13];
    const std::uint32_t reserved = le(boot + 14, 2);
    reservedSectors_ = reserved;
    const std::uint32_t fats = boot[16];
    const std::uint32_t rootEntries = le(boot + 17, 2);
    const std::uint32_t perFat = le(boot + 22, 2) != 0 ? le(boot + 22, 2) : le(boot + 36, 4);
    const std::uint32_t dataStart = reserved + fats * perFat + (rootEntries * 32 + 511) / 512;
    cluster0Start_ = dataStart - 2 * sectorsPerCluster_;
}

std::string FatImage::mtools(const std::string& command, const std::string& args) const {
    return runOrFail("MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 " + command + " -i " +
                     shellQuote(path_.string() + "@@" + std::to_string(volumeStart_ * 512)) + " " +
                     args + " 2>&1");
}

void FatImage::mkdir(const std::string& dosPath) {
    mtools("mmd", shellQuote(dosPath));
}

void FatImage::writeFile(const std::string& dosPath, const std::string& content) {
    const std::filesystem::path temp = path_.string() + ".content";
    {
        std::ofstream out(temp, std::ios::binary);
        out << content;
    }
    copyIn(temp, dosPath);
    std::filesystem::remove(temp);
}

void FatImage::copyIn(const std::filesystem::path& hostPath, const std::string& dosPath) {
    mtools("mcopy -o", shellQuote(hostPath.string()) + " " + shellQuote(dosPath));
}

void FatImage::copyInKeepingTime(const std::filesystem::path& hostPath,
                                 const std::string& dosPath) {
    mtools("mcopy -o -m", shellQuote(hostPath.string()) + " " + shellQuote(dosPath));
}

void FatImage::del(const std::string& dosPath) {
    mtools("mdel", shellQuote(dosPath));
}

void FatImage::delTree(const std::string& dosPath) {
    mtools("mdeltree", shellQuote(dosPath));
}

std::uint32_t FatImage::firstCluster(const std::string& dosPath) {
    // mshowfat prints "<path> <first-last> ..." or "<path> <>" for an empty file.
    const std::string out = mtools("mshowfat", shellQuote(dosPath));
    std::smatch m;
    if (!std::regex_search(out, m, std::regex("<([0-9]+)")))
        return 0;
    return static_cast<std::uint32_t>(std::stoul(m[1]));
}

std::vector<std::uint32_t> FatImage::clusters(const std::string& dosPath) {
    // Runs print as <first-last>, single clusters as <n>.
    const std::string out = mtools("mshowfat", shellQuote(dosPath));
    std::vector<std::uint32_t> chain;
    const std::regex run("<([0-9]+)(-([0-9]+))?>");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), run); it != std::sregex_iterator();
         ++it) {
        const auto first = static_cast<std::uint32_t>(std::stoul((*it)[1]));
        const auto last =
            (*it)[3].matched ? static_cast<std::uint32_t>(std::stoul((*it)[3])) : first;
        for (std::uint32_t c = first; c <= last; ++c)
            chain.push_back(c);
    }
    return chain;
}

std::uint64_t FatImage::fatEntryOffset(std::uint32_t cluster) const {
    return (volumeStart_ + reservedSectors_) * 512 +
           std::uint64_t{cluster} * (options_.fatBits == 32 ? 4 : 2);
}

std::uint64_t FatImage::clusterSector(std::uint32_t cluster) const {
    return volumeStart_ + cluster0Start_ + std::uint64_t{cluster} * sectorsPerCluster_;
}

void FatImage::overwriteCluster(std::uint32_t cluster, unsigned char fill) {
    writeBytes(clusterSector(cluster) * 512,
               std::string(std::size_t{sectorsPerCluster_} * 512, static_cast<char>(fill)));
}

void FatImage::writeBytes(std::uint64_t offset, const std::string& bytes) {
    std::fstream out(path_, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void FatImage::markDeleted(const std::string& shortName) {
    std::ifstream in(path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(volumeStart_ * 512));
    std::vector<char> sector(512);
    for (std::uint64_t s = volumeStart_; in.read(sector.data(), 512); ++s)
        for (std::size_t off = 0; off < 512; off += 32)
            if (std::string_view(sector.data() + off, 11) == shortName) {
                writeBytes(s * 512 + off, "\xE5");
                return;
            }
    ADD_FAILURE() << "no entry named '" << shortName << "'";
}

void FatImage::selectIn(app::RecoveryContext& context, unsigned disk) const {
    context.reader->paths().setName(disk, path_.string());
    context.selectedDiskNumber = static_cast<std::uint16_t>(disk);
    context.volumeParams.fileSystemName = fileSystemName();
    context.volumeParams.partitionStart = volumeStart_;
    context.volumeParams.partitionEnd = volumeStart_ + volumeSectors_ - 1;
}

} // namespace qr::test
