#pragma once
// Dates and times of directory entries as the file list shows them.
#include <cstdint>
#include <string>

namespace qr::volume {

// 16-bit FAT date as dd-Mon-yyyy ("Err" for a month of 0 or above 12).
std::string FormatFatDate(std::uint16_t date);
// 16-bit FAT time as hh:mm.
std::string FormatFatTime(std::uint16_t time);
// NTFS time (100 ns units since 1601, UTC) as d-Mon-yyyy and h:m:s.
std::string FormatNtfsDate(std::int64_t fileTime);
std::string FormatNtfsTime(std::int64_t fileTime);

} // namespace qr::volume
