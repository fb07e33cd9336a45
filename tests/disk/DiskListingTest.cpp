#include "disk/DiskListing.h"
#include "app/DiskCommands.h"
#include "app/RecoveryContext.h"
#include "disk/DiskDetails.h"
#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "platform/Programs.h"
#include "platform/RegistryData.h"
#include "platform/UserMessages.h"
#include "support/RecordingDiskTree.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace qr;

namespace {

constexpr auto HKCR = platform::RegistryRoot::ClassesRoot;

// Stands in for the detection program: leaves the values a run of it would.
struct FakeDetector final : platform::ProgramRunner {
    platform::RegistryStore* store = nullptr;
    std::function<void(platform::RegistryStore&)> leave;
    std::vector<std::string> started;
    int runAndWait(const std::string& program) override {
        started.push_back(program);
        if (leave)
            leave(*store);
        return 0;
    }
};

void leaveDisk(platform::RegistryStore& s, unsigned n, const std::string& path,
               const std::string& size) {
    const std::string name = disk::diskValueName(n);
    s.setValue(HKCR, disk::kMediaKey, name, path);
    s.setValue(HKCR, disk::kModelKey, name, "Model " + std::to_string(n));
    s.setValue(HKCR, disk::kMediaTypeKey, name, "Removable Media");
    s.setValue(HKCR, disk::kCylinderKey, name, "1024");
    s.setValue(HKCR, disk::kHeadKey, name, "255");
    s.setValue(HKCR, disk::kSectorsPerTrackKey, name, "63");
    s.setValue(HKCR, disk::kSizeKey, name, size);
    s.setValue(HKCR, disk::kPathKey, name, path);
}

struct ListingFixture : ::testing::Test {
    test::TempDir install;
    platform::MemoryRegistryStore store;
    FakeDetector detector;
    std::unique_ptr<app::RecoveryContext> ctx;

    ListingFixture() {
        std::ofstream(install / disk::kDetectorProgram) << "#!/bin/sh\n";
        detector.store = &store;
        app::Services services;
        services.registry = &store;
        services.programs = &detector;
        ctx = std::make_unique<app::RecoveryContext>(services);
        ctx->installationPath = install.path().string();
    }
    std::vector<std::string> diskItems() {
        std::vector<std::string> labels;
        for (auto item : ctx->diskTree.children(ctx->diskTree.firstTopLevel()))
            labels.push_back(ctx->diskTree.text(item));
        return labels;
    }
};

} // namespace

TEST_F(ListingFixture, DisksBecomeTreeItemsAndDeviceNames) {
    detector.leave = [](platform::RegistryStore& s) {
        leaveDisk(s, 0, "/images/card.img", "67108864");
        leaveDisk(s, 2, "/dev/sdb", "8422686720");
        s.setValue(HKCR, disk::kMediaKey, "Disk3", ""); // exists but empty: no disk
        leaveDisk(s, 12, "/dev/sdm", "1000000");
    };
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Listed);
    ASSERT_EQ(detector.started,
              std::vector<std::string>{disk::DetectorPath(ctx->installationPath)});
    EXPECT_EQ(ctx->diskTree.text(ctx->diskTree.firstTopLevel()), "My Computer");
    EXPECT_TRUE(ctx->diskTree.get(ctx->diskTree.firstTopLevel()).expanded);
    EXPECT_EQ(diskItems(), (std::vector<std::string>{"Disk0", "Disk2", "Disk12"}));
    EXPECT_EQ(ctx->diskTree.get(ctx->diskTree.children(ctx->diskTree.firstTopLevel())[0]).image, 1);
    EXPECT_TRUE(ctx->anyDiskFound);
    EXPECT_TRUE(ctx->emptyDiskSlotSeen);
    EXPECT_EQ(ctx->wizardStage, 0);
    EXPECT_EQ(ctx->platform, app::PlatformFamily::NT);
    auto& paths = ctx->reader->paths();
    EXPECT_EQ(paths.name(0), "/images/card.img");
    EXPECT_EQ(paths.name(1), disk::DevicePathTable::defaultName(1));
    EXPECT_EQ(paths.name(2), "/dev/sdb");

    // A second listing replaces everything: the old disks' values are gone, the tree
    // gets no duplicates, paths of vanished disks go back to their classic names.
    detector.leave = [](platform::RegistryStore& s) { leaveDisk(s, 0, "/dev/sdq", "512"); };
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Listed);
    EXPECT_EQ(store.value(HKCR, disk::kSizeKey, "Disk2"), std::nullopt);
    EXPECT_EQ(store.value(HKCR, disk::kMediaKey, "Disk12"), std::nullopt);
    EXPECT_EQ(paths.name(2), disk::DevicePathTable::defaultName(2));
    EXPECT_EQ(paths.name(0), "/dev/sdq");
    const auto items = diskItems();
    EXPECT_EQ(std::count(items.begin(), items.end(), "Disk0"), 1);
}

