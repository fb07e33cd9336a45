// The 'F' disk listing: units probed through the disk library, each handed to the
// detector through the scratch folder, its geometry stored and listed.
#include "app/DiskCommands.h"
#include "app/RecoveryContext.h"
#include "app/Startup.h"
#include "disk/DiskDetails.h"
#include "disk/DiskListing.h"
#include "disk/DiskRegistry.h"
#include "disk/GeometryResultFile.h"
#include "disk/MediaProbe.h"
#include "disk/ScratchFolder.h"
#include "disk/SectorReader.h"
#include "platform/PlatformChoice.h"
#include "platform/RegistryData.h"
#include "support/RecordingDiskTree.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using namespace qr;

namespace {

constexpr auto HKCR = platform::RegistryRoot::ClassesRoot;

// Stands in for the detector: answers the unit byte of the scratch folder with the
// record scripted for that unit (no record: writes nothing).
struct UnitDetector final : platform::ProgramRunner {
    std::map<int, std::vector<unsigned char>> records;
    std::vector<int> units;
    std::vector<std::string> scratchFolders;
    // Runs after each answer, on the scratch folder.
    std::function<void(const std::filesystem::path&)> after;
    int runAndWait(const std::string&) override {
        const char* folder = std::getenv(disk::kScratchFolderVariable);
        if (!folder)
            return 1;
        scratchFolders.push_back(folder);
        std::ifstream in(std::filesystem::path(folder) / disk::kUnitFile, std::ios::binary);
        const int unit = in.get();
        units.push_back(unit);
        if (!records.count(unit))
            return 1;
        std::ofstream out(std::filesystem::path(folder) / disk::kGeometryFile, std::ios::binary);
        out.write(reinterpret_cast<const char*>(records[unit].data()),
                  static_cast<std::streamsize>(records[unit].size()));
        if (after)
            after(folder);
        return 0;
    }
};

struct Listing95 : ::testing::Test {
    test::TempDir install;
    platform::MemoryRegistryStore store;
    test::ScriptedMessages messages;
    UnitDetector detector;
    std::unique_ptr<app::RecoveryContext> ctx;

    Listing95() {
        ::setenv(platform::kPlatformVariable, "F", 1);
        ::setenv("FAKE_DISK32_UNITS", "128,130", 1);
        ::unsetenv("FAKE_DISK32_BAD");
        std::ofstream(install / disk::kDetectorProgram) << "#!/bin/sh\n";
        std::filesystem::create_symlink(std::filesystem::path(FAKE_DISK32_DIR) / disk::kDisk32File,
                                        install / disk::kDisk32File);
        app::Services services;
        services.registry = &store;
        services.programs = &detector;
        services.messages = &messages;
        ctx = std::make_unique<app::RecoveryContext>(services);
        ctx->installationPath = install.path().string();
    }
    ~Listing95() override {
        ::unsetenv(platform::kPlatformVariable);
        ::unsetenv("FAKE_DISK32_UNITS");
    }
    std::vector<std::string> diskItems() {
        std::vector<std::string> labels;
        for (auto item : ctx->diskTree.children(ctx->diskTree.firstTopLevel()))
            labels.push_back(ctx->diskTree.text(item));
        return labels;
    }
    std::string value(const std::string& key, const std::string& name) {
        return store.value(HKCR, key, name).value_or("<none>");
    }
    std::vector<std::string> said() {
        std::vector<std::string> texts;
        for (const auto& m : messages.asked())
            texts.push_back(m.caption + ": " + m.text);
        return texts;
    }
};

} // namespace

