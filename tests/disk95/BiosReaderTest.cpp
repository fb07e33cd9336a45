// The 'F' back end of the sector reader over stand-in disk libraries.
#include "disk/SectorReader.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

using namespace qr;

namespace {

struct BiosReader : ::testing::Test {
    test::TempDir dir;
    std::string folder = FAKE_DISK32_DIR;
    unsigned disk = 0;
    std::string medium;
    std::vector<std::string> errors;
    int failures = 0;
    std::unique_ptr<disk::SectorReader> reader;

    BiosReader() {
        ::setenv("FAKE_DISK32_UNITS", "128,130,135", 1);
        ::setenv("FAKE_DISK32_LOG", (dir / "calls").c_str(), 1);
        ::unsetenv("FAKE_DISK32_BAD");
        ::unsetenv("FAKE_DISK32_RESULT");
        disk::ReaderBinding b;
        b.selectedDisk = [this] { return disk; };
        b.backEnd = [] { return disk::ReaderBackEnd::Bios; };
        b.error = [this](const std::string& text) { errors.push_back(text); };
        b.readFailed = [this] { ++failures; };
        b.libraryFolder = [this] { return folder; };
        b.listedSectors = [] { return std::uint64_t{131040}; };
        b.listedMedium = [this] { return medium; };
        reader = std::make_unique<disk::SectorReader>(b, nullptr);
    }
    ~BiosReader() override {
        for (const char* name :
             {"FAKE_DISK32_UNITS", "FAKE_DISK32_LOG", "FAKE_DISK32_BAD", "FAKE_DISK32_RESULT"})
            ::unsetenv(name);
    }
    std::vector<std::string> calls() {
        std::ifstream in(dir / "calls");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::filesystem::remove(dir / "calls");
        return lines;
    }
    static std::uint32_t sectorOf(const std::vector<unsigned char>& buffer, std::size_t i) {
        std::uint32_t s = 0;
        std::memcpy(&s, buffer.data() + i * 512, 4);
        return s;
    }
    std::string name(unsigned n) const { return disk::DevicePathTable::defaultName(n); }
};

} // namespace

TEST_F(BiosReader, AWholeRunIsOneCallAndReturnsTheLibrarysOwnValue) {
    ::setenv("FAKE_DISK32_RESULT", "0xDEADBEEF", 1); // any nonzero value means success
    std::vector<unsigned char> buffer(4 * 512, 0xEE);
    EXPECT_EQ(reader->ReadSectors(name(0), 100, 0, 4, buffer.data()), 0xDEADBEEFu);
    EXPECT_EQ(calls(), std::vector<std::string>{"128 0 0 1 4 100 1"});
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(sectorOf(buffer, i), 100 + i);
    EXPECT_EQ(buffer[4], 128);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(errors.empty());

    // Only the low half of the start reaches the library.
    reader->ReadSectors(name(0), 7, 1, 1, buffer.data());
    EXPECT_EQ(calls(), std::vector<std::string>{"128 0 0 1 1 7 1"});
}

TEST_F(BiosReader, AFailedRunIsReadAgainSectorBySector) {
    ::setenv("FAKE_DISK32_BAD", "5", 1);
    std::vector<unsigned char> buffer(6 * 512, 0xEE);
    EXPECT_EQ(reader->ReadSectors(name(2), 3, 0, 6, buffer.data()), 0u);
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"130 0 0 1 6 3 1", "130 0 0 1 1 3 1", "130 0 0 1 1 4 1",
                                        "130 0 0 1 1 5 1", "130 0 0 1 1 6 1", "130 0 0 1 1 7 1",
                                        "130 0 0 1 1 8 1"}));
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(sectorOf(buffer, 0), 3u);
    EXPECT_EQ(sectorOf(buffer, 1), 4u);
    EXPECT_EQ(buffer[2 * 512], 0xEE); // the bad sector keeps what the buffer held
    EXPECT_EQ(sectorOf(buffer, 3), 6u);
    EXPECT_EQ(sectorOf(buffer, 5), 8u);

    // The engines' view: the same run is partial, the bad sector zeros.
    disk = 2;
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_EQ(reader->readSectors(3, 6, buffer.data()), disk::ReadStatus::Partial);
    EXPECT_EQ(buffer[2 * 512], 0);
    EXPECT_EQ(sectorOf(buffer, 3), 6u);
}

