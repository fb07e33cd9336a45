// The Standard search end to end on FAT16 and FAT32 images made with mkfs.fat and
// mtools: live, deleted and orphaned folders and files under their names, with their
// types, sizes and dates, and a search stopped half-way.
#include "app/FatSearch.h"
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "model/FileList.h"
#include "support/FatImages.h"
#include "support/RecordingWindow.h"
#include "support/TestSupport.h"
#include "volume/VolumeValidation.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <thread>

namespace qr::fat {
namespace {

using model::file_col::DebugInfo3;

// The rebuilt tree as path -> file-list row, every folder opened from the root down.
using Listing = std::map<std::string, model::FileListRow>;

void collect(app::RecoveryContext& ctx, model::TreeItem item, const std::string& path, Listing& out,
             int depth = 0) {
    app::ListFolder(ctx, item, model::kMouseFolderLabels);
    const std::vector<model::FileListRow> rows = ctx.fileList.rows();
    for (const model::FileListRow& row : rows) {
        const std::string p = (path.empty() ? "" : path + "/") + row.cells[model::file_col::Name];
        out[p] = row;
        if (row.image == model::kFolderRowImage && depth < 32)
            collect(ctx, std::stoi(row.cells[DebugInfo3]), p, out, depth + 1);
    }
}

struct Search {
    explicit Search(const test::FatImage& image) {
        app::Services services;
        services.window = &window;
        ctx = std::make_unique<app::RecoveryContext>(services);
        image.selectIn(*ctx);
        ctx->searchMode = app::kSearchStandard;
        ctx->validationSucceeded = app::ValidateVolume(*ctx) == 1;
    }
    Listing run() {
        ScanWorker(*ctx, {});
        return listing();
    }
    Listing listing() {
        Listing out;
        collect(*ctx, ctx->recoveryTree.firstTopLevel(), "", out);
        return out;
    }
    std::string type(const Listing& l, const std::string& path) {
        auto it = l.find(path);
        return it == l.end() ? "<missing " + path + ">" : it->second.cells[model::file_col::Type];
    }

    test::RecordingWindowItems window;
    std::unique_ptr<app::RecoveryContext> ctx;
};

class StandardSearch : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
    }
    test::FatImageOptions options(bool partitioned = false) const {
        test::FatImageOptions o;
        o.fatBits = GetParam();
        o.sizeMiB = GetParam() == 32 ? 40 : 16;
        o.sectorsPerCluster = GetParam() == 32 ? 1 : 4;
        o.partitioned = partitioned;
        return o;
    }
    test::TempDir dir;
};