TEST_F(Listing95, AnsweringUnitsAreListedAndTheGapStays) {
    detector.records[0x80] = disk::EncodeGeometryRecord(255, 63, 1024);
    detector.records[0x82] = disk::EncodeGeometryRecord(16, 63, 130);
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Listed);
    EXPECT_EQ(ctx->platform, app::PlatformFamily::Win95);
    EXPECT_EQ(detector.units, (std::vector<int>{0x80, 0x82}));
    EXPECT_EQ(diskItems(), (std::vector<std::string>{"Disk0", "Disk2"}));
    EXPECT_EQ(value(disk::kMediaKey, "128"), "");
    EXPECT_EQ(value(disk::kMediaKey, "129"), "<none>");
    EXPECT_EQ(value(disk::kSizeKey, "Disk0"), "8422686720");
    EXPECT_EQ(value(disk::kModelKey, "Disk2"), "Unknown");
    EXPECT_EQ(value(disk::kMediaTypeKey, "Disk2"), "Unknown");
    EXPECT_TRUE(said().empty());
    // The scratch folder lived only for the listing.
    ASSERT_FALSE(detector.scratchFolders.empty());
    EXPECT_FALSE(std::filesystem::exists(detector.scratchFolders.front()));
    EXPECT_EQ(std::getenv(disk::kScratchFolderVariable), nullptr);

    EXPECT_EQ(app::DiskDetailLines(*ctx, 0),
              (std::vector<std::string>{"Physical Disk Number           : 0", "Cylinder   : 1024",
                                        "Head   : 255", "SectorsPerTrack   : 63",
                                        "Disk Size  : 8032 MB"}));
    EXPECT_TRUE(app::DiskIsListed(*ctx, 2));
    EXPECT_FALSE(app::DiskIsListed(*ctx, 1));

    // Disk2 is read through unit 0x82 of the library, sized by its listed geometry.
    ctx->selectedDiskNumber = 2;
    std::vector<unsigned char> sector(512);
    EXPECT_EQ(ctx->reader->readSectors(77, 1, sector.data()), disk::ReadStatus::Complete);
    EXPECT_EQ(sector[0], 77);
    EXPECT_EQ(sector[4], 0x82);
    EXPECT_EQ(ctx->reader->sectorCount(), 130u * 16 * 63);
}

TEST_F(Listing95, DamagedRecordsListTheDiskWithUnknownGeometry) {
    auto odd = disk::EncodeGeometryRecord(255, 63, 1024);
    odd[14] = 3; // a cylinder width the record does not allow
    detector.records[0x80] = odd;
    detector.records[0x82] = {2, 0, 16}; // cut short
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Listed);
    EXPECT_EQ(diskItems(), (std::vector<std::string>{"Disk0", "Disk2"}));
    // Disk0 does not borrow another disk's cylinders.
    EXPECT_EQ(value(disk::kCylinderKey, "Disk0"), "0");
    EXPECT_EQ(value(disk::kHeadKey, "Disk0"), "255");
    EXPECT_EQ(value(disk::kSizeKey, "Disk0"), "0");
    EXPECT_EQ(value(disk::kCylinderKey, "Disk2"), "0");
    EXPECT_EQ(value(disk::kSizeKey, "Disk2"), "0");
}

TEST_F(Listing95, AListingReplacesTheUnitsOfTheLastOne) {
    detector.records[0x80] = disk::EncodeGeometryRecord(255, 63, 1024);
    detector.records[0x82] = disk::EncodeGeometryRecord(255, 63, 1024);
    app::ListDisks(*ctx);
    ::setenv("FAKE_DISK32_UNITS", "128", 1);
    ctx->diskTree.clear();
    app::ListDisks(*ctx);
    EXPECT_EQ(diskItems(), std::vector<std::string>{"Disk0"});
    EXPECT_EQ(value(disk::kMediaKey, "130"), "<none>");
    EXPECT_EQ(value(disk::kCylinderKey, "Disk2"), "<none>");
}

TEST_F(Listing95, LibraryProblemsStopTheListingWithTheirMessages) {
    std::filesystem::remove(install / disk::kDisk32File);
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Listed);
    EXPECT_EQ(said(), std::vector<std::string>{"TEST: disk32.dll not found"});
    EXPECT_TRUE(diskItems().empty());
    EXPECT_EQ(ctx->diskTree.text(ctx->diskTree.firstTopLevel()), "My Computer");
    EXPECT_TRUE(detector.units.empty());

    std::filesystem::create_symlink(std::filesystem::path(NO_READDISK32_DIR) / disk::kDisk32File,
                                    install / disk::kDisk32File);
    messages.clear();
    app::ListDisks(*ctx);
    EXPECT_EQ(said(), std::vector<std::string>{"TEST: Readdisk32 function not found"});
}

