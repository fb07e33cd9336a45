// The standard search and extraction on a real NTFS volume made with mkntfs and
// filled through ntfs-3g, compared with the files written and with icat.
#include "model/RecordTable.h"
#include "ntfs/Attribute.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/NtfsSearch.h"
#include "support/ImageSource.h"
#include "support/NtfsImages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace qr::ntfs {
namespace {

using test::NtfsImage;

struct StringSink final : volume::FileSink {
    bool write(disk::ByteView bytes) override {
        data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    }
    bool interrupted() override { return false; }
    void unreadable(std::uint64_t, std::uint64_t) override { ++unreadableCalls; }
    std::string data;
    int unreadableCalls = 0;
};

NtfsGeometry geometryOf(test::ImageSource& source) {
    unsigned char boot[512];
    source.readSectors(NtfsImage::kVolumeStart, 1, boot);
    const disk::ByteView view(boot, sizeof boot);
    NtfsGeometry g;
    g.volumeStart = NtfsImage::kVolumeStart;
    g.volumeEnd = NtfsImage::kVolumeStart + NtfsImage::kVolumeSectors;
    g.sectorsPerCluster = view.u8(0x0D);
    g.mftStart = g.volumeStart + view.u64(0x30) * g.sectorsPerCluster;
    return g;
}

std::string leaf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class NtfsVolume : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        image = NtfsImage::shared(&why);
        if (!image)
            GTEST_SKIP() << why;
        source = std::make_unique<test::ImageSource>(image->path().string());
        geometry = geometryOf(*source);
        volume::NoProgress progress;
        search = RunNtfsStandardSearch(*source, geometry, tables.folderTable, tables.fileTable,
                                       progress);
        engine = std::make_unique<NtfsEngine>(*source, geometry, search.mftRuns, tables.fileTable);
    }

    // Record number of a file's parent folder (5 for the root).
    std::uint32_t parentRecord(const std::string& path) const {
        const auto slash = path.rfind('/');
        if (slash == std::string::npos)
            return 5;
        const std::string parent = path.substr(0, slash);
        if (auto it = image->folders().find(parent); it != image->folders().end())
            return it->second;
        return image->deletedFolders().at(parent);
    }

    std::map<std::string, volume::FolderFile> listed(std::uint32_t folder) {
        std::map<std::string, volume::FolderFile> files;
        engine->listFiles(folder, false, [&](const volume::FolderFile& f) {
            files[f.name] = f;
            return true;
        });
        return files;
    }

    const NtfsImage* image = nullptr;
    std::unique_ptr<test::ImageSource> source;
    NtfsGeometry geometry;
    model::RecordTables tables;
    NtfsSearchResult search;
    std::unique_ptr<NtfsEngine> engine;
};

TEST_F(NtfsVolume, EveryFileIsListedAtItsPathAndSavedByteForByte) {
    for (const auto& [path, file] : image->files()) {
        SCOPED_TRACE(path);
        const auto files = listed(parentRecord(path));
        const auto it = files.find(leaf(path));
        ASSERT_NE(it, files.end());
        EXPECT_EQ(it->second.size, file.content.size());
        EXPECT_EQ(it->second.deleted, file.deleted);
        EXPECT_EQ(it->second.selfKey, file.record);
        StringSink sink;
        const volume::ExtractReport report =
            engine->extract(it->second, sink, volume::ExtractOptions{});
        EXPECT_EQ(report.end, volume::ExtractEnd::Complete) << report.why;
        EXPECT_FALSE(report.notDecoded);
        EXPECT_TRUE(sink.data == file.content) << "got " << sink.data.size() << " bytes";
        if (!file.deleted) {
            EXPECT_TRUE(sink.data == image->icat(file.record)) << "differs from icat";
        }
    }
}

TEST_F(NtfsVolume, FoldersHangUnderTheirParentsAndDeletedOnesAreMarked) {
    using namespace model::folder_col;
    const model::RecordTable& folders = tables.folderTable;
    ASSERT_GT(folders.rowCount(), 0);
    EXPECT_EQ(folders.cell(0, Name), "Lost");
    EXPECT_EQ(folders.number(0, Self), model::kLostFolderKey);
    EXPECT_EQ(folders.number(0, Parent), 5u);
    std::map<std::uint32_t, int> bySelf;
    for (int row = 1; row < folders.rowCount(); ++row)
        bySelf[folders.number(row, Self)] = row;
    auto check = [&](const std::string& path, std::uint32_t record, bool deleted) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(bySelf.count(record));
        const int row = bySelf[record];
        EXPECT_EQ(folders.cell(row, Name, 1024), leaf(path));
        EXPECT_EQ(folders.number(row, Parent), parentRecord(path));
        EXPECT_EQ(folders.flag(row, Deleted), deleted);
        EXPECT_EQ(folders.cell(row, Type), "FOLDER");
    };
    for (const auto& [path, record] : image->folders())
        check(path, record, false);
    for (const auto& [path, record] : image->deletedFolders())
        check(path, record, true);
}

TEST_F(NtfsVolume, SystemRecordsAreNeverListed) {
    for (const auto& [name, file] : listed(5))
        EXPECT_GE(file.selfKey, 20u) << name;
    EXPECT_EQ(listed(5).count("$MFT"), 0u);
    // They are in the table all the same.
    bool mft = false;
    for (int row = 0; row < tables.fileTable.rowCount(); ++row)
        mft = mft || tables.fileTable.cell(row, model::folder_col::Name) == "$MFT";
    EXPECT_TRUE(mft);
}

TEST_F(NtfsVolume, TheFileInHundredsOfRunsKeepsThemInExtensionRecords) {
    const auto& frag = image->files().at("listed.bin");
    RecordBytes record{};
    ASSERT_TRUE(ReadMftRecord(*source, geometry, search.mftRuns, frag.record, record));
    Attribute list;
    EXPECT_TRUE(FindAttribute(disk::ByteView(record.data(), record.size()), kAttributeList, list))
        << "the image did not give listed.bin an attribute list";
}

TEST_F(NtfsVolume, TheCompressedAndSparseFilesAreStoredSo) {
    auto dataOf = [&](const std::string& path) {
        RecordBytes record{};
        EXPECT_TRUE(ReadMftRecord(*source, geometry, search.mftRuns, image->files().at(path).record,
                                  record));
        Attribute data;
        EXPECT_TRUE(FindAttribute(disk::ByteView(record.data(), record.size()), kData, data));
        return std::pair{record, data.flags()};
    };
    EXPECT_TRUE(dataOf("comp/text.txt").second & kCompressed);
    EXPECT_TRUE(dataOf("sparse.bin").second & kSparse);
}

TEST_F(NtfsVolume, DatesAreShownInNtfsForm) {
    const auto files = listed(5);
    const volume::FolderFile& small = files.at("small.txt");
    const std::string date = engine->formatDate(small.stamp);
    EXPECT_NE(date.find("-20"), std::string::npos) << date;
    EXPECT_EQ(engine->formatTime({0, 0}), "0:0:0");
    EXPECT_EQ(engine->formatDate({0, 0}), "1-Jan-1601");
}

} // namespace
} // namespace qr::ntfs
