#include "volume/EntryTimes.h"

#include <ctime>

namespace qr::volume {

std::optional<std::int64_t> FatLocalTime(std::uint16_t date, std::uint16_t time) {
    const int day = date & 0x1F, month = (date >> 5) & 0x0F, year = 1980 + (date >> 9);
    const int seconds = (time & 0x1F) * 2, minutes = (time >> 5) & 0x3F, hours = time >> 11;
    if (day == 0 || month == 0 || month > 12 || hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hours;
    fields.tm_min = minutes;
    fields.tm_sec = seconds;
    fields.tm_isdst = -1; // the zone's rule for that day
    const std::time_t local = std::mktime(&fields);
    if (local == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<std::int64_t>(local);
}

std::optional<std::int64_t> NtfsTimeToUnix(std::int64_t fileTime) {
    // 100 ns units from 1601-01-01 to 1970-01-01.
    constexpr std::int64_t kUnixEpoch = 116444736000000000LL;
    if (fileTime <= 0)
        return std::nullopt;
    return (fileTime - kUnixEpoch) / 10000000;
}

} // namespace qr::volume
