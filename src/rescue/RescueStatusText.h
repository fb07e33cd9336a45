#pragma once
// The figures of an imaging run as text, one line for a terminal:
//   "rescued: 63.2 MB, bad areas: 4, bad: 16384 B, rate: 35.1 MB/s, time left: 2 s"
// or as named figures for a window, and what the end of a run means.
#include "rescue/Rescuer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qr::rescue {

// 1536 -> "1536 B", 2'500'000 -> "2.5 MB" (powers of 1000, as ddrescue shows them).
std::string ByteText(std::uint64_t bytes);
// 75 -> "1 m 15 s"; 0 -> "unknown".
std::string DurationText(std::uint64_t seconds);
// {"rescued", "63.2 MB of 64.0 MB"}, {"bad areas", "4"}, ... in the line's order.
std::vector<std::pair<std::string, std::string>> RescueStatusFigures(const RescueStatus& status);
std::string RescueStatusLine(const RescueStatus& status);
// Why a run ended and what became of its work; `map` is the run's map at its end.
std::string RescueEndText(RescueEnd end, const RescueMap& map);

} // namespace qr::rescue
