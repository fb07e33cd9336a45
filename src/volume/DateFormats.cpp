#include "volume/DateFormats.h"

#include <cstdio>

namespace qr::volume {

namespace {

const char* monthName(unsigned month) {
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? kMonths[month - 1] : "Err";
}

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDays1601To1970 = 134'774;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

struct Civil {
    std::int64_t year;
    unsigned month, day;
};

// Proleptic Gregorian date of a day count since 1970-01-01.
Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Two decimal digits of a value below 100 ("%02u").
void appendTwoDigits(std::string& text, unsigned value) {
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
}

} // namespace

std::string FormatFatDate(std::uint16_t date) {
    // "DD-Mon-YYYY" written by hand: every file row of a listing formats one.
    std::string text;
    text.reserve(11);
    appendTwoDigits(text, date & 0x1Fu);
    text += '-';
    text += monthName((date >> 5) & 0x0Fu);
    text += '-';
    const unsigned year = (date >> 9) + 1980u; // 1980 to 2107
    appendTwoDigits(text, year / 100);
    appendTwoDigits(text, year % 100);
    return text;
}

std::string FormatFatTime(std::uint16_t time) {
    std::string text;
    appendTwoDigits(text, time >> 11);
    text += ':';
    appendTwoDigits(text, (time >> 5) & 0x3Fu);
    return text;
}

std::string FormatNtfsDate(std::int64_t fileTime) {
    const std::int64_t days = floorDiv(floorDiv(fileTime, kTicksPerSecond), kSecondsPerDay);
    const Civil c = civilFromDays(days - kDays1601To1970);
    char text[64];
    std::snprintf(text, sizeof text, "%u-%s-%lld", c.day, monthName(c.month),
                  static_cast<long long>(c.year));
    return text;
}

std::string FormatNtfsTime(std::int64_t fileTime) {
    const std::int64_t seconds = floorDiv(fileTime, kTicksPerSecond);
    const std::int64_t ofDay = seconds - floorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;
    char text[64];
    std::snprintf(text, sizeof text, "%lld:%lld:%lld", static_cast<long long>(ofDay / 3600),
                  static_cast<long long>(ofDay / 60 % 60), static_cast<long long>(ofDay % 60));
    return text;
}

} // namespace qr::volume
