#include "support/VolumeImages.h"
#include "app/ReadFailureNotice.h"

#include "disk/SectorReader.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace qr::test {

VolumeTestContext::VolumeTestContext(std::shared_ptr<disk::DeviceOpener> opener,
                                     const std::string& device) {
    app::Services services;
    services.window = &window;
    services.messages = &messages;
    services.registry = &registry;
    ctx = std::make_unique<app::RecoveryContext>(services);
    ctx->reader = app::MakeSectorReader(*ctx, std::move(opener));
    ctx->reader->paths().setName(0, device);
}

void VolumeTestContext::setGeometry(std::uint64_t cylinders, std::uint64_t heads,
                                    std::uint64_t sectorsPerTrack) {
    const auto root = platform::RegistryRoot::ClassesRoot;
    const std::string base = "Quarrixdale Removal Media\\";
    registry.setValue(root, base + "Cylinder", "Disk0", std::to_string(cylinders));
    registry.setValue(root, base + "Head", "Disk0", std::to_string(heads));
    registry.setValue(root, base + "SectorsPerTrack", "Disk0", std::to_string(sectorsPerTrack));
}

void formatFat(const std::filesystem::path& image, int fatBits, std::uint64_t offset,
               std::uint64_t sectors, const std::string& extra) {
    const std::uint64_t needed = (offset + sectors) * 512;
    if (!std::filesystem::exists(image) || std::filesystem::file_size(image) < needed)
        runOrFail("truncate -s " + std::to_string(needed) + " " + shellQuote(image.string()));
    // The block count of mkfs.fat is in KiB.
    runOrFail("mkfs.fat -F " + std::to_string(fatBits) + " --offset " + std::to_string(offset) +
              " -h " + std::to_string(offset) + " " + extra + " " + shellQuote(image.string()) +
              " " + std::to_string(sectors / 2));
}

void makeFatFolders(const std::filesystem::path& image, std::uint64_t offset,
                    std::initializer_list<const char*> folders) {
    for (const char* folder : folders)
        runOrFail("MTOOLS_SKIP_CHECK=1 mmd -i " + shellQuote(image.string()) + "@@" +
                  std::to_string(offset * 512) + " ::" + folder);
}

void formatNtfs(const std::filesystem::path& image, std::uint64_t offset, std::uint64_t sectors,
                const std::string& extra) {
    const std::filesystem::path part = image.string() + ".ntfs";
    runOrFail("truncate -s " + std::to_string(sectors * 512) + " " + shellQuote(part.string()));
    runOrFail("mkntfs -F -Q -q -s 512 -p " + std::to_string(offset) + " -H 255 -S 63 " + extra +
              " " + shellQuote(part.string()));
    runOrFail("dd if=" + shellQuote(part.string()) + " of=" + shellQuote(image.string()) +
              " bs=512 seek=" + std::to_string(offset) + " conv=notrunc,sparse status=none");
    std::filesystem::remove(part);
}

std::filesystem::path makeFat32AndNtfsDisk(const std::filesystem::path& folder) {
    const std::filesystem::path image = folder / "disk.img";
    runOrFail("truncate -s 600M " + shellQuote(image.string()));
    runOrFail("printf 'label: dos\\n63,1000000,c\\n1000125,,f\\n1000188,,7\\n' | sfdisk -q " +
              shellQuote(image.string()));
    formatFat(image, 32, 63, 1000000);
    formatNtfs(image, 1000188, 1228800 - 1000188);
    return image;
}

std::string cli(const std::filesystem::path& image, const std::string& args, int expected) {
    const CommandResult r = run(std::string(RECOVERY_CLI) + " --image " +
                                shellQuote(image.string()) + " " + args + " </dev/null");
    EXPECT_EQ(r.exitCode, expected) << args << "\n" << r.output;
    return r.output;
}

SectorBytes readImageSector(const std::filesystem::path& image, std::uint64_t sector) {
    SectorBytes s{};
    std::ifstream in(image, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(sector * 512));
    in.read(reinterpret_cast<char*>(s.data()), s.size());
    return s;
}

void writeImageSector(const std::filesystem::path& image, std::uint64_t sector,
                      const SectorBytes& bytes) {
    std::fstream out(image, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(sector * 512));
    out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::uint16_t le16(const SectorBytes& s, std::size_t offset) {
    return static_cast<std::uint16_t>(s[offset] | (s[offset + 1] << 8));
}

std::uint32_t le32(const SectorBytes& s, std::size_t offset) {
    return le16(s, offset) | (static_cast<std::uint32_t>(le16(s, offset + 2)) << 16);
}

} // namespace qr::test
