#include "DetectedDisk.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::hdd {

namespace {

namespace fs = std::filesystem;

// A read-only descriptor, closed with the object. Nothing here ever writes.
struct ReadOnlyFd {
    explicit ReadOnlyFd(const std::string& path)
        : fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~ReadOnlyFd() {
        if (fd >= 0)
            ::close(fd);
    }
    ReadOnlyFd(const ReadOnlyFd&) = delete;
    ReadOnlyFd& operator=(const ReadOnlyFd&) = delete;
    int fd;
};

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    line.erase(line.begin(), std::find_if_not(line.begin(), line.end(), blank));
    line.erase(std::find_if_not(line.rbegin(), line.rend(), blank).base(), line.end());
    return line;
}

bool startsWithThenDigit(const std::string& name, const std::string& prefix) {
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::isdigit(static_cast<unsigned char>(name[prefix.size()]));
}

bool allLetters(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::islower(c) != 0; });
}

// Whole disks only: partitions live below their disk in sysfs and never show up here,
// but eMMC boot areas, memory-backed and mapped devices do.
bool isWholeDiskName(const std::string& name) {
    for (const char* prefix : {"sd", "vd", "xvd", "hd"})
        if (name.starts_with(prefix) && allLetters(name.substr(std::string(prefix).size())))
            return true;
    if (startsWithThenDigit(name, "mmcblk"))
        return name.find_first_not_of("0123456789", 6) == std::string::npos;
    if (startsWithThenDigit(name, "nvme")) {
        const std::size_t n = name.find('n', 4);
        return n != std::string::npos && name.find('c') == std::string::npos &&
               name.find('p') == std::string::npos && n + 1 < name.size();
    }
    return false;
}

// Natural order: sda < sdb < sdaa, mmcblk2 < mmcblk10.
bool naturalLess(const std::string& a, const std::string& b) {
    if (a.size() != b.size() && a.substr(0, 2) == b.substr(0, 2))
        return a.size() < b.size();
    return a < b;
}

Geometry deviceGeometry(const std::string& path, std::uint64_t sizeBytes) {
    ReadOnlyFd dev(path);
    hd_geometry geo{};
    if (dev.fd >= 0 && ::ioctl(dev.fd, HDIO_GETGEO, &geo) == 0 && geo.heads && geo.sectors)
        return GeometryFrom(sizeBytes, geo.heads, geo.sectors); // the ioctl's cylinders are 16-bit
    return GeometryFrom(sizeBytes, 255, 63);
}

std::string deviceModel(const fs::path& sys, const std::string& name) {
    if (std::string backing = firstLine(sys / "loop" / "backing_file"); !backing.empty())
        return fs::path(backing).filename().string();
    for (const char* file : {"device/model", "device/name"})
        if (std::string model = firstLine(sys / file); !model.empty())
            return model;
    return name;
}

} // namespace

std::vector<DetectedDisk> DetectImages(const std::vector<std::string>& images) {
    std::vector<DetectedDisk> disks;
    for (const std::string& image : images) {
        ReadOnlyFd file(image);
        struct stat st {};
        std::uint64_t size = 0;
        if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
            std::cerr << "Quarrixdale-HDD: cannot open image '" << image << "'\n";
            continue;
        }
        if (S_ISREG(st.st_mode)) {
            size = static_cast<std::uint64_t>(st.st_size);
        } else if (!S_ISBLK(st.st_mode) || ::ioctl(file.fd, BLKGETSIZE64, &size) != 0) {
            std::cerr << "Quarrixdale-HDD: '" << image << "' is not a disk image\n";
            continue;
        }
        DetectedDisk disk;
        disk.path = fs::absolute(image).lexically_normal().string();
        disk.sizeBytes = size;
        disk.model = fs::path(image).filename().string();
        disk.mediaType = kImageMedia;
        disk.geometry = TranslatedGeometry(size);
        disks.push_back(std::move(disk));
    }
    return disks;
}

std::vector<DetectedDisk> DetectBlockDevices(const std::string& sysBlock,
                                             const std::string& devDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysBlock, ec)) {
        const std::string name = entry.path().filename().string();
        const bool loop = startsWithThenDigit(name, "loop");
        if (isWholeDiskName(name) ||
            (loop && !firstLine(entry.path() / "loop" / "backing_file").empty()))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), naturalLess);

    std::vector<DetectedDisk> disks;
    for (const std::string& name : names) {
        const fs::path sys = fs::path(sysBlock) / name;
        std::uint64_t sectors = 0;
        try {
            sectors = std::stoull(firstLine(sys / "size"));
        } catch (const std::exception&) {
            continue;
        }
        if (sectors == 0)
            continue; // a reader without a card
        DetectedDisk disk;
        disk.path = (fs::path(devDir) / name).string();
        disk.sizeBytes = sectors * 512; // sysfs counts 512-byte units whatever the device
        disk.model = deviceModel(sys, name);
        disk.mediaType = firstLine(sys / "removable") == "1" ? kRemovableMedia : kFixedMedia;
        disk.geometry = deviceGeometry(disk.path, disk.sizeBytes);
        disks.push_back(std::move(disk));
    }
    return disks;
}

} // namespace qr::hdd
