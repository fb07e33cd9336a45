// The standard search and extraction on a real exFAT volume made with mkfs.exfat and
// filled through exfat-fuse, compared with the files written and with icat.
#include "exfat/AllocationBitmap.h"
#include "exfat/DirectoryWalk.h"
#include "exfat/ExfatEngine.h"
#include "exfat/ExfatSearch.h"
#include "exfat/FatChain.h"
#include "model/RecordTable.h"
#include "support/ExfatImages.h"
#include "support/ImageSource.h"
#include "support/NtfsImages.h"
#include "support/StringSink.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace qr::exfat {
namespace {

using test::ExfatImage;
using test::StringSink;

std::string leaf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A search of an image file, with its folders by path.
struct Searched {
    explicit Searched(const std::string& image) : source(image) {
        const auto region = exfat::ReadExfatBootRegion(source, ExfatImage::kVolumeStart,
                                                       ExfatImage::kVolumeSectors);
        if (!region.geometry)
            return;
        geometry = *region.geometry;
        fromBackup = region.fromBackup;
        volume::NoProgress progress;
        result = RunExfatStandardSearch(source, geometry, tables.folderTable, tables.fileTable,
                                        progress);
        engine = std::make_unique<ExfatEngine>(source, geometry, nullptr, tables.fileTable);
        using namespace model::folder_col;
        // Paths of the folders, from the rows' keys.
        std::map<std::uint32_t, int> rowOfKey;
        for (int row = 0; row < tables.folderTable.rowCount(); ++row)
            rowOfKey[tables.folderTable.number(row, Self)] = row;
        for (int row = 0; row < tables.folderTable.rowCount(); ++row) {
            std::string path = tables.folderTable.cell(row, Name);
            std::uint32_t parent = tables.folderTable.number(row, Parent);
            for (int depth = 0; parent != kRootKey && depth < 64; ++depth) {
                const auto it = rowOfKey.find(parent);
                if (it == rowOfKey.end())
                    break;
                path = tables.folderTable.cell(it->second, Name) + "/" + path;
                parent = tables.folderTable.number(it->second, Parent);
            }
            folderKey[path] = tables.folderTable.number(row, Self);
        }
    }

    std::map<std::string, volume::FolderFile> listed(std::uint32_t key) {
        std::map<std::string, volume::FolderFile> files;
        engine->listFiles(key, false, [&](const volume::FolderFile& f) {
            files[f.name] = f;
            return true;
        });
        return files;
    }

    std::string extract(const volume::FolderFile& file, volume::ExtractReport* out = nullptr) {
        StringSink sink;
        const volume::ExtractReport report = engine->extract(file, sink, {});
        if (out)
            *out = report;
        return sink.data;
    }

    test::ImageSource source;
    Geometry geometry;
    bool fromBackup = false;
    model::RecordTables tables;
    ExfatSearchResult result;
    std::unique_ptr<ExfatEngine> engine;
    std::map<std::string, std::uint32_t> folderKey;
};

// fls's inode of the deleted file `name` in the volume of `disk`.
std::string deletedInode(const std::filesystem::path& disk, const std::string& name) {
    std::istringstream lines(test::runOrFail("fls -rd -o " +
                                             std::to_string(ExfatImage::kVolumeStart) + " " +
                                             test::shellQuote(disk.string())));
    for (std::string line; std::getline(lines, line);) {
        const auto star = line.find("* ");
        const auto colon = line.find(":\t");
        if (star < colon && colon != std::string::npos && line.substr(colon + 2) == name)
            return line.substr(star + 2, colon - star - 2);
    }
    return {};
}

class ExfatVolume : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        image = ExfatImage::shared(&why);
        if (!image)
            GTEST_SKIP() << why;
        search = std::make_unique<Searched>(image->path().string());
        ASSERT_TRUE(search->engine) << "the boot region did not open the volume";
    }

    // A copy of the image to damage.
    std::string copyImage() {
        const std::filesystem::path copy = dir / "copy.img";
        test::runOrFail("cp --sparse=always " + test::shellQuote(image->path().string()) + " " +
                        test::shellQuote(copy.string()));
        return copy.string();
    }

    static void overwrite(const std::string& path, std::uint64_t offset, const std::string& bytes) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(offset));
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    const ExfatImage* image = nullptr;
    std::unique_ptr<Searched> search;
    test::TempDir dir;
};