TEST_F(Listing95, FatalExchangeFailuresEndTheListing) {
    // The detector leaves no record.
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Ended);
    EXPECT_EQ(said(), std::vector<std::string>{"Quarrixdale Recovery-Memory Card: Failed to "
                                               "create File - 2"});

    // The detector is missing.
    messages.clear();
    std::filesystem::remove(install / disk::kDetectorProgram);
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Ended);
    EXPECT_EQ(said(), std::vector<std::string>{"Quarrixdale Recovery-Memory Card: " +
                                               disk::DetectorPath(ctx->installationPath) +
                                               " missing or corrupted"});

    // No scratch folder can be made.
    messages.clear();
    const char* tmp = std::getenv("TMPDIR");
    const std::string saved = tmp ? tmp : "";
    ::setenv("TMPDIR", (install / "no-such-folder").c_str(), 1);
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Ended);
    if (tmp)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(said(), std::vector<std::string>{"Quarrixdale Recovery-Memory Card: Failed to "
                                               "create File - 1"});
}

TEST_F(Listing95, TheAboutBoxReadsTheOwnerFromTheFamilysKey) {
    constexpr auto HKLM = platform::RegistryRoot::LocalMachine;
    store.setValue(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner",
                   "NT owner");
    store.setValue(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                   "RegisteredOwner", "Jane");
    store.setValue(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                   "RegisteredOrganization", "Acme");
    detector.records[0x80] = disk::EncodeGeometryRecord(255, 63, 1024);
    detector.records[0x82] = disk::EncodeGeometryRecord(255, 63, 1024);
    app::ListDisks(*ctx);
    EXPECT_EQ(app::RegisteredOwnerText(*ctx), "Jane\r\nAcme");
    ::setenv(platform::kPlatformVariable, "N", 1);
    app::ListDisks(*ctx);
    EXPECT_EQ(app::RegisteredOwnerText(*ctx), "NT owner\r\n");
}

TEST_F(Listing95, EveryUnitAnsweringWithOddResultsIsListedAndDisksAboveNineAreNotMisread) {
    std::string all;
    for (int unit = 0x80; unit < 0x98; ++unit) {
        all += std::to_string(unit) + ",";
        detector.records[unit] = disk::EncodeGeometryRecord(16, 63, 100 + unit);
    }
    ::setenv("FAKE_DISK32_UNITS", all.c_str(), 1);
    ::setenv("FAKE_DISK32_RESULT", "0x80000001", 1); // any nonzero value is an answer
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Listed);
    ::unsetenv("FAKE_DISK32_RESULT");
    EXPECT_EQ(diskItems().size(), 24u);
    EXPECT_EQ(diskItems().back(), "Disk23");
    EXPECT_EQ(app::DiskDetailLines(*ctx, 12)[1], "Cylinder   : " + std::to_string(100 + 0x8C));

    // Disk12 has no device name: it reads as no medium, never as unit 0x81's sectors.
    std::vector<unsigned char> sector(512, 0xEE);
    ctx->selectedDiskNumber = 12;
    EXPECT_EQ(ctx->reader->readSectors(5, 1, sector.data()), disk::ReadStatus::NoMedium);
    EXPECT_EQ(std::count(sector.begin(), sector.end(), 0), 512);
    ctx->selectedDiskNumber = 9;
    EXPECT_EQ(ctx->reader->readSectors(5, 1, sector.data()), disk::ReadStatus::Complete);
    EXPECT_EQ(sector[4], 0x89);
}

