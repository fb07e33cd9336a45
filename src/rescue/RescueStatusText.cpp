#include "rescue/RescueStatusText.h"

#include <cstdio>

namespace qr::rescue {

std::string ByteText(std::uint64_t bytes) {
    static constexpr const char* kUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 10'000)
        return std::to_string(bytes) + " B";
    double value = double(bytes) / 1000;
    std::size_t unit = 0;
    while (value >= 1000 && unit + 1 < std::size(kUnits)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string DurationText(std::uint64_t seconds) {
    if (seconds == 0)
        return "unknown";
    std::string text;
    if (seconds >= 3600)
        text += std::to_string(seconds / 3600) + " h ";
    if (seconds >= 60)
        text += std::to_string(seconds / 60 % 60) + " m ";
    return text + std::to_string(seconds % 60) + " s";
}

std::string RescueStatusLine(const RescueStatus& s) {
    return "rescued: " + ByteText(s.rescued) + " of " + ByteText(s.size) +
           ", bad areas: " + std::to_string(s.badAreas) + ", bad: " + ByteText(s.badBytes) +
           ", rate: " + ByteText(s.rate) +
           "/s, time left: " + (s.phase == '+' ? std::string("0 s") : DurationText(s.secondsLeft));
}

} // namespace qr::rescue
