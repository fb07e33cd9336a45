// A stand-in disk library for the tests, steered by the environment on each call:
//   FAKE_DISK32_UNITS   units that answer, as decimal numbers separated by commas
//   FAKE_DISK32_BAD     one sector number that cannot be read (any run holding it fails)
//   FAKE_DISK32_RESULT  the nonzero value a successful read returns (default 1)
//   FAKE_DISK32_LOG     file each call is appended to: "unit a2 a3 a4 count low a8"
// Sector s of unit u reads as the bytes of s (little-endian, 4 bytes), then u, then 0x5A.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool answers(std::uint32_t unit) {
    std::stringstream units(env("FAKE_DISK32_UNITS"));
    for (std::string item; std::getline(units, item, ',');)
        if (!item.empty() && std::stoul(item) == unit)
            return true;
    return false;
}

} // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t
ReadDisk32(std::uint32_t unit, std::uint32_t a2, std::uint32_t a3, std::uint32_t a4,
           std::uint32_t count, void* buffer, std::uint32_t low, std::uint32_t a8) {
    if (*env("FAKE_DISK32_LOG"))
        std::ofstream(env("FAKE_DISK32_LOG"), std::ios::app)
            << unit << ' ' << a2 << ' ' << a3 << ' ' << a4 << ' ' << count << ' ' << low << ' '
            << a8 << '\n';
    if (!answers(unit))
        return 0;
    const char* bad = env("FAKE_DISK32_BAD");
    auto* bytes = static_cast<unsigned char*>(buffer);
    bool failed = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t sector = low + i;
        if (*bad && std::stoul(bad) == sector) {
            failed = true;
            continue; // left as it was
        }
        unsigned char* s = bytes + std::size_t{i} * 512;
        std::memset(s, 0x5A, 512);
        std::memcpy(s, &sector, 4);
        s[4] = static_cast<unsigned char>(unit);
    }
    if (failed)
        return 0;
    const char* result = env("FAKE_DISK32_RESULT");
    return *result ? static_cast<std::uint32_t>(std::stoul(result, nullptr, 0)) : 1;
}
