#include "support/ExfatCameraCard.h"

#include "support/NtfsImages.h"
#include "support/TestSupport.h"

#include <fstream>
#include <memory>
#include <unistd.h>

namespace qr::test {

namespace fs = std::filesystem;

namespace {

// A photo as a camera writes one: the JPEG start and end markers around its data.
std::string photo(std::size_t size, std::uint32_t seed) {
    return "\xFF\xD8\xFF\xE1" + NoiseBytes(size - 6, seed) + "\xFF\xD9";
}

std::string png(std::size_t size, std::uint32_t seed) {
    return std::string("\x89PNG\r\n\x1A\n", 8) + NoiseBytes(size - 8, seed);
}

void writeAll(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string sectors(std::uint64_t first, std::uint64_t count) {
    return " bs=512 seek=" + std::to_string(first) + " count=" + std::to_string(count);
}

} // namespace

const ExfatCameraCard* ExfatCameraCard::shared(std::string* why) {
    static std::unique_ptr<TempDir> folder;
    static std::unique_ptr<ExfatCameraCard> card;
    static std::string reason;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
            !haveTools({"mkfs.exfat", "mount.exfat-fuse", "losetup", "sfdisk", "truncate", "dd"})) {
            reason = "mkfs.exfat, exfat-fuse, losetup, sfdisk, FUSE and root are needed";
        } else {
            folder = std::make_unique<TempDir>();
            card.reset(new ExfatCameraCard);
            if (!card->build(folder->path(), reason))
                card.reset();
        }
    }
    if (why)
        *why = reason;
    return card.get();
}

bool ExfatCameraCard::build(const fs::path& folder, std::string& why) {
    const fs::path volume = folder / "vol.img";
    const auto fill = [&](const fs::path& mnt) {
        auto add = [&](const std::string& relative, const std::string& content) {
            writeAll(mnt / fs::u8path(relative), content);
            files_[relative] = {content, false, 0};
        };
        std::uint32_t seed = 1000;
        auto size = [&](std::uint32_t i) { return 20000 + (i * 7919) % 180000; };
        for (std::uint32_t i = 1; i <= 60; ++i)
            add("DCIM/100CANON/IMG_" + std::to_string(1000 + i) + ".JPG", photo(size(i), ++seed));
        // A photo written into one-cluster holes, so only the FAT knows its clusters.
        for (int i = 0; i < 24; ++i)
            writeAll(mnt / "fill" / ("f" + std::to_string(i)), NoiseBytes(kClusterBytes, 50 + i));
        for (int i = 0; i < 24; i += 2)
            fs::remove(mnt / "fill" / ("f" + std::to_string(i)));
        add(kFragmented, photo(8 * kClusterBytes + 123, ++seed));
        fs::remove_all(mnt / "fill");
        for (std::uint32_t i = 1; i <= 40; ++i)
            add("DCIM/101CANON/IMG_" + std::to_string(2000 + i) + ".JPG",
                photo(size(i + 60), ++seed));
        for (std::uint32_t i = 1; i <= 12; ++i)
            add("DCIM/102_PANA/P102" + std::to_string(1000 + i) +
                    " holiday at the seaside with the whole family, day " + std::to_string(i) +
                    ".JPG",
                photo(size(i + 100), ++seed));
        for (std::uint32_t i = 1; i <= 8; ++i)
            add("Фото/写真_" + std::to_string(i) + ".jpg", photo(size(i + 120), ++seed));
        add("Ελληνικά/εικόνα.png", png(40000, ++seed));
        add("DCIM/103OLD/IMG_3001.JPG", photo(50000, ++seed));
        add("DCIM/103OLD/IMG_3002.JPG", photo(60000, ++seed));
        add("notes.txt", "Card notes.\n");
        // Deleted with rm: photos of one folder and a whole folder.
        for (const char* gone : {"DCIM/100CANON/IMG_1003.JPG", "DCIM/100CANON/IMG_1017.JPG"}) {
            fs::remove(mnt / gone);
            files_[gone].deleted = true;
        }
        fs::remove_all(mnt / "DCIM/103OLD");
        for (auto& [name, file] : files_)
            if (name.rfind("DCIM/103OLD/", 0) == 0)
                file.deleted = true;
    };
    path_ = folder / "card.img";
    return MakeFilledExfatVolume(volume, folder / "mnt", kVolumeSectors,
                                 "-c " + std::to_string(kClusterBytes) + " -L CAMERA", fill, why) &&
           PlaceExfatVolume(volume, path_, kVolumeStart, kVolumeSectors, kDiskSectors, why);
}

bool ExfatCameraCard::damagedCopy(Damage damage, const fs::path& to, std::string& why) const {
    auto step = [&](const std::string& command) { return runStep(command, why); };
    const std::string copy = shellQuote(to.string());
    if (!step("cp --sparse=always " + shellQuote(path_.string()) + " " + copy))
        return false;
    if (damage == Damage::Reformatted) {
        const std::string volume = shellQuote(to.string() + ".vol");
        return step("dd if=" + copy + " of=" + volume +
                    " bs=512 skip=" + std::to_string(kVolumeStart) +
                    " count=" + std::to_string(kVolumeSectors) + " conv=sparse status=none") &&
               step("mkfs.exfat " + volume) &&
               step("dd if=" + volume + " of=" + copy + " bs=512 seek=" +
                    std::to_string(kVolumeStart) + " conv=notrunc,sparse status=none") &&
               step("rm " + volume);
    }
    // Both boot regions: twelve sectors each.
    if (!step("dd if=/dev/zero of=" + copy + sectors(kVolumeStart, 24) +
              " conv=notrunc status=none"))
        return false;
    return damage != Damage::TableZeroed ||
           step("dd if=/dev/zero of=" + copy + sectors(0, 1) + " conv=notrunc status=none");
}

} // namespace qr::test
