// A disk library that loads but lacks ReadDisk32.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::uint32_t ReadDisk16(std::uint32_t unit) {
    return unit;
}
