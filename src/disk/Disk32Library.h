#pragma once
// The BIOS-unit disk library of the 'F' family, loaded at run time: "libdisk32.so"
// from the installation folder, else from the library path, and its function
// ReadDisk32. Nonzero from ReadDisk32 means the buffer holds the requested sectors.
#include <cstdint>
#include <string>

namespace qr::disk {

// ReadDisk32(unit, 0, 0, 1, count, buffer, start low, 1). The buffer travels as a
// pointer: this is a 64-bit process, every other argument is 32 bits wide.
extern "C" {
using ReadDisk32Function = std::uint32_t (*)(std::uint32_t unit, std::uint32_t, std::uint32_t,
                                             std::uint32_t, std::uint32_t count, void* buffer,
                                             std::uint32_t startLow, std::uint32_t);
}

inline const std::string kDisk32File = "libdisk32.so";
inline const std::string kReadDisk32Symbol = "ReadDisk32";
inline const std::string kDisk32Missing = "disk32.dll not found";
inline const std::string kReadDisk32Missing = "Readdisk32 function not found";

// BIOS unit of the first hard disk.
inline constexpr std::uint32_t kFirstBiosUnit = 0x80;

enum class Disk32Load { Loaded, LibraryMissing, FunctionMissing };

class Disk32Library {
public:
    Disk32Library() = default;
    ~Disk32Library();
    Disk32Library(const Disk32Library&) = delete;
    Disk32Library& operator=(const Disk32Library&) = delete;

    // Loads the library and finds ReadDisk32 unless both are there already. `folder`
    // is looked in first (when not empty). A library without the function is let go.
    Disk32Load load(const std::string& folder);
    bool loaded() const { return function_ != nullptr; }
    ReadDisk32Function function() const { return function_; }

    // ReadDisk32 with the constants of every call; 0 when the library is not loaded.
    std::uint32_t read(std::uint32_t unit, std::uint32_t count, void* buffer,
                       std::uint32_t startLow) const;

    void release();

private:
    void* handle_ = nullptr;
    ReadDisk32Function function_ = nullptr;
};

// The BIOS unit of a device name "\\.\PhysicalDriveN": 0x80 + N for the digit at
// position 17; 0 when the name has no digit there.
std::uint32_t BiosUnitOf(const std::string& deviceName);

} // namespace qr::disk
