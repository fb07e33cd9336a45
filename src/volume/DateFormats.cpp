#include "volume/DateFormats.h"

#include "ntfs/NtfsTime.h"

#include <cstdio>

namespace qr::volume {

namespace {

const char* monthName(unsigned month) {
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? kMonths[month - 1] : "Err";
}

} // namespace

std::string FormatFatDate(std::uint16_t date) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u-%s-%u", date & 0x1Fu, monthName((date >> 5) & 0x0Fu),
                  (date >> 9) + 1980u);
    return text;
}

std::string FormatFatTime(std::uint16_t time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u", static_cast<unsigned>(time >> 11),
                  (time >> 5) & 0x3Fu);
    return text;
}

std::string FormatNtfsDate(std::int64_t fileTime) {
    return ntfs::FormatNtfsDate(fileTime);
}

std::string FormatNtfsTime(std::int64_t fileTime) {
    return ntfs::FormatNtfsTime(fileTime);
}

} // namespace qr::volume