TEST_P(StandardSearch, LiveDeletedAndOrphanedEntries) {
    test::FatImage image(dir / "card.img", options(true));
    image.mkdir("::/Docs");
    image.mkdir("::/Docs/Sub");
    image.writeFile("::/Docs/Quarterly report 2004.doc", std::string(3000, 'q'));
    image.writeFile("::/Docs/Sub/Ünïcödé ñame.txt", "hello");
    image.mkdir("::/Fotos für Oma");
    image.writeFile("::/README.TXT", "read me");
    image.writeFile("::/Holiday photo.jpg", std::string(700, 'h'));
    image.mkdir("::/Gone");
    image.mkdir("::/Gone/Inner");
    image.writeFile("::/Gone/Inner/deep.txt", "deep");
    image.mkdir("::/Parent");
    image.mkdir("::/Parent/Orphan");
    image.writeFile("::/Parent/Orphan/kept.txt", "kept");
    image.mkdir("::/KEEPDIR");
    image.writeFile("::/KEEPDIR/LIVE.TXT", "live");
    image.del("::/README.TXT");
    image.del("::/Holiday photo.jpg");
    image.delTree("::/Gone");
    image.overwriteCluster(image.firstCluster("::/Parent"));
    // The folder's own entry is marked deleted, its contents left as they were.
    image.markDeleted("KEEPDIR    ");

    Search search(image);
    const Listing l = search.run();
    EXPECT_EQ(search.type(l, "Docs"), "FOLDER");
    EXPECT_EQ(search.type(l, "Docs/Sub"), "FOLDER");
    EXPECT_EQ(search.type(l, "Docs/Quarterly report 2004.doc"), "Microsoft Word File");
    EXPECT_EQ(l.at("Docs/Quarterly report 2004.doc").cells[model::file_col::Size], "3000");
    EXPECT_EQ(search.type(l, "Docs/Sub/Ünïcödé ñame.txt"), "Text file");
    EXPECT_EQ(search.type(l, "Fotos für Oma"), "FOLDER");
    EXPECT_EQ(search.type(l, "_EADME.TXT"), "Deleted Text file");
    EXPECT_EQ(search.type(l, "Holiday photo.jpg"), "Deleted File");
    EXPECT_EQ(l.at("Holiday photo.jpg").cells[model::file_col::Size], "700");
    EXPECT_EQ(search.type(l, "Gone"), "Deleted FOLDER");
    EXPECT_EQ(search.type(l, "Gone/Inner"), "Deleted FOLDER");
    EXPECT_EQ(search.type(l, "Gone/Inner/_EEP.TXT"), "Deleted Text file");
    EXPECT_EQ(search.type(l, "_EEPDIR"), "Deleted FOLDER");
    EXPECT_EQ(search.type(l, "_EEPDIR/LIVE.TXT"), "Deleted Text file");
    EXPECT_EQ(l.count("Parent"), 0u);
    // The orphan hangs under Lost by its scan name, with its own contents.
    const std::regex orphan("Lost/Dir[0-9]+/KEPT\\.TXT");
    int orphans = 0;
    for (const auto& [path, row] : l)
        if (std::regex_match(path, orphan)) {
            ++orphans;
            EXPECT_EQ(row.cells[model::file_col::Type], "Text file");
        }
    EXPECT_EQ(orphans, 1);
    // Dates are today's, as written by mtools.
    EXPECT_TRUE(std::regex_match(l.at("Docs").cells[model::file_col::Date],
                                 std::regex("[0-3][0-9]-[A-Z][a-z][a-z]-20[0-9][0-9]")));
}

TEST_P(StandardSearch, EmptyVolumeYieldsTheLostRowAlone) {
    test::FatImage image(dir / "empty.img", options());
    Search search(image);
    LoadActiveGeometryFromVolume(*search.ctx);
    ScanDirectories(*search.ctx);
    const model::RecordTable& table = search.ctx->tables.folderTable;
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.cell(0, model::folder_col::Name), "Lost");
    EXPECT_EQ(table.cell(0, model::folder_col::Self), "268435455");
    EXPECT_EQ(search.window.text(app::item::kDirectoriesFound), "1");
    const std::vector<std::string> captions =
        search.window.textHistory(app::item::kProgressCaption);
    ASSERT_FALSE(captions.empty());
    const std::string end = std::to_string(search.ctx->volumeParams.partitionEnd);
    EXPECT_EQ(captions.back().substr(0, 8), "Sector  ");
    EXPECT_EQ(captions.back().substr(captions.back().size() - end.size() - 3), " / " + end);
    EXPECT_EQ(search.window.text(app::item::kProgressBar), "99 % Completed");
}

TEST_P(StandardSearch, CopyOfADirectoryHeadIsNotRecorded) {
    test::FatImage image(dir / "copy.img", options());
    image.mkdir("::/A");
    image.writeFile("::/filler.bin", std::string(64 * 1024, 'f'));
    const std::uint32_t a = image.firstCluster("::/A");
    const std::uint32_t filler = image.firstCluster("::/filler.bin");
    std::string head(512, '\0');
    {
        std::ifstream in(image.path(), std::ios::binary);
        in.seekg(static_cast<std::streamoff>(image.clusterSector(a) * 512));
        in.read(head.data(), 512);
    }
    image.writeBytes(image.clusterSector(filler + 3) * 512, head);
    Search search(image);
    LoadActiveGeometryFromVolume(*search.ctx);
    ScanDirectories(*search.ctx);
    const model::RecordTable& table = search.ctx->tables.folderTable;
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.number(1, model::folder_col::Self), a);
    EXPECT_EQ(table.number(1, model::folder_col::Parent), 0u);
    EXPECT_EQ(table.number(1, model::folder_col::Sector), image.clusterSector(a));
}

