#pragma once
// The figures of an imaging run as one line of text:
//   "rescued: 63.2 MB, bad areas: 4, bad: 16384 B, rate: 35.1 MB/s, time left: 2 s"
#include "rescue/Rescuer.h"

#include <cstdint>
#include <string>

namespace qr::rescue {

// 1536 -> "1536 B", 2'500'000 -> "2.5 MB" (powers of 1000, as ddrescue shows them).
std::string ByteText(std::uint64_t bytes);
// 75 -> "1 m 15 s"; 0 -> "unknown".
std::string DurationText(std::uint64_t seconds);
std::string RescueStatusLine(const RescueStatus& status);

} // namespace qr::rescue
