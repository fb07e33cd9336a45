#pragma once
// Entry timestamps as seconds since 1970 (UTC), for giving a saved copy the
// modification time its entry records. FAT and exFAT store local wall-clock fields;
// NTFS stores 100 ns units since 1601 in UTC.
#include <cstdint>
#include <optional>

namespace qr::volume {

// A 16-bit FAT date and time read as the local time of this machine; nothing for a
// date of 0 or fields out of range (month 0 or 13, hour 24, ...).
std::optional<std::int64_t> FatLocalTime(std::uint16_t date, std::uint16_t time);

// An NTFS file time; nothing for 0 (never set).
std::optional<std::int64_t> NtfsTimeToUnix(std::int64_t fileTime);

} // namespace qr::volume