TEST_F(ListingFixture, OldValuesAreRemovedButOtherOwnersSubkeysStay) {
    leaveDisk(store, 5, "/dev/old", "1");
    store.setValue(HKCR, disk::kMediaKey + "\\LogCount", "Count", "4");
    store.setValue(HKCR, disk::kDisplayDeviceKey, "x", "y");
    disk::RegisterDiskImages(store, {"/a.img", "/b.img"});
    std::vector<std::string> seenByDetector;
    detector.leave = [&](platform::RegistryStore& s) {
        seenByDetector = disk::RegisteredDiskImages(s);
        EXPECT_FALSE(s.value(HKCR, disk::kModelKey, "Disk5")) << "removed before detection";
        EXPECT_TRUE(s.keyExists(HKCR, disk::kSizeKey)) << "subkeys exist for the detector";
    };
    app::ListDisks(*ctx);
    EXPECT_EQ(seenByDetector, (std::vector<std::string>{"/a.img", "/b.img"}));
    EXPECT_EQ(store.value(HKCR, disk::kMediaKey, "Disk5"), std::nullopt);
    EXPECT_EQ(store.value(HKCR, disk::kMediaKey + "\\LogCount", "Count"), "4");
    EXPECT_FALSE(store.keyExists(HKCR, disk::kDisplayDeviceKey));
    EXPECT_TRUE(diskItems().empty());
    EXPECT_TRUE(ctx->emptyDiskSlotSeen);
    EXPECT_FALSE(ctx->anyDiskFound);
}

TEST_F(ListingFixture, MissingDetectorListsNothingAndLeavesTheFlags) {
    ctx->installationPath = (install / "elsewhere").string();
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::DetectorMissing);
    EXPECT_TRUE(detector.started.empty());
    EXPECT_TRUE(diskItems().empty());
    EXPECT_FALSE(ctx->emptyDiskSlotSeen);
    EXPECT_FALSE(ctx->anyDiskFound);
    EXPECT_TRUE(ctx->diskTree.get(ctx->diskTree.firstTopLevel()).expanded);
}

TEST_F(ListingFixture, RetryWithoutDisksShowsTheNoMediaDialogAgain) {
    int shown = 0;
    ctx->showNoMediaDialog = [&] { ++shown; };
    app::ListDisks(*ctx);
    EXPECT_EQ(shown, 0) << "the first listing leaves the prompt to start-up";
    ctx->noDiskPromptThread = std::jthread([] {});
    app::ListDisksFromRegistry(*ctx);
    EXPECT_EQ(shown, 1);
    detector.leave = [](platform::RegistryStore& s) { leaveDisk(s, 1, "/dev/sdb", "512"); };
    app::ListDisksFromRegistry(*ctx);
    EXPECT_EQ(shown, 1) << "a disk was found";
    EXPECT_EQ(diskItems(), std::vector<std::string>{"Disk1"});
}

