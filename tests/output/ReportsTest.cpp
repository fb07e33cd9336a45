// Directory-list lines and files, the numbered report files with their count, and
// recovery-cli report end to end.
#include "model/TreeModel.h"
#include "output/DirectoryList.h"
#include "output/ReportFiles.h"
#include "platform/FileRegistryStore.h"
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace fs = std::filesystem;
using model::TreeItem;
using model::TreeModel;
using platform::RegistryRoot;

TreeItem add(TreeModel& tree, TreeItem parent, const std::string& text) {
    return tree.insert(parent, text, 3, 3);
}

TEST(DirectoryList, ListsEveryFolderOnceDepthFirstWithItsParentPath) {
    TreeModel tree;
    const TreeItem root = add(tree, model::kNoItem, "Root");
    const TreeItem dir3 = add(tree, root, "Dir3");
    const TreeItem docs = add(tree, dir3, "Docs");
    add(tree, docs, "Old");
    add(tree, dir3, "Photos");
    add(tree, root, "Lost");
    const std::vector<std::string> expected{"Root-> Dir3", "Dir3-> Docs", "Dir3\\Docs-> Old",
                                            "Dir3-> Photos", "Root-> Lost"};
    EXPECT_EQ(output::DirectoryListLines(tree, root), expected);

    // A root item named after its partition is listed as "Root Directory ".
    TreeModel partition;
    const TreeItem p = add(partition, model::kNoItem, "Partition - 1 ( FAT32 )");
    const TreeItem a = add(partition, p, "Ägypten Reise");
    add(partition, a, "日本");
    EXPECT_EQ(
        output::DirectoryListLines(partition, p),
        (std::vector<std::string>{"Root Directory -> Ägypten Reise", "Ägypten Reise-> 日本"}));

    // Only the root item: nothing to list; an unknown root: nothing either.
    TreeModel lone;
    const TreeItem only = add(lone, model::kNoItem, "Root");
    EXPECT_TRUE(output::DirectoryListLines(lone, only).empty());
    EXPECT_TRUE(output::DirectoryListLines(lone, 42).empty());
}

// Each line carries its parent's whole path, so a chain n deep gives lines of total
// length n squared: a deep chain is checked for the walk's own stack, a hundred thousand
// folders side by side for speed.
TEST(DirectoryList, DeepChainsAndHundredThousandFoldersAreListed) {
    TreeModel deep;
    TreeItem parent = add(deep, model::kNoItem, "Root");
    const TreeItem root = parent;
    for (int i = 0; i < 3000; ++i)
        parent = add(deep, parent, "D");
    auto lines = output::DirectoryListLines(deep, root);
    ASSERT_EQ(lines.size(), 3000u);
    EXPECT_EQ(lines[0], "Root-> D");
    EXPECT_EQ(lines[2], "D\\D-> D");
    EXPECT_EQ(lines.back().size(), 2u * 2999 - 1 + 3 + 1);

    TreeModel wide;
    const TreeItem wroot = add(wide, model::kNoItem, "Root");
    for (int i = 0; i < 100; ++i) {
        const TreeItem folder = add(wide, wroot, "F" + std::to_string(i));
        for (int j = 0; j < 1000; ++j)
            add(wide, folder, "S" + std::to_string(j));
    }
    const auto started = std::chrono::steady_clock::now();
    lines = output::DirectoryListLines(wide, wroot);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    ASSERT_EQ(lines.size(), 100100u);
    EXPECT_EQ(lines[1], "F0-> S0");
    EXPECT_EQ(lines.back(), "F99-> S999");
}

TEST(DirectoryList, ViewAndPrintFilesCarryTheirTerminators) {
    TempDir dir;
    const std::vector<std::string> lines{"Root-> A", "A-> B"};
    ASSERT_TRUE(output::WriteDirectoryListFile(dir / "view.txt", lines, "\r\n"));
    EXPECT_EQ(ReadWholeFile(dir / "view.txt"), "Root-> A\r\nA-> B\r\n");
    ASSERT_TRUE(output::WriteDirectoryListFile(dir / "print.dat", lines, "\xE6"));
    EXPECT_EQ(ReadWholeFile(dir / "print.dat"), "Root-> A\xE6"
                                                "A-> B\xE6");
    EXPECT_EQ(output::ReadPrintFile(dir / "print.dat"), lines);
    // A last line without its separator is not printed; a missing file prints nothing.
    std::ofstream(dir / "cut.dat", std::ios::binary) << "one\xE6two";
    EXPECT_EQ(output::ReadPrintFile(dir / "cut.dat"), std::vector<std::string>{"one"});
    EXPECT_TRUE(output::ReadPrintFile(dir / "missing.dat").empty());
    EXPECT_FALSE(output::WriteDirectoryListFile(dir / "no/such/folder/x.txt", lines, "\r\n"));
}

class ReportFiles : public ::testing::Test {
protected:
    void setCount(const std::string& text) {
        platform::SetRegistryString(registry, RegistryRoot::ClassesRoot, output::kLogCountKey,
                                    output::kLogCountValue, text);
    }
    std::string count() {
        return platform::ReadRegistryString(registry, RegistryRoot::ClassesRoot,
                                            output::kLogCountKey, output::kLogCountValue);
    }
    TempDir dir;
    platform::FileRegistryStore registry{dir / "registry"};
    fs::path folder = dir / "reports";
};

