#pragma once
// One line of the disk details: the label padded as the disk details pad theirs.
#include <cstddef>
#include <string>

namespace qr::volume {

inline std::string DetailLine(const std::string& label, const std::string& value) {
    constexpr std::size_t kLabelWidth = 41;
    return label + std::string(label.size() < kLabelWidth ? kLabelWidth - label.size() : 1, ' ') +
           ": " + value;
}

} // namespace qr::volume
