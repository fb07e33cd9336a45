#include "output/DestinationSafety.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <utility>
#include <vector>

namespace qr::output {

namespace fs = std::filesystem;

namespace {

using DeviceNumber = std::pair<unsigned, unsigned>; // major, minor

std::string readFirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool parseDeviceNumber(const std::string& text, DeviceNumber& out) {
    unsigned major = 0, minor = 0;
    char colon = 0;
    std::istringstream in(text);
    if (!(in >> major >> colon >> minor) || colon != ':')
        return false;
    out = {major, minor};
    return true;
}

DeviceNumber numberOf(dev_t dev) {
    return {::major(dev), ::minor(dev)};
}

// The sysfs folder of a block device (/sys/dev/block/M:m resolved), or empty.
fs::path sysfsFolder(const SystemRoots& roots, DeviceNumber n) {
    std::error_code ec;
    fs::path link = fs::path(roots.sys) / "dev/block" /
                    (std::to_string(n.first) + ":" + std::to_string(n.second));
    fs::path real = fs::canonical(link, ec);
    return ec ? fs::path{} : real;
}

// Adds a device's sysfs folder, its partitions and, recursively, its holders.
void addDeviceTree(const fs::path& folder, std::set<DeviceNumber>& out, int depth = 0) {
    std::error_code ec;
    if (folder.empty() || depth > 8 || !fs::is_directory(folder, ec))
        return;
    DeviceNumber n;
    if (parseDeviceNumber(readFirstLine(folder / "dev"), n) && !out.insert(n).second)
        return;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_directory(ec) && fs::exists(entry.path() / "partition", ec))
            addDeviceTree(entry.path(), out, depth + 1);
    }
    for (const auto& holder : fs::directory_iterator(folder / "holders", ec))
        addDeviceTree(fs::canonical(holder.path(), ec), out, depth + 1);
}

// Every device number that lies on the disk of the block device `n`.
void addWholeDisk(const SystemRoots& roots, DeviceNumber n, std::set<DeviceNumber>& out) {
    fs::path folder = sysfsFolder(roots, n);
    std::error_code ec;
    if (!folder.empty() && fs::exists(folder / "partition", ec))
        folder = folder.parent_path(); // a partition: guard its whole disk
    if (folder.empty())
        out.insert(n);
    else
        addDeviceTree(folder, out);
}

struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator<(const FileIdentity& o) const {
        return std::tie(dev, ino) < std::tie(o.dev, o.ino);
    }
};

// The loop device's backing file (its sysfs folder given), when it can be looked at.
bool loopBacking(const fs::path& folder, struct stat& st) {
    const std::string backing = readFirstLine(folder / "loop/backing_file");
    return !backing.empty() && ::stat(backing.c_str(), &st) == 0;
}

// Loop devices whose backing file is one of `files` (same file by device and inode).
void addLoopDevicesOf(const SystemRoots& roots, const std::set<FileIdentity>& files,
                      std::set<DeviceNumber>& out) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(roots.sys) / "block", ec)) {
        struct stat st {};
        if (loopBacking(entry.path(), st) && files.count({st.st_dev, st.st_ino}))
            addDeviceTree(fs::canonical(entry.path(), ec), out);
    }
}

// What makes up the medium under recovery: its devices, and the image files that back
// it (the image itself, or the file behind a loop device named as the source).
struct Medium {
    std::set<DeviceNumber> devices;
    std::set<FileIdentity> files;
};

Medium guardedMedium(const SystemRoots& roots, const struct stat& st) {
    Medium m;
    if (S_ISREG(st.st_mode))
        m.files.insert({st.st_dev, st.st_ino});
    else if (S_ISBLK(st.st_mode))
        addWholeDisk(roots, numberOf(st.st_rdev), m.devices);
    // A loop device over an image: every other loop device over that image is the same
    // medium too.
    for (const DeviceNumber& n : std::set<DeviceNumber>(m.devices)) {
        struct stat backing {};
        if (loopBacking(sysfsFolder(roots, n), backing) && S_ISREG(backing.st_mode))
            m.files.insert({backing.st_dev, backing.st_ino});
    }
    addLoopDevicesOf(roots, m.files, m.devices);
    return m;
}