TEST_P(StandardSearch, StopHalfWayBuildsTheTreeOfWhatWasFound) {
    test::FatImage image(dir / "stop.img", options());
    image.mkdir("::/Early");
    image.writeFile("::/big.bin", std::string(std::size_t{10} << 20, 'b'));
    image.mkdir("::/Late");
    const std::uint64_t late = image.clusterSector(image.firstCluster("::/Late"));
    const std::uint64_t early = image.clusterSector(image.firstCluster("::/Early"));

    // A window that asks for the stop once the scan reports a sector past Early.
    Search search(image);
    class Stopper final : public app::WindowItems {
    public:
        Stopper(app::RecoveryContext& c, std::uint64_t at) : ctx(c), at(at) {}
        void setItemText(int id, const std::string& text) override {
            if (id == app::item::kProgressCaption && text.starts_with("Sector  ") &&
                std::stoull(text.substr(8)) >= at)
                ctx.scanWorker.request_stop();
        }
        void showItem(int, bool) override {}
        void enableItem(int, bool) override {}
        void setProgress(int, int) override {}
        void selectEntry(int, int) override {}
        app::RecoveryContext& ctx;
        std::uint64_t at;
    } stopper(*search.ctx, early + 2000);
    search.ctx->services.window = &stopper;
    StartScanWorker(*search.ctx);
    while (search.ctx->scanWorkerRunning)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    StopSearch(*search.ctx);
    ASSERT_LT(early + 2000 + 16384, late) << "the image leaves too little room to stop";
    const Listing l = search.listing();
    EXPECT_EQ(search.type(l, "Early"), "FOLDER");
    EXPECT_EQ(search.type(l, "Lost"), "FOLDER");
    EXPECT_EQ(l.count("Late"), 0u);
    EXPECT_EQ(search.ctx->recoveryDetails.searchMode, "Search Mode : Standard");
}

TEST_P(StandardSearch, LoopingChainsAndGarbageDirectoriesAreBounded) {
    test::FatImage image(dir / "bad.img", options());
    image.mkdir("::/Loop");
    for (int i = 0; i < 40; ++i) // more entries than one cluster holds
        image.writeFile("::/Loop/file number " + std::to_string(i) + ".txt", "x");
    image.mkdir("::/Garbage");
    image.mkdir("::/Garbage/Child");
    const std::uint32_t loop = image.firstCluster("::/Loop");
    const std::uint32_t garbage = image.firstCluster("::/Garbage");

    // Point the last cluster of Loop's chain back at its first, in the first FAT.
    const std::vector<std::uint32_t> chain = image.clusters("::/Loop");
    ASSERT_GE(chain.size(), 2u);
    const int width = GetParam() == 32 ? 4 : 2;
    std::string link(static_cast<std::size_t>(width), '\0');
    for (int i = 0; i < width; ++i)
        link[static_cast<std::size_t>(i)] = static_cast<char>((loop >> (8 * i)) & 0xFF);
    image.writeBytes(image.fatEntryOffset(chain.back()), link);

    // Garbage's directory: its dot entries, then long-name entries that never end.
    std::string cluster(512, '\0');
    {
        std::ifstream in(image.path(), std::ios::binary);
        in.seekg(static_cast<std::streamoff>(image.clusterSector(garbage) * 512));
        in.read(cluster.data(), 64);
    }
    for (std::size_t off = 64; off < 512; off += 32) {
        cluster[off] = 0x01;
        for (std::size_t i = 1; i < 32; ++i)
            cluster[off + i] = 'A';
        cluster[off + 11] = 0x0F;
    }
    image.writeBytes(image.clusterSector(garbage) * 512, cluster);

    Search search(image);
    const Listing l = search.run();
    EXPECT_EQ(search.type(l, "Loop"), "FOLDER");
    int files = 0;
    for (const auto& [path, row] : l)
        files += path.starts_with("Loop/") ? 1 : 0;
    EXPECT_EQ(files, 40); // each cluster once: the chain is not followed round its loop
    EXPECT_EQ(search.type(l, "Garbage"), "FOLDER");
}

INSTANTIATE_TEST_SUITE_P(Fat, StandardSearch, ::testing::Values(16, 32),
                         [](const auto& info) { return "FAT" + std::to_string(info.param); });

} // namespace
} // namespace qr::fat