TEST_F(ReportFiles, EachReportTakesTheNextNumberAndTheNewestIsListedFirst) {
    EXPECT_FALSE(output::ReadReportCount(registry));
    EXPECT_EQ(output::WriteNextReport(registry, folder, {"first"}), folder / "1.txt");
    EXPECT_EQ(output::WriteNextReport(registry, folder, {"second", "line"}), folder / "2.txt");
    EXPECT_EQ(count(), "2");
    EXPECT_EQ(ReadWholeFile(folder / "2.txt"), "second\nline\n");
    EXPECT_EQ(output::ReportFilesNewestFirst(folder, 3),
              (std::vector<fs::path>{folder / "3.txt", folder / "2.txt", folder / "1.txt"}));

    // A report of another store already holds number 3: it is kept, 4 is written.
    std::ofstream(folder / "3.txt") << "kept";
    EXPECT_EQ(output::WriteNextReport(registry, folder, {"third"}), folder / "4.txt");
    EXPECT_EQ(ReadWholeFile(folder / "3.txt"), "kept");
    EXPECT_EQ(count(), "4");
}

TEST_F(ReportFiles, ClearRemovesTheCountedFilesAndEmptiesTheCount) {
    for (int i = 0; i < 3; ++i)
        output::WriteNextReport(registry, folder, {"r"});
    std::ofstream(folder / "notes.txt") << "mine";
    std::ofstream(folder / "9.txt") << "beyond the count";
    output::ClearReports(registry, folder);
    EXPECT_FALSE(fs::exists(folder / "1.txt"));
    EXPECT_FALSE(fs::exists(folder / "3.txt"));
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
    EXPECT_TRUE(fs::exists(folder / "9.txt"));
    EXPECT_EQ(count(), "");
    EXPECT_TRUE(registry.keyExists(RegistryRoot::ClassesRoot, output::kLogCountKey));

    // An empty count deletes nothing and still writes the empty value; so does a missing
    // folder.
    output::ClearReports(registry, dir / "absent");
    EXPECT_EQ(count(), "");
}

TEST_F(ReportFiles, DamagedCountsNeitherCrashNorHang) {
    for (const char* bad : {"abc", "-3", "12x", " 7", "99999999999999999999"}) {
        setCount(bad);
        EXPECT_FALSE(output::ReadReportCount(registry)) << bad;
    }
    setCount("abc");
    EXPECT_EQ(output::WriteNextReport(registry, folder, {"r"}), folder / "1.txt");

    setCount("4294967295");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(output::ReportFilesNewestFirst(folder, 4294967295u).size(),
              output::kMaxListedReports);
    EXPECT_TRUE(output::WriteNextReport(registry, folder, {"r"}).empty());
    output::ClearReports(registry, folder);
    EXPECT_FALSE(fs::exists(folder / "1.txt"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// recovery-cli report: the details of the search it ran, the directory list, and a
// report file raised in the shared registry store.
TEST(ReportCommand, PrintsTheDetailsAndWritesTheDirectoryList) {
    if (!haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    TempDir dir;
    FatImageOptions o;
    o.partitioned = true;
    FatImage image(dir / "card.img", o);
    image.mkdir("::/PHOTOS");
    image.mkdir("::/PHOTOS/2004");
    image.mkdir("::/DOCS");
    const std::string env = "QUARRIXDALE_REGISTRY=" + shellQuote((dir / "registry").string()) +
                            " XDG_DATA_HOME=" + shellQuote((dir / "data").string()) + " ";
    const auto list = dir / "list.txt";
    const CommandResult r =
        run(env + RECOVERY_CLI + " --image " + shellQuote(image.path().string()) +
            " report --disk 0 --partition 1 --directory-list " + shellQuote(list.string()) +
            " 2>/dev/null");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Disk Number : 0\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Partition Type : " + image.fileSystemName() + "\n"),
              std::string::npos);
    EXPECT_NE(r.output.find("Search Mode : Standard\n"), std::string::npos);
    EXPECT_NE(r.output.find("Search Entire Disk Status: TRUE"), std::string::npos);
    const std::string lines = ReadWholeFile(list);
    EXPECT_NE(lines.find("Root-> PHOTOS\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("PHOTOS-> 2004\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Root-> DOCS\r\n"), std::string::npos) << lines;

    const std::string report = ReadWholeFile(dir / "data/quarrixdale-recovery/1.txt");
    EXPECT_EQ(report.rfind("Disk Number : 0\n", 0), 0u) << report;
    EXPECT_NE(report.find("Folders Found : 3\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Search Time : 0:00:"), std::string::npos) << report;

    EXPECT_EQ(run(env + RECOVERY_CLI + " --image " + shellQuote(image.path().string()) +
                  " report --disk 0 --partition 1 --directory-list")
                  .exitCode,
              2);
}

} // namespace
} // namespace qr::test