TEST_F(BiosReader, DisksAboveThreeUseTheUnitOfTheirOwnNumber) {
    std::vector<unsigned char> buffer(512);
    EXPECT_NE(reader->ReadSectors(name(7), 0, 0, 1, buffer.data()), 0u);
    EXPECT_EQ(calls(), std::vector<std::string>{"135 0 0 1 1 0 1"});
    EXPECT_EQ(buffer[4], 135);
    // A unit that does not answer fails; a name without a disk digit reaches no unit.
    EXPECT_EQ(reader->ReadSectors(name(1), 0, 0, 1, buffer.data()), 0u);
    EXPECT_EQ(reader->ReadSectors("/dev/sda", 0, 0, 1, buffer.data()), 0u);
    EXPECT_EQ(calls().size(), 2u); // unit 0x81 twice (run, then its one sector)
}

TEST_F(BiosReader, SectorsBeyondTheLibrarysReachReadAsZerosNotAsWrappedSectors) {
    std::vector<unsigned char> buffer(4 * 512, 0xEE);
    const std::uint64_t last = 0xFFFFFFFFull;
    EXPECT_EQ(reader->readSectors(last - 1, 4, buffer.data()), disk::ReadStatus::Partial);
    EXPECT_EQ(calls(), std::vector<std::string>{"128 0 0 1 2 4294967294 1"});
    EXPECT_EQ(sectorOf(buffer, 1), 0xFFFFFFFFu);
    EXPECT_EQ(std::count(buffer.begin() + 1024, buffer.end(), 0), 1024);
    EXPECT_EQ(reader->readSectors(last + 10, 1, buffer.data()), disk::ReadStatus::Partial);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(reader->sectorCount(), 131040u); // the listing's size: the library has none
}

TEST_F(BiosReader, TheMediumASaveMustAvoidIsTheOneTheListingRecorded) {
    EXPECT_EQ(reader->selectedDeviceName(), name(0)); // not recorded
    medium = "/dev/sdz";
    EXPECT_EQ(reader->selectedDeviceName(), "/dev/sdz");
    std::vector<unsigned char> buffer(512);
    EXPECT_EQ(reader->read(3, 1, buffer.data()), 1u); // still read by unit
    EXPECT_EQ(calls(), std::vector<std::string>{"128 0 0 1 1 3 1"});
}

TEST_F(BiosReader, AMissingLibraryIsSaidOnceAndNothingIsRead) {
    folder = (dir / "empty").string(); // neither there nor on the library path
    std::vector<unsigned char> buffer(512, 0xEE);
    EXPECT_EQ(reader->ReadSectors(name(0), 0, 0, 1, buffer.data()), 0u);
    EXPECT_EQ(reader->ReadSectors(name(0), 1, 0, 1, buffer.data()), 0u);
    EXPECT_EQ(errors, std::vector<std::string>{"disk32.dll not found"});
    EXPECT_EQ(buffer[0], 0xEE);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(reader->readSectors(0, 1, buffer.data()), disk::ReadStatus::NoMedium);
    EXPECT_EQ(buffer[0], 0);

    // Looked up again on the next read: once it is there, reads work.
    folder = FAKE_DISK32_DIR;
    EXPECT_EQ(reader->ReadSectors(name(0), 9, 0, 1, buffer.data()), 1u);
    EXPECT_EQ(sectorOf(buffer, 0), 9u);
}

TEST_F(BiosReader, ALibraryWithoutTheFunctionIsSaid) {
    folder = NO_READDISK32_DIR;
    std::vector<unsigned char> buffer(512, 0xEE);
    EXPECT_EQ(reader->ReadSectors(name(0), 0, 0, 1, buffer.data()), 0u);
    EXPECT_EQ(errors, std::vector<std::string>{"Readdisk32 function not found"});
    EXPECT_EQ(buffer[0], 0xEE);
}
