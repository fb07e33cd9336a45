#pragma once
// The one primitive through which everything reads the medium: whole 512-byte
// sectors by absolute sector number. There is no write path.
#include "disk/DeviceFile.h"
#include "disk/Disk32Library.h"
#include "disk/FailedSectors.h"
#include "disk/ReadPause.h"
#include "disk/SectorSource.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qr::disk {

inline constexpr std::uint32_t kSectorSize = 512;
inline constexpr int kDeviceNames = 10;

// Device names by disk number. They start as the classic physical-drive names and
// are pointed at block devices or image files by the disk listing.
class DevicePathTable {
public:
    DevicePathTable();
    const std::string& name(unsigned disk) const;
    void setName(unsigned disk, std::string path);
    static std::string defaultName(unsigned disk);

private:
    std::array<std::string, kDeviceNames> names_;
};

// Which back end reads the medium: the device files of this system, the BIOS-unit
// disk library of the 'F' family, or none known.
enum class ReaderBackEnd { Device, Bios, Unknown };

// What the reader asks of the application that owns it. Every member may be empty.
struct ReaderBinding {
    // The disk number whose device read() reads (0 when empty).
    std::function<unsigned()> selectedDisk;
    // The back end chosen (Device when empty).
    std::function<ReaderBackEnd()> backEnd;
    // Shows an error message to the user.
    std::function<void(const std::string&)> error;
    // Called when a run could not be read in one request, before it is read sector by
    // sector (the application's read-failure notice).
    std::function<void()> readFailed;
    // Called once per area of the medium that reads slowly, with a sector of it.
    std::function<void(std::uint64_t sector)> slowArea;
    // Folder searched first for the disk library (the installation folder).
    std::function<std::string()> libraryFolder;
    // Sectors of the selected disk as the listing recorded them (the library cannot
    // tell a disk's size); 0 or empty: unknown.
    std::function<std::uint64_t()> listedSectors;
    // The device or image behind the selected disk as the listing recorded it ('F'
    // reads by unit, so only the listing knows it); empty: unknown.
    std::function<std::string()> listedMedium;
};

// On device files a failed run is read again sector by sector while single reads are
// quick, so a bad sector is asked for at most twice; over a slow area the pieces double
// and a piece that fails is split in halves down to the sectors that fail, so a slow
// area costs a few reads rather than one per sector. Failed sectors are remembered: no later read
// asks the medium for them again (each comes back as zeros and its run as Partial), until another
// medium is read.
class SectorReader final : public SectorSource, public RemembersFailures {
public:
    SectorReader(ReaderBinding binding, std::shared_ptr<DeviceOpener> opener);

    // The reader's classic contract. Returns 1 (device files) or the library's own
    // nonzero result when the run was read in one request; 0 when it failed and was
    // then read sector by sector as far as possible, or when the disk library or its
    // function is missing; the sector count when the device cannot be opened (buffer
    // untouched) or when the platform flag is unknown. A count of 0 on device files
    // reads nothing and returns 1.
    std::uint32_t ReadSectors(const std::string& deviceName, std::uint32_t startLow,
                              std::uint32_t startHigh, std::uint32_t count, void* buffer);

    // Reads from the selected disk's device (classic results).
    std::uint32_t read(std::uint64_t start, std::uint32_t count, void* buffer);

    // The sector-source view of the selected disk: whatever is not read is zeros.
    ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                           unsigned char* buffer) override;
    std::uint64_t sectorCount() override { return mediumSectors(); }
    std::uint32_t deviceSectorBytes() override;
    // The logical sector size the device `name` gives (0: an image, or none given).
    // Opens the device but reads nothing of it.
    std::uint32_t deviceSectorBytesOf(const std::string& name);

    // Replaces the slow-area hook (see ReaderBinding::slowArea).
    void setSlowAreaHook(std::function<void(std::uint64_t)> hook);

    const FailedSectors& failedSectors() const override { return failed_; }
    // Sectors of the medium `name` that read as unreadable without being asked for (an
    // image's rescue map says they were never rescued).
    void presetUnreadable(const std::string& name, std::uint64_t first, std::uint64_t count);

    // Name of the selected disk's medium: its device or image file (what a save must
    // keep off). On the 'F' family the one the listing recorded, else the name read.
    std::string selectedDeviceName() const;

    // Sectors on the selected disk's medium (a partial last sector counts); 0 when the
    // device cannot be opened or does not tell its size.
    std::uint64_t mediumSectors();

    // Closes the kept handle (the next read opens the device again). The disk library
    // stays loaded for the life of the reader.
    void release();

    // Held while the user is asked whether to stop the search that reads.
    ReadPause& pause() { return pause_; }

    DevicePathTable& paths() { return paths_; }
    const DevicePathTable& paths() const { return paths_; }

private:
    // The name the reads go to: the device table's entry of the selected disk.
    std::string readName() const;
    std::shared_ptr<DeviceFile> handleFor(const std::string& name);
    ReadStatus readRun(const std::string& name, std::uint64_t start, std::uint32_t count,
                       unsigned char* buffer, bool zeroUnreadable);
    std::uint32_t readBios(const std::string& name, std::uint64_t start, std::uint32_t count,
                           unsigned char* buffer, bool zeroUnreadable, ReadStatus& status);
    ReadDisk32Function biosFunction();
    ReadStatus readNt(const std::string& name, std::uint64_t start, std::uint32_t count,
                      unsigned char* buffer, bool zeroUnreadable);
    enum class Try { Failed, Read, ReadSlowly };
    // One request for the run. Slow ones are told once per area.
    ReadStatus readNtAnswered(const std::string& name, std::uint64_t start, std::uint32_t count,
                              unsigned char* buffer, bool zeroUnreadable);
    Try readOnce(DeviceFile& file, std::uint64_t start, std::uint64_t count, unsigned char* buffer);
    // Reads what it can of a run that failed whole and remembers the sectors that fail.
    void locateFailures(DeviceFile& file, std::uint64_t start, std::uint64_t count,
                        unsigned char* buffer, bool zeroUnreadable);
    // Splits a run in halves down to its failing sectors. `failing`: the run is known to
    // hold one, so it is split without being read whole. True when every sector was read.
    bool halve(DeviceFile& file, std::uint64_t start, std::uint64_t count, unsigned char* buffer,
               bool zeroUnreadable, bool failing);
    void remember(std::uint64_t sector, unsigned char* buffer, bool zeroUnreadable);

    ReaderBinding binding_;
    std::shared_ptr<DeviceOpener> opener_;
    DevicePathTable paths_;
    std::mutex mutex_;
    std::string openName_;
    std::shared_ptr<DeviceFile> openFile_;
    Disk32Library disk32_;
    // A missing library is said once, not on each of the thousands of reads of a search.
    bool disk32Reported_ = false;
    // The sectors that failed on the medium named failedOn_.
    FailedSectors failed_;
    std::string failedOn_;
    // The medium named failedOn_ went away: every read of it gives NoMedium.
    std::atomic<bool> gone_{false};
    std::map<std::string, std::vector<std::pair<std::uint64_t, std::uint64_t>>> preset_;
    ReadPause pause_;
    SlowReadJudge slowJudge_{15'000'000};
    SlowAreas slowAreas_{65'536};
};

} // namespace qr::disk