TEST_F(ExfatVolume, EveryFileIsListedAtItsPathWithSizeAndDateAndSavedByteForByte) {
    const auto inodes = image->flsInodes();
    for (const auto& [path, file] : image->files()) {
        SCOPED_TRACE(path);
        const std::string parent = parentOf(path);
        const auto key = parent.empty() ? kRootKey : search->folderKey.at(parent);
        const auto files = search->listed(key);
        const auto it = files.find(leaf(path));
        ASSERT_NE(it, files.end());
        EXPECT_EQ(it->second.size, file.content.size());
        EXPECT_EQ(it->second.deleted, file.deleted);
        // The stamp is local time to two seconds.
        const std::time_t when = static_cast<std::time_t>(file.modified);
        std::tm local{};
        localtime_r(&when, &local);
        volume::CalendarDate date;
        ASSERT_TRUE(search->engine->calendarDate(it->second.stamp, date));
        EXPECT_EQ(date.year, static_cast<std::uint32_t>(local.tm_year + 1900));
        EXPECT_EQ(date.month, static_cast<std::uint32_t>(local.tm_mon + 1));
        EXPECT_EQ(date.day, static_cast<std::uint32_t>(local.tm_mday));
        EXPECT_EQ((it->second.stamp.date >> 11) & 0x1F, static_cast<std::uint64_t>(local.tm_hour));
        volume::ExtractReport report;
        const std::string bytes = search->extract(it->second, &report);
        EXPECT_EQ(report.end, volume::ExtractEnd::Complete) << report.why;
        EXPECT_TRUE(bytes == file.content) << "got " << bytes.size() << " bytes";
        if (!file.deleted && inodes.count(path)) {
            EXPECT_TRUE(bytes == image->icat(inodes.at(path))) << "differs from icat";
        }
    }
}

TEST_F(ExfatVolume, TheFragmentedFileReallyIsInPiecesAndFoldersAreMarked) {
    const auto files = search->listed(kRootKey);
    const volume::FolderFile& frag = files.at(ExfatImage::kFragmented);
    EXPECT_EQ(frag.flags & ExfatEngine::kNoFatChainFlag, 0u);
    FatTable fat(search->source, search->geometry);
    const Chain chain =
        WalkChain(fat, search->geometry, static_cast<std::uint32_t>(frag.location), 1000);
    EXPECT_EQ(chain.end, ChainEnd::EndMark);
    int jumps = 0;
    for (std::size_t i = 1; i < chain.clusters.size(); ++i)
        jumps += chain.clusters[i] != chain.clusters[i - 1] + 1;
    EXPECT_GT(jumps, 10);

    using namespace model::folder_col;
    const model::RecordTable& folders = search->tables.folderTable;
    EXPECT_EQ(folders.cell(0, Name), "Lost");
    EXPECT_EQ(folders.number(0, Self), model::kLostFolderKey);
    for (const char* live : {"docs", "docs/2024", "many", "Ελληνικά", "orphans/child"})
        EXPECT_TRUE(search->folderKey.count(live)) << live;
    for (const char* gone : {"oldtree", "oldtree/sub"}) {
        ASSERT_TRUE(search->folderKey.count(gone)) << gone;
        for (int row = 0; row < folders.rowCount(); ++row) {
            if (folders.number(row, Self) == search->folderKey.at(gone)) {
                EXPECT_TRUE(folders.flag(row, Deleted)) << gone;
            }
        }
    }
    // On the undamaged volume only clusters of deleted folders the walk could not follow
    // (their chains are gone) are found lost, and all they hold is deleted.
    for (const auto& [path, key] : search->folderKey) {
        if (path.rfind("Lost/", 0) != 0)
            continue;
        for (const auto& [name, file] : search->listed(key)) {
            EXPECT_TRUE(file.deleted) << path << "/" << name;
        }
    }
}

TEST_F(ExfatVolume, WithTheMainBootSectorZeroedTheBackupRegionOpensTheVolume) {
    const std::string copy = copyImage();
    overwrite(copy, ExfatImage::kVolumeStart * 512, std::string(512, '\0'));
    Searched damaged(copy);
    ASSERT_TRUE(damaged.engine);
    EXPECT_TRUE(damaged.fromBackup);
    EXPECT_EQ(damaged.result.files, search->result.files);
    const auto files = damaged.listed(damaged.folderKey.at("docs/2024"));
    ASSERT_TRUE(files.count("report.doc"));
    EXPECT_TRUE(damaged.extract(files.at("report.doc")) ==
                image->files().at("docs/2024/report.doc").content);

    // A changed byte in the main region's checksummed sectors sends it to the backup too.
    const std::string again = copyImage();
    overwrite(again, ExfatImage::kVolumeStart * 512 + 3 * 512 + 7, "x");
    Searched checksummed(again);
    ASSERT_TRUE(checksummed.engine);
    EXPECT_TRUE(checksummed.fromBackup);

    // With both regions gone nothing opens.
    overwrite(again, (ExfatImage::kVolumeStart + 12) * 512, std::string(512, '\0'));
    Searched none(again);
    EXPECT_FALSE(none.engine);
}

