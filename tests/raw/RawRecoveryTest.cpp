// The raw mode's button driven like a user, without a display: kinds ticked in a fake
// view, the range checks with their messages, a search into a folder with its live
// counts, and a stop with its question.
#include "app/RawRecovery.h"
#include "RawTestMedia.h"
#include "disk/SectorReader.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <mutex>

namespace qr::test {
namespace {

namespace item = app::item;
using platform::MessageAnswer;

// Written from the search's worker and read by the test: guarded.
class FakeView final : public app::WizardView {
public:
    void setItemText(int id, const std::string& text) override {
        std::lock_guard lock(mutex);
        texts[id] = text;
    }
    void showItem(int id, bool visible) override {
        std::lock_guard lock(mutex);
        shown[id] = visible;
    }
    void enableItem(int id, bool enabled) override {
        std::lock_guard lock(mutex);
        enabled_[id] = enabled;
    }
    void setProgress(int, int) override {}
    void selectEntry(int, int) override {}
    std::string itemText(int id) override {
        std::lock_guard lock(mutex);
        return texts[id];
    }
    int selectedEntry(int) override { return -1; }
    void checkItem(int, bool) override {}
    void focusItem(int id) override { focused = id; }
    void setListRows(int id, const std::vector<std::string>& rows) override {
        std::lock_guard lock(mutex);
        lists[id] = rows;
    }
    void setSingleColumn(int, const std::string&, int) override {}
    void closeWindow() override {}
    std::vector<bool> checkedRows(int id) override {
        return id == item::kFileTypeList ? ticked : std::vector<bool>{};
    }

    std::mutex mutex;
    std::map<int, std::string> texts;
    std::map<int, bool> shown, enabled_;
    std::map<int, std::vector<std::string>> lists;
    std::vector<bool> ticked = {false, false, false, false};
    int focused = 0;
};

class RawRecoveryButton : public ::testing::Test {
protected:
    void SetUp() override {
        if (sampleDocuments().empty())
            GTEST_SKIP() << "python3 is not installed";
        std::vector<unsigned char> image = randomSectors(50, 31);
        for (const char* name : {"small.doc", "tiny.zip", "report.doc", "stored.zip"}) {
            const auto& bytes = sampleNamed(name).bytes;
            image.insert(image.end(), bytes.begin(), bytes.end());
            image.resize((image.size() + 511) / 512 * 512);
        }
        const auto tail = randomSectors(20, 32);
        image.insert(image.end(), tail.begin(), tail.end());
        sectors = image.size() / 512;
        std::ofstream(dir / "disk.img", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        app::Services services;
        services.window = &view;
        services.messages = &messages;
        ctx = std::make_unique<app::RecoveryContext>(services);
        ctx->reader->paths().setName(0, (dir / "disk.img").string());
        ctx->selectedDiskNumber = 0;
        ctx->searchMode = app::kSearchRaw;
        raw = std::make_unique<app::RawRecovery>(*ctx, view, [this] { return destination; });
    }

    TempDir dir;
    FakeView view;
    ScriptedMessages messages;
    std::unique_ptr<app::RecoveryContext> ctx;
    std::unique_ptr<app::RawRecovery> raw;
    std::optional<std::string> destination;
    std::uint64_t sectors = 0;
};

TEST_F(RawRecoveryButton, ChecksTheKindsAndTheRangeBeforeAskingForADestination) {
    raw->startOrStop();
    ctx->rawWholeDisk = false;
    view.ticked = {true, false, false, false};
    view.texts[item::kRawStart] = "0";
    view.texts[item::kRawEnd] = "lots";
    raw->startOrStop();
    EXPECT_EQ(view.texts[item::kRawEnd], std::to_string(sectors));
    view.texts[item::kRawStart] = "x";
    raw->startOrStop();
    EXPECT_EQ(view.focused, item::kRawStart);
    view.texts[item::kRawStart] = "9";
    view.texts[item::kRawEnd] = "9";
    raw->startOrStop();
    view.texts[item::kRawEnd] = std::to_string(sectors + 1);
    raw->startOrStop();
    EXPECT_EQ(view.focused, item::kRawEnd);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Please select file type for recovery",
                                        "Invalid End Sector", "Invalid Start Sector",
                                        "Start sector should be less than End sector",
                                        "Invalid End Sector"}));
    // A valid range but "Save As" cancelled: nothing starts.
    view.texts[item::kRawEnd] = std::to_string(sectors);
    raw->startOrStop();
    EXPECT_FALSE(raw->running());
    EXPECT_EQ(view.texts[item::kStartRecovery], "");
}

TEST_F(RawRecoveryButton, SearchesIntoTheFolderWithLiveCountsOfTheTickedKinds) {
    ctx->rawWholeDisk = true;
    view.ticked = {true, false, false, true};
    destination = (dir / "found").string();
    raw->startOrStop();
    raw->wait();
    EXPECT_EQ(raw->counts(), (raw::RawCounts{2, 0, 0, 2}));
    EXPECT_EQ(view.lists[item::kResultList],
              (std::vector<std::string>{"Total Word File(s) Recovered :  2",
                                        "Total Zip File(s) Recovered :  2"}));
    EXPECT_TRUE(readFile(dir / "found" / "DOC1.DOC") == sampleNamed("small.doc").bytes);
    EXPECT_TRUE(readFile(dir / "found" / "ZIP4.ZIP") == sampleNamed("stored.zip").bytes);
    // Back to idle: the button reads as at the end of a search, the controls answer.
    EXPECT_EQ(view.texts[item::kStartRecovery], "&Start Recovery");
    EXPECT_TRUE(view.enabled_[item::kFileTypeList]);
    EXPECT_TRUE(view.enabled_[item::kNext]);
    EXPECT_FALSE(view.enabled_[item::kRawStart]);
    EXPECT_EQ(view.texts[item::kStatusLine], "");
    EXPECT_EQ(view.texts[item::kRawProgress], "100 % Completed");
}

TEST_F(RawRecoveryButton, StopAsksAndKeepsWhatWasWritten) {
    // A long medium: the documents, then a gigabyte that reads as zeros.
    std::filesystem::resize_file(dir / "disk.img", std::uint64_t{1} << 30);
    ctx->rawWholeDisk = true;
    view.ticked = {true, true, true, true};
    destination = (dir / "found").string();
    messages.queue(MessageAnswer::No);
    messages.queue(MessageAnswer::Yes);
    raw->startOrStop();
    EXPECT_EQ(view.itemText(item::kStartRecovery), "S&top Searching");
    raw->startOrStop(); // No: the search goes on
    raw->startOrStop(); // Yes: it ends
    EXPECT_FALSE(raw->running());
    const auto asked = messages.texts();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], "Do you want terminate this process ?");
    EXPECT_EQ(view.itemText(item::kRawProgress), "0 % Completed");
    EXPECT_EQ(view.itemText(item::kStartRecovery), "&Start Recovery");
    // Whatever was written is whole.
    for (const auto& entry : std::filesystem::directory_iterator(dir / "found")) {
        const auto name = entry.path().filename().string();
        const char* original = name == "DOC1.DOC"   ? "small.doc"
                               : name == "ZIP2.ZIP" ? "tiny.zip"
                               : name == "DOC3.DOC" ? "report.doc"
                                                    : "stored.zip";
        EXPECT_TRUE(readFile(entry.path()) == sampleNamed(original).bytes) << name;
    }
}

} // namespace
} // namespace qr::test