TEST_F(ListingFixture, RegistryThatCannotBeWrittenEndsTheProcess) {
    struct ReadOnlyStore final : platform::RegistryStore {
        bool keyExists(platform::RegistryRoot, const std::string&) override { return false; }
        bool createKey(platform::RegistryRoot, const std::string&) override { return false; }
        bool deleteKey(platform::RegistryRoot, const std::string&) override { return false; }
        bool deleteValue(platform::RegistryRoot, const std::string&, const std::string&) override {
            return false;
        }
        std::optional<std::string> value(platform::RegistryRoot, const std::string&,
                                         const std::string&) override {
            return std::nullopt;
        }
        bool setValue(platform::RegistryRoot, const std::string&, const std::string&,
                      const std::string&) override {
            return false;
        }
    } readOnly;
    app::Services services;
    services.registry = &readOnly;
    services.programs = &detector;
    app::RecoveryContext c(services);
    c.installationPath = install.path().string();
    EXPECT_EQ(app::ListDisks(c), disk::ListingResult::EndProcess);
    EXPECT_TRUE(detector.started.empty());
}

// An image file tells no sector size of its own device: its table does, read from it,
// and the disk that was selected stays selected.
TEST_F(ListingFixture, AnImageOfLargerSectorsShowsItsSectorSize) {
    const std::filesystem::path image = install / "4k.img";
    {
        std::string bytes(16384, '\0');
        bytes[0x1BE + 4] = static_cast<char>(0xEE); // protective entry of a GPT disk
        bytes[510] = 0x55;
        bytes[511] = static_cast<char>(0xAA);
        bytes.replace(4096, 8, "EFI PART"); // its header one 4096-byte sector in
        std::ofstream(image, std::ios::binary) << bytes;
    }
    detector.leave = [&](platform::RegistryStore& s) {
        leaveDisk(s, 0, image.string(), "16384");
        leaveDisk(s, 1, (install / "missing.img").string(), "16384");
    };
    app::ListDisks(*ctx);
    ctx->selectedDiskNumber = 1;
    app::ShowDiskDetails(*ctx, 0);
    ASSERT_EQ(ctx->fileList.rowCount(), 8);
    EXPECT_EQ(ctx->fileList.row(7).cells[0], "Bytes Per Sector                         : 4096");
    EXPECT_EQ(ctx->selectedDiskNumber, 1);
    // A path that is no file is not read.
    app::ShowDiskDetails(*ctx, 1);
    EXPECT_EQ(ctx->fileList.rowCount(), 7);
}