// True when a device under the destination's file system is part of the medium: the
// device itself, its whole disk, the devices it is built on (device-mapper slaves), and
// what backs a loop device among them, followed down to the bottom.
bool restsOnMedium(const SystemRoots& roots, DeviceNumber top, const Medium& medium) {
    std::set<DeviceNumber> seen;
    std::vector<DeviceNumber> todo{top};
    std::error_code ec;
    while (!todo.empty() && seen.size() < 256) {
        const DeviceNumber n = todo.back();
        todo.pop_back();
        if (!seen.insert(n).second)
            continue;
        if (medium.devices.count(n))
            return true;
        const fs::path folder = sysfsFolder(roots, n);
        if (folder.empty())
            continue;
        DeviceNumber below;
        if (fs::exists(folder / "partition", ec) &&
            parseDeviceNumber(readFirstLine(folder.parent_path() / "dev"), below))
            todo.push_back(below);
        for (const auto& slave : fs::directory_iterator(folder / "slaves", ec))
            if (parseDeviceNumber(readFirstLine(fs::canonical(slave.path(), ec) / "dev"), below))
                todo.push_back(below);
        struct stat backing {};
        if (loopBacking(folder, backing)) {
            if (S_ISREG(backing.st_mode) && medium.files.count({backing.st_dev, backing.st_ino}))
                return true;
            if (S_ISBLK(backing.st_mode))
                todo.push_back(numberOf(backing.st_rdev));
        }
    }
    return false;
}

// The nearest folder of `path` that exists, made absolute and resolved.
fs::path existingAncestor(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    while (!p.empty()) {
        if (fs::exists(p, ec))
            return fs::canonical(p, ec);
        if (p == p.parent_path())
            break;
        p = p.parent_path();
    }
    return {};
}

struct MountLine {
    std::string mountPoint;
    DeviceNumber number{};
    std::string source;
};

// Undoes the octal escapes (\040 for a blank) of mountinfo fields.
std::string unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string oct = s.substr(i + 1, 3);
            if (oct.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(oct, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// The mount that holds `folder`: the longest mount point that is a prefix of it.
bool mountOf(const SystemRoots& roots, const fs::path& folder, MountLine& found) {
    std::ifstream in(fs::path(roots.proc) / "self/mountinfo");
    std::string line;
    std::size_t best = 0;
    bool any = false;
    const std::string target = folder.string();
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, number, root, point;
        if (!(fields >> id >> parent >> number >> root >> point))
            continue;
        MountLine m;
        m.mountPoint = unescape(point);
        if (!parseDeviceNumber(number, m.number))
            continue;
        std::string word;
        while (fields >> word && word != "-") {
        }
        std::string type;
        fields >> type >> m.source;
        m.source = unescape(m.source);
        const std::string& mp = m.mountPoint;
        const bool covers = target == mp || mp == "/" ||
                            (target.compare(0, mp.size(), mp) == 0 && target.size() > mp.size() &&
                             target[mp.size()] == '/');
        if (covers && mp.size() >= best) {
            best = mp.size();
            found = m;
            any = true;
        }
    }
    return any;
}

std::string refusalText(const std::string& source) {
    return "The destination lies on the disk being recovered (" + source +
           "). Choose a folder on another drive: saving there could overwrite the data you "
           "are recovering.";
}

} // namespace

std::string DestinationRefusal(const std::string& sourceDevice, const std::string& destination,
                               const SystemRoots& roots) {
    struct stat src {};
    if (sourceDevice.empty() || ::stat(sourceDevice.c_str(), &src) != 0)
        return {};
    const fs::path folder = existingAncestor(destination);
    if (folder.empty())
        return {};
    struct stat dst {};
    if (::stat(folder.c_str(), &dst) == 0 && S_ISREG(src.st_mode) && dst.st_dev == src.st_dev &&
        dst.st_ino == src.st_ino)
        return refusalText(sourceDevice); // the image file itself
    const Medium medium = guardedMedium(roots, src);
    if (medium.devices.empty() && medium.files.empty())
        return {};
    if (restsOnMedium(roots, numberOf(dst.st_dev), medium))
        return refusalText(sourceDevice);
    MountLine mount;
    if (!mountOf(roots, folder, mount))
        return {};
    if (restsOnMedium(roots, mount.number, medium))
        return refusalText(sourceDevice);
    struct stat mountSource {};
    if (!mount.source.empty() && mount.source[0] == '/' &&
        ::stat(mount.source.c_str(), &mountSource) == 0 && S_ISBLK(mountSource.st_mode) &&
        restsOnMedium(roots, numberOf(mountSource.st_rdev), medium))
        return refusalText(sourceDevice);
    return {};
}

std::string OutputFileRefusal(const std::string& sourceDevice, const std::string& outputPath) {
    struct stat out {};
    if (::stat(outputPath.c_str(), &out) != 0)
        return {}; // a new file
    if (!S_ISREG(out.st_mode))
        return "Not a regular file: " + outputPath;
    struct stat src {};
    if (!sourceDevice.empty() && ::stat(sourceDevice.c_str(), &src) == 0 &&
        src.st_dev == out.st_dev && src.st_ino == out.st_ino)
        return refusalText(sourceDevice);
    return {};
}

} // namespace qr::output
