#include "support/NtfsImages.h"

#include "support/TestSupport.h"

#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace qr::test {

namespace fs = std::filesystem;

namespace {

// The ntfs-3g attribute that carries a file's NTFS flags (big-endian); 0x800 marks a
// folder whose new files are compressed.
constexpr const char* kNtfsFlags = "system.ntfs_attrib_be";
constexpr std::uint32_t kCompressedFlag = 0x800;

std::uint32_t inodeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint32_t>(st.st_ino) : 0;
}

bool writeAll(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

std::string NoiseBytes(std::size_t length, std::uint32_t seed) {
    std::string bytes(length, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

const NtfsImage* NtfsImage::shared(std::string* why) {
    static std::unique_ptr<TempDir> folder;
    static std::unique_ptr<NtfsImage> image;
    static std::string reason;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
            !haveTools({"mkntfs", "ntfs-3g", "icat", "truncate", "dd"})) {
            reason = "mkntfs, ntfs-3g, icat, FUSE and root are needed";
        } else {
            folder = std::make_unique<TempDir>();
            image.reset(new NtfsImage);
            if (!image->build(folder->path(), reason))
                image.reset();
        }
    }
    if (why)
        *why = reason;
    return image.get();
}

std::string NtfsImage::icat(std::uint32_t record) const {
    return icatAt(path_, kVolumeStart, std::to_string(record));
}

bool NtfsImage::build(const fs::path& folder, std::string& why) {
    const fs::path volume = folder / "vol.img";
    const fs::path mnt = folder / "mnt";
    fs::create_directories(mnt);
    auto step = [&](const std::string& command) { return runStep(command, why); };
    if (!step("truncate -s " + std::to_string(kVolumeSectors * 512) + " " +
              shellQuote(volume.string())) ||
        !step("mkntfs -F -Q -q -s 512 -c " + std::to_string(kSectorsPerCluster * 512) + " -p " +
              std::to_string(kVolumeStart) + " -H 255 -S 63 " + shellQuote(volume.string())) ||
        !step("ntfs-3g -o compression " + shellQuote(volume.string()) + " " +
              shellQuote(mnt.string())))
        return false;

    auto add = [&](const std::string& relative, const std::string& content) {
        const fs::path at = mnt / fs::u8path(relative);
        fs::create_directories(at.parent_path());
        writeAll(at, content);
        files_[relative] = {content, inodeOf(at), false};
    };
    auto folderRecord = [&](const std::string& relative) {
        folders_[relative] = inodeOf(mnt / fs::u8path(relative));
    };

    // A file in hundreds of fragments: one-cluster holes left between fillers in an
    // otherwise full volume, so its run list no longer fits in its record.
    const std::size_t cluster = kSectorsPerCluster * 512;
    fs::create_directories(mnt / "fill");
    for (int i = 0; i < 700; ++i)
        writeAll(mnt / "fill" / ("f" + std::to_string(i)), NoiseBytes(cluster, 1000 + i));
    {
        std::ofstream pad(mnt / "pad", std::ios::binary);
        const std::string block(1 << 20, 'p');
        while (pad.write(block.data(), static_cast<std::streamsize>(block.size())))
            pad.flush();
    }
    for (int i = 0; i < 700; i += 2)
        fs::remove(mnt / "fill" / ("f" + std::to_string(i)));
    add("frag.bin", NoiseBytes(300 * cluster, 7));
    fs::remove(mnt / "pad");
    fs::remove_all(mnt / "fill");

    // Data clusters between holes: every other cluster sparse, so the run list takes
    // several extension records.
    {
        const fs::path listed = mnt / "listed.bin";
        std::string content(1200 * cluster, '\0');
        std::ofstream out(listed, std::ios::binary);
        for (std::size_t i = 0; i < 1200; i += 2) {
            const std::string block = NoiseBytes(cluster, 5000 + static_cast<std::uint32_t>(i));
            content.replace(i * cluster, cluster, block);
            out.seekp(static_cast<std::streamoff>(i * cluster));
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        out.seekp(static_cast<std::streamoff>(content.size() - 1));
        out.put('\0');
        out.close();
        files_["listed.bin"] = {content, inodeOf(listed), false};
    }
    add("small.txt", "A small file that lives inside its own MFT record.\n");
    add("empty.txt", "");
    add("big.bin", NoiseBytes(300000, 1));
    add("docs/2024/report.doc", NoiseBytes(20000, 2));
    add("docs/notes.txt", std::string(5000, 'n'));
    add(std::string(200, 'L') + ".txt", "long name\n");
    add("Привет_мир.txt", "cyrillic\n");
    add("日本語のファイル.txt", "japanese\n");
    add("emoji_😀_🎉.txt", "surrogate pairs\n");
    add("Ελληνικά/κείμενο.txt", NoiseBytes(3000, 3));
    folderRecord("docs");
    folderRecord("docs/2024");
    folderRecord("Ελληνικά");
    {
        const fs::path sparse = mnt / "sparse.bin";
        std::ofstream out(sparse, std::ios::binary);
        out.seekp(1 << 20);
        out << "middle";
        out.seekp((5 << 20) - 3);
        out << "end";
        out.close();
        std::string content(5 << 20, '\0');
        content.replace(1 << 20, 6, "middle");
        content.replace((5 << 20) - 3, 3, "end");
        files_["sparse.bin"] = {content, inodeOf(sparse), false};
    }
    fs::create_directories(mnt / "comp");
    const unsigned char flags[4] = {0, 0, kCompressedFlag >> 8, 0};
    if (::setxattr((mnt / "comp").c_str(), kNtfsFlags, flags, sizeof flags, 0) != 0) {
        why = "the compressed flag could not be set";
        run("umount " + shellQuote(mnt.string()));
        return false;
    }
    folderRecord("comp");
    std::string text;
    while (text.size() < 200000)
        text += "Compressible line of text number " + std::to_string(text.size()) + "\n";
    add("comp/text.txt", text + NoiseBytes(10000, 4));
    add("comp/noise.bin", NoiseBytes(70000, 5));

    // Deleted with rm: one file and a folder tree.
    add("gone.txt", NoiseBytes(9000, 6));
    add("oldtree/top.txt", NoiseBytes(4000, 8));
    add("oldtree/sub/inner.txt", "inner file of a deleted tree\n");
    deletedFolders_["oldtree"] = inodeOf(mnt / "oldtree");
    deletedFolders_["oldtree/sub"] = inodeOf(mnt / "oldtree/sub");
    fs::remove(mnt / "gone.txt");
    fs::remove_all(mnt / "oldtree");
    for (auto& [name, file] : files_)
        file.deleted = name == "gone.txt" || name.rfind("oldtree/", 0) == 0;

    if (!step("umount " + shellQuote(mnt.string())))
        return false;
    path_ = folder / "disk.img";
    return step("truncate -s " + std::to_string((kVolumeStart + kVolumeSectors + 2048) * 512) +
                " " + shellQuote(path_.string())) &&
           step("dd if=" + shellQuote(volume.string()) + " of=" + shellQuote(path_.string()) +
                " bs=512 seek=" + std::to_string(kVolumeStart) +
                " conv=notrunc,sparse status=none") &&
           (fs::remove(volume), true);
}

} // namespace qr::test