TEST_F(ExfatVolume, AFolderWhoseParentDirectoryWasOverwrittenAppearsUnderLostWithItsFiles) {
    const std::uint32_t parent = search->folderKey.at("orphans");
    const std::uint32_t child = search->folderKey.at("orphans/child");
    const std::string copy = copyImage();
    overwrite(copy, search->geometry.clusterSector(parent) * 512,
              std::string(search->geometry.clusterBytes(), 'Z'));
    Searched damaged(copy);
    ASSERT_TRUE(damaged.engine);
    // The parent keeps its own entry (in the root) but no longer names its child.
    EXPECT_TRUE(damaged.folderKey.count("orphans"));
    EXPECT_FALSE(damaged.folderKey.count("orphans/child"));
    EXPECT_GE(damaged.result.lostFolders, 1u);
    const std::string lostPath = "Lost/Dir" + std::to_string(child);
    ASSERT_TRUE(damaged.folderKey.count(lostPath)) << "no " << lostPath;
    EXPECT_EQ(damaged.folderKey.at(lostPath), child);
    const auto files = damaged.listed(child);
    for (const char* name : {"kept.bin", "note.txt"}) {
        ASSERT_TRUE(files.count(name)) << name;
        EXPECT_TRUE(damaged.extract(files.at(name)) ==
                    image->files().at(std::string("orphans/child/") + name).content);
    }
}

TEST_F(ExfatVolume, ADeletedPhotoWrittenIntoHolesBetweenLiveFilesIsSavedAsIcatGetsIt) {
    // exfat-fuse fills the holes left between live files first, then goes on behind them.
    const std::string photo = "\xFF\xD8\xFF\xE0" +
                              test::NoiseBytes(25 * ExfatImage::kClusterBytes + 100, 21) +
                              "\xFF\xD9";
    const auto put = [](const std::filesystem::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    };
    const auto fill = [&](const std::filesystem::path& mnt) {
        for (int i = 0; i < 12; ++i)
            put(mnt / ("f" + std::to_string(i)),
                test::NoiseBytes(2 * ExfatImage::kClusterBytes, 30 + i));
        for (int i = 0; i < 12; i += 2)
            std::filesystem::remove(mnt / ("f" + std::to_string(i)));
        put(mnt / "photo.jpg", photo);
        std::filesystem::remove(mnt / "photo.jpg");
    };
    std::string why;
    const std::filesystem::path disk = dir / "holes.img";
    ASSERT_TRUE(
        test::MakeFilledExfatVolume(dir / "vol.img", dir / "mnt", ExfatImage::kVolumeSectors,
                                    "-c " + std::to_string(ExfatImage::kClusterBytes), fill, why) &&
        test::PlaceExfatVolume(dir / "vol.img", disk, ExfatImage::kVolumeStart,
                               ExfatImage::kVolumeSectors,
                               ExfatImage::kVolumeStart + ExfatImage::kVolumeSectors + 2048, why))
        << why;
    Searched holes(disk.string());
    ASSERT_TRUE(holes.engine);
    const auto files = holes.listed(kRootKey);
    ASSERT_TRUE(files.count("photo.jpg"));
    const volume::FolderFile& deleted = files.at("photo.jpg");
    ASSERT_TRUE(deleted.deleted);
    // The consecutive clusters from its first one run into the live files.
    FatTable fat(holes.source, holes.geometry);
    const auto taken = AllocationBitmap::Load(holes.source, holes.geometry, fat);
    bool meetsLiveFile = false;
    for (std::uint64_t c = deleted.location; c < deleted.location + 26; ++c)
        meetsLiveFile = meetsLiveFile || taken.taken(static_cast<std::uint32_t>(c));
    EXPECT_TRUE(meetsLiveFile);

    const std::string oracle =
        test::icatAt(disk, ExfatImage::kVolumeStart, deletedInode(disk, "photo.jpg"));
    ASSERT_EQ(oracle, photo) << "icat should get the photo whole";
    volume::ExtractReport report;
    EXPECT_TRUE(holes.extract(deleted, &report) == photo);
    EXPECT_TRUE(report.uncertain);
}

} // namespace
} // namespace qr::exfat
