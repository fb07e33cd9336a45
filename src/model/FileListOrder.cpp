#include "model/FileListOrder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace qr::model {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The decimal numbers of `text` in order, at most three, each capped.
std::array<std::uint64_t, 3> numbersOf(std::string_view text, int& found) {
    std::array<std::uint64_t, 3> numbers{};
    found = 0;
    bool inNumber = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (!inNumber && found == 3)
                break;
            if (!inNumber)
                ++found;
            inNumber = true;
            std::uint64_t& n = numbers[static_cast<std::size_t>(found - 1)];
            n = n > UINT64_MAX / 10 - 9 ? UINT64_MAX : n * 10 + static_cast<unsigned>(c - '0');
        } else {
            inNumber = false;
        }
    }
    return numbers;
}

// yyyymmdd of a listed date; 0 when it cannot be read (a month "Err").
std::uint64_t dayOf(const std::string& date) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    const auto first = date.find('-');
    const auto second = date.find('-', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return 0;
    const std::string month = lower(date.substr(first + 1, second - first - 1));
    const auto at = std::find(std::begin(kMonths), std::end(kMonths), month);
    if (at == std::end(kMonths))
        return 0;
    int found = 0;
    const auto day = numbersOf(date.substr(0, first), found)[0];
    const auto year = numbersOf(date.substr(second + 1), found)[0];
    return year * 10000 + static_cast<std::uint64_t>(at - std::begin(kMonths) + 1) * 100 + day;
}

std::uint64_t secondsOf(const std::string& time) {
    int found = 0;
    const auto parts = numbersOf(time, found);
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

std::uint64_t sizeOf(const std::string& size) {
    int found = 0;
    return numbersOf(size, found)[0];
}

} // namespace

bool RowBefore(const FileListRow& a, const FileListRow& b, int column) {
    if (column < 0 || column >= file_col::Count)
        return false;
    const std::string& x = a.cells[static_cast<std::size_t>(column)];
    const std::string& y = b.cells[static_cast<std::size_t>(column)];
    switch (column) {
    case file_col::Size:
        return sizeOf(x) < sizeOf(y);
    case file_col::Date:
        return dayOf(x) < dayOf(y);
    case file_col::Time:
        return secondsOf(x) < secondsOf(y);
    default:
        return lower(x) < lower(y);
    }
}

bool RowPasses(const FileListRow& row, const std::string& typeLabel,
               const std::string& recoverability, const RowFilter& filter) {
    const std::string& type = row.cells[file_col::Type];
    if (filter.deletedOnly && type.rfind("Deleted", 0) != 0)
        return false;
    if (filter.recoverableOnly && recoverability == "overwritten")
        return false;
    if (filter.text.empty())
        return true;
    const std::string wanted = lower(filter.text);
    const std::string name = lower(row.cells[file_col::Name]);
    if (wanted.front() == '.')
        return name.size() >= wanted.size() &&
               name.compare(name.size() - wanted.size(), wanted.size(), wanted) == 0;
    return name.find(wanted) != std::string::npos ||
           lower(typeLabel).find(wanted) != std::string::npos ||
           lower(type).find(wanted) != std::string::npos;
}

} // namespace qr::model
