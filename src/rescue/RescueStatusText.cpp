#include "rescue/RescueStatusText.h"

#include "disk/SectorSource.h"

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

std::vector<std::pair<std::string, std::string>> RescueStatusFigures(const RescueStatus& s) {
    return {{"rescued", ByteText(s.rescued) + " of " + ByteText(s.size)},
            {"bad areas", std::to_string(s.badAreas)},
            {"bad", ByteText(s.badBytes)},
            {"rate", ByteText(s.rate) + "/s"},
            {"time left", s.phase == '+' ? std::string("0 s") : DurationText(s.secondsLeft)}};
}

std::string RescueStatusLine(const RescueStatus& status) {
    std::string line;
    for (const auto& [name, value] : RescueStatusFigures(status))
        line += (line.empty() ? "" : ", ") + name + ": " + value;
    return line;
}

std::string RescueEndText(RescueEnd end, const RescueMap& map) {
    switch (end) {
    case RescueEnd::Finished: {
        const std::uint64_t unread = map.size() - map.bytesIn(BlockState::Rescued);
        return unread == 0 ? "finished; every sector was rescued"
                           : "finished; " + ByteText(unread) + " could not be read";
    }
    case RescueEnd::Stopped:
        return "stopped; the map keeps what was rescued";
    case RescueEnd::MediumGone:
        return "the medium stopped answering at sector " +
               std::to_string(map.currentPos / disk::kSectorBytes) +
               "; the map keeps what was rescued";
    case RescueEnd::SizeChanged:
        return "the medium's size changed during the copy; the map keeps what was rescued";
    case RescueEnd::WriteFailed:
        return "the image could not be written";
    case RescueEnd::MapNotSaved:
        return "the map could not be saved";
    }
    return {};
}

} // namespace qr::rescue
