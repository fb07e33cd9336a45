#pragma once
// NTFS times (100 ns units since 1 January 1601, UTC) as the file list shows them:
// d-Mon-yyyy and h:m:s, without leading zeros.
#include <cstdint>
#include <string>

namespace qr::ntfs {

std::string FormatNtfsDate(std::int64_t fileTime);
std::string FormatNtfsTime(std::int64_t fileTime);

} // namespace qr::ntfs
