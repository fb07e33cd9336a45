// A file of more than 4 GiB on a real NTFS volume (a sparse file made through ntfs-3g):
// listed with its whole size and extracted to its last byte, also from a row whose size
// a recovery log clipped, and listed and counted whole by recovery-cli from a reloaded
// log.
#include "disk/ByteView.h"
#include "model/RecordTable.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/NtfsSearch.h"
#include "support/ImageSource.h"
#include "support/TestSupport.h"
#include "volume/FileSink.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace qr::ntfs {
namespace {

constexpr std::uint64_t kBigSize = (5ull << 30) + 11; // 5 GiB and the marker
const std::string kMarker = "TAIL-MARKER";

// Counts the bytes and keeps the last few.
class TailSink : public volume::FileSink {
public:
    bool write(disk::ByteView bytes) override {
        written += bytes.size();
        tail.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (tail.size() > 64)
            tail.erase(0, tail.size() - 64);
        return true;
    }
    bool interrupted() override { return false; }
    void unreadable(std::uint64_t, std::uint64_t) override {}
    std::uint64_t written = 0;
    std::string tail;
};

class NtfsLargeFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (::geteuid() != 0 || !test::haveTools({"mkntfs", "ntfs-3g", "truncate", "dd"})) {
            skipWhy = "mkntfs, ntfs-3g, FUSE and root are needed";
            return;
        }
        folder = std::make_unique<test::TempDir>();
        const auto image = *folder / "volume.img";
        const auto mnt = *folder / "mnt";
        std::filesystem::create_directories(mnt);
        std::string why;
        auto step = [&](const std::string& command) { return test::runStep(command, why); };
        const std::string big = test::shellQuote((mnt / "big.bin").string());
        if (!step("truncate -s 32M " + test::shellQuote(image.string())) ||
            !step("mkntfs -F -Q -q -s 512 -c 4096 " + test::shellQuote(image.string())) ||
            !step("ntfs-3g " + test::shellQuote(image.string()) + " " +
                  test::shellQuote(mnt.string())) ||
            !step("truncate -s " + std::to_string(kBigSize - kMarker.size()) + " " + big) ||
            !step("printf " + kMarker + " >> " + big) ||
            !step("umount " + test::shellQuote(mnt.string()))) {
            skipWhy = why;
            return;
        }
        imagePath = image.string();
    }
    static void TearDownTestSuite() { folder.reset(); }

    void SetUp() override {
        if (imagePath.empty())
            GTEST_SKIP() << skipWhy;
        source = std::make_unique<test::ImageSource>(imagePath);
        unsigned char boot[512];
        source->readSectors(0, 1, boot);
        const disk::ByteView view(boot, sizeof boot);
        geometry.volumeStart = 0;
        geometry.volumeEnd = 32 * 2048;
        geometry.sectorsPerCluster = view.u8(0x0D);
        geometry.mftStart = view.u64(0x30) * geometry.sectorsPerCluster;
        volume::NoProgress progress;
        search = RunNtfsStandardSearch(*source, geometry, tables.folderTable, tables.fileTable,
                                       progress);
        engine = std::make_unique<NtfsEngine>(*source, geometry, search.mftRuns, tables.fileTable);
    }

    volume::FolderFile bigFile() {
        volume::FolderFile found;
        engine->listFiles(5, false, [&](const volume::FolderFile& f) {
            if (f.name == "big.bin")
                found = f;
            return true;
        });
        return found;
    }

    static inline std::unique_ptr<test::TempDir> folder;
    static inline std::string imagePath;
    static inline std::string skipWhy;
    std::unique_ptr<test::ImageSource> source;
    NtfsGeometry geometry;
    model::RecordTables tables;
    NtfsSearchResult search;
    std::unique_ptr<NtfsEngine> engine;
};