TEST_F(Listing95, AUnitFileThatCannotBeMadeEndsTheListingWithItsMessage) {
    detector.records[0x80] = disk::EncodeGeometryRecord(255, 63, 1024);
    detector.records[0x82] = disk::EncodeGeometryRecord(255, 63, 1024);
    // After the first unit something that cannot be removed stands in the unit file's
    // place.
    detector.after = [](const std::filesystem::path& folder) {
        std::filesystem::remove(folder / disk::kUnitFile);
        std::filesystem::create_directories(folder / disk::kUnitFile / "kept");
    };
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Ended);
    EXPECT_EQ(said(), std::vector<std::string>{"Quarrixdale Recovery-Memory Card: Failed to "
                                               "create File - 1"});
    EXPECT_EQ(detector.units, std::vector<int>{0x80});
    ASSERT_FALSE(detector.scratchFolders.empty());
    EXPECT_FALSE(std::filesystem::exists(detector.scratchFolders.front()));
}

TEST_F(Listing95, AProbeThatNeverEndsIsStoppedSaidAndTheListingGoesOn) {
    const auto probe = install / disk::kProbeProgram;
    std::ofstream(probe) << "#!/bin/sh\nexec sleep 600\n";
    std::filesystem::permissions(probe, std::filesystem::perms::owner_all);
    detector.records[0x80] = disk::EncodeGeometryRecord(255, 63, 1024);
    detector.records[0x82] = disk::EncodeGeometryRecord(255, 63, 1024);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(app::ListDisks(*ctx), disk::ListingResult::Listed);
    EXPECT_LT(std::chrono::steady_clock::now() - begin,
              disk::kProbeLimit + std::chrono::seconds(5));
    EXPECT_EQ(said(), std::vector<std::string>{"Quarrixdale Recovery-Memory Card: " +
                                               disk::ProbeStoppedMessage(disk::kProbeLimit)});
    EXPECT_EQ(diskItems(), (std::vector<std::string>{"Disk0", "Disk2"}));
}

TEST_F(Listing95, ADetectorThatNeverEndsIsStoppedAndItsUnitsAreListedWithUnknownGeometry) {
    // It leaves a whole record for the unit, then hangs: a record of a stopped
    // detector is not trusted.
    const auto record = install / "record";
    const auto good = disk::EncodeGeometryRecord(255, 63, 1024);
    std::ofstream(record, std::ios::binary)
        .write(reinterpret_cast<const char*>(good.data()),
               static_cast<std::streamsize>(good.size()));
    const auto program = install / disk::kDetectorProgram;
    std::ofstream(program, std::ios::trunc)
        << "#!/bin/sh\ncat " << test::shellQuote(record.string()) << " > \"$"
        << disk::kScratchFolderVariable << "/" << disk::kGeometryFile << "\"\nexec sleep 600\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);

    test::RecordingDiskTree tree;
    platform::PosixProgramRunner programs;
    bool anyDisk = false;
    bool emptySlot = false;
    disk::DiskListingPorts ports{
        &store, &messages, programs, *ctx->reader, tree, ctx->installationPath,
        true,   {},        anyDisk,  emptySlot};
    ports.programLimit = std::chrono::milliseconds(300);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(disk::ListDisks(ports), disk::ListingResult::Listed);
    // Stopped once: the second unit does not wait for it again.
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_EQ(said(), std::vector<std::string>{
                          "Quarrixdale Recovery-Memory Card: " +
                          disk::ProgramStoppedMessage(disk::kDetectorProgram, ports.programLimit)});
    EXPECT_EQ(tree.disks, (std::vector<std::string>{"Disk0", "Disk2"}));
    for (const std::string disk : {"Disk0", "Disk2"}) {
        EXPECT_EQ(value(disk::kCylinderKey, disk), "0") << disk;
        EXPECT_EQ(value(disk::kHeadKey, disk), "0") << disk;
        EXPECT_EQ(value(disk::kSizeKey, disk), "0") << disk;
        EXPECT_EQ(value(disk::kModelKey, disk), "Unknown") << disk;
    }
    EXPECT_EQ(disk::ProgramStoppedMessage(disk::kDetectorProgram, disk::kProbeLimit),
              "Quarrixdale-HDD did not finish within 20 seconds and was stopped");
}