TEST_F(ListingFixture, DetailRowsAsTheRightPanelShowsThem) {
    detector.leave = [](platform::RegistryStore& s) { leaveDisk(s, 12, "/dev/sdm", "8422686720"); };
    app::ListDisks(*ctx);
    const std::vector<std::string> expected = {
        "Physical Disk Number           : 12",
        "Model                                    : Model 12",
        "Media Type                           : Removable Media",
        "Cylinder                                 : 1024",
        "Head                                     : 255",
        "SectorsPerTrack                   : 63",
        "Disk Size                               : 8032 MB"};
    EXPECT_EQ(app::DiskDetailLines(*ctx, 12), expected);

    app::ShowDiskDetails(*ctx, 12);
    ASSERT_EQ(ctx->fileList.rowCount(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(ctx->fileList.row(i).cells[0], expected[static_cast<std::size_t>(i)]);
    ASSERT_EQ(ctx->fileList.columns().size(), 1u);
    EXPECT_EQ(ctx->fileList.columns()[0].header, " Disk Details");
    EXPECT_EQ(ctx->fileList.columns()[0].width, 485);
    EXPECT_EQ(ctx->diskModel, "Model 12");

    // A disk without values shows the labels with empty values and 0 MB.
    app::ShowDiskDetails(*ctx, 4);
    EXPECT_EQ(ctx->fileList.rowCount(), 7);
    EXPECT_EQ(ctx->fileList.row(1).cells[0], "Model                                    : ");
    EXPECT_EQ(ctx->fileList.row(6).cells[0], "Disk Size                               : 0 MB");

    // The 95-family rows.
    ctx->platform = app::PlatformFamily::Win95;
    EXPECT_EQ(app::DiskDetailLines(*ctx, 12),
              (std::vector<std::string>{"Physical Disk Number           : 12", "Cylinder   : 1024",
                                        "Head   : 255", "SectorsPerTrack   : 63",
                                        "Disk Size  : 8032 MB"}));
}

// The listing over its own ports: the tree it is handed hears of the root before any
// disk, of each disk once per listing in slot order, and is expanded last; the No
// Media dialog is the caller's to give and shows only when no disk answered.
TEST_F(ListingFixture, ListingFillsTheTreeItIsHandedInSlotOrder) {
    test::RecordingDiskTree tree;
    detector.leave = [](platform::RegistryStore& s) {
        leaveDisk(s, 7, "/dev/sdh", "512");
        leaveDisk(s, 1, "/dev/sdb", "512");
    };
    bool anyDisk = false;
    bool emptySlot = false;
    int dialogs = 0;
    disk::DiskListingPorts ports{&store,   nullptr,
                                 detector, *ctx->reader,
                                 tree,     ctx->installationPath,
                                 false,    [&] { ++dialogs; },
                                 anyDisk,  emptySlot};
    EXPECT_EQ(disk::ListDisks(ports), disk::ListingResult::Listed);
    EXPECT_EQ(tree.calls, (std::vector<std::string>{"root", "Disk1", "Disk7", "expand"}));
    EXPECT_TRUE(anyDisk);
    EXPECT_TRUE(emptySlot);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(ctx->reader->paths().name(7), "/dev/sdh");

    detector.leave = nullptr;
    tree.calls.clear();
    anyDisk = false;
    EXPECT_EQ(disk::ListDisks(ports), disk::ListingResult::Listed);
    EXPECT_EQ(tree.calls, (std::vector<std::string>{"root", "expand"}));
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(ctx->diskTree.size() == 0) << "the context's own tree is not touched";
}

// A detector that never ends is stopped at the limit, said once, and the listing goes
// on as after one that found no disk: what it had left is not listed nor kept, the
// image list survives, and the No Media dialog offers the retry.
TEST_F(ListingFixture, ADetectorThatNeverEndsIsStoppedAndWhatItLeftIsDropped) {
    // Leaves a whole disk in the store, then hangs in a real process.
    struct HangingDetector final : platform::ProgramRunner {
        platform::RegistryStore& store;
        platform::PosixProgramRunner real;
        int started = 0;
        explicit HangingDetector(platform::RegistryStore& s) : store(s) {}
        int runAndWait(const std::string&) override { return -1; }
        platform::BoundedRun runAndWaitAtMost(const std::string& program,
                                              std::chrono::milliseconds limit) override {
            ++started;
            leaveDisk(store, 0, "/dev/sdq", "8422686720");
            return real.runAndWaitAtMost(program, limit);
        }
    } hanging(store);
    const auto program = install / disk::kDetectorProgram;
    std::ofstream(program, std::ios::trunc) << "#!/bin/sh\nexec sleep 600\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    disk::RegisterDiskImages(store, {"/a.img"});

    test::RecordingDiskTree tree;
    test::ScriptedMessages messages;
    bool anyDisk = false;
    bool emptySlot = false;
    int dialogs = 0;
    disk::DiskListingPorts ports{
        &store, &messages,          hanging, *ctx->reader, tree, ctx->installationPath,
        false,  [&] { ++dialogs; }, anyDisk, emptySlot};
    ports.programLimit = std::chrono::milliseconds(300);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(disk::ListDisks(ports), disk::ListingResult::Listed);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_EQ(hanging.started, 1);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text,
              disk::ProgramStoppedMessage(disk::kDetectorProgram, ports.programLimit));
    EXPECT_EQ(messages.asked()[0].caption, platform::kMessageCaption);
    EXPECT_EQ(messages.asked()[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(tree.disks.empty());
    EXPECT_FALSE(anyDisk);
    EXPECT_TRUE(emptySlot);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(store.value(HKCR, disk::kMediaKey, "Disk0"), std::nullopt);
    EXPECT_EQ(store.value(HKCR, disk::kSizeKey, "Disk0"), std::nullopt);
    EXPECT_EQ(store.value(HKCR, disk::kPathKey, "Disk0"), std::nullopt);
    EXPECT_EQ(ctx->reader->paths().name(0), disk::DevicePathTable::defaultName(0));
    EXPECT_EQ(disk::RegisteredDiskImages(store), std::vector<std::string>{"/a.img"});
}