TEST_F(NtfsLargeFile, IsListedWithItsWholeSizeAndExtractedToItsLastByte) {
    const volume::FolderFile file = bigFile();
    ASSERT_EQ(file.name, "big.bin");
    EXPECT_EQ(file.size, kBigSize);
    TailSink sink;
    engine->extract(file, sink, {});
    EXPECT_EQ(sink.written, kBigSize);
    EXPECT_EQ(sink.tail.substr(sink.tail.size() - kMarker.size()), kMarker);
}

TEST_F(NtfsLargeFile, ARowWhoseSizeALogClippedStillGivesTheWholeFile) {
    volume::FolderFile file = bigFile();
    ASSERT_EQ(file.name, "big.bin");
    for (const std::uint64_t stored : {std::uint64_t{0xFFFFFFFFu}, kBigSize & 0xFFFFFFFFu}) {
        file.size = stored;
        TailSink sink;
        engine->extract(file, sink, {});
        EXPECT_EQ(sink.written, kBigSize) << stored;
    }
}

TEST_F(NtfsLargeFile, AClippedRowIsListedWithTheRealSizeOnlyWhenItsRecordGivesOne) {
    using namespace model::folder_col;
    int row = 0;
    while (row < tables.fileTable.rowCount() && tables.fileTable.cell(row, Name) != "big.bin")
        ++row;
    ASSERT_LT(row, tables.fileTable.rowCount());
    tables.fileTable.setNumber64(row, Size, 0xFFFFFFFF);
    // As after a log is loaded: an engine without the MFT's runs.
    auto listed = [&] {
        engine = std::make_unique<NtfsEngine>(*source, geometry, nullptr, tables.fileTable);
        return bigFile().size;
    };
    EXPECT_EQ(listed(), kBigSize);
    // A row naming a sector that holds no file record (a damaged log), or the record of
    // a smaller file ($MFT's own), keeps its size.
    for (const std::uint64_t elsewhere :
         std::vector<std::uint64_t>{0, geometry.mftStart, 32 * 2048 - 1, 0xFFFFFFF0u}) {
        tables.fileTable.setNumber(row, Sector, static_cast<std::uint32_t>(elsewhere));
        EXPECT_EQ(listed(), 0xFFFFFFFFu) << elsewhere;
    }
}

TEST_F(NtfsLargeFile, KeepsItsWholeSizeInTheListAndTheSpaceCheckAfterALogIsLoaded) {
    test::TempDir work;
    auto cli = [&](const std::string& args) {
        return test::run(std::string(RECOVERY_CLI) + " --image " + test::shellQuote(imagePath) +
                         " " + args + " 2>&1 </dev/null");
    };
    const std::string log = test::shellQuote((work / "big.dms").string());
    const std::string row = "big.bin\tFile\t" + std::to_string(kBigSize) + "\t";
    const test::CommandResult searched =
        cli("list --fs NTFS --start 0 --end " + std::to_string(32 * 2048) + " --save-log " + log);
    ASSERT_EQ(searched.exitCode, 0) << searched.output;
    EXPECT_NE(searched.output.find(row), std::string::npos) << searched.output;

    const test::CommandResult reloaded = cli("list --log " + log);
    ASSERT_EQ(reloaded.exitCode, 0) << reloaded.output;
    EXPECT_NE(reloaded.output.find(row), std::string::npos) << reloaded.output;

    // A save from the log asks room for the whole file, not for the clipped size.
    const auto small = work / "small";
    std::filesystem::create_directories(small);
    if (test::run("mount -t tmpfs -o size=16m tmpfs " + test::shellQuote(small.string()))
            .exitCode == 0) {
        const test::CommandResult refused =
            cli("save --log " + log + " --to " + test::shellQuote(small.string()));
        test::run("umount " + test::shellQuote(small.string()));
        EXPECT_EQ(refused.exitCode, 1) << refused.output;
        EXPECT_NE(refused.output.find("5121 MB needed"), std::string::npos) << refused.output;
    }
}

} // namespace
} // namespace qr::ntfs
