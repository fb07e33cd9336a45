#pragma once
// The save options chosen in "Settings" and the date window they give. They live for
// the run only (never stored between runs).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qr::output {

// Which FAT copies the FAT extraction tries ("Saving Mode").
inline constexpr std::uint32_t kSavingAuto = 0;
inline constexpr std::uint32_t kSavingFat1 = 1;
inline constexpr std::uint32_t kSavingFat2 = 2;
inline constexpr std::uint32_t kSavingContiguous = 3;

// Deleted filter, applied when writing.
inline constexpr std::uint32_t kIncludeDeleted = 0;
inline constexpr std::uint32_t kExcludeDeleted = 1;
inline constexpr std::uint32_t kDeletedOnly = 2;

// Selection mode of a save from the file list.
inline constexpr std::uint32_t kSaveSelectedRows = 0;
inline constexpr std::uint32_t kSaveAllRows = 1;
inline constexpr std::uint32_t kSaveUnselectedRows = 2;

inline constexpr std::size_t kMaxExtensions = 100;

// Positions of the six date lists of "Settings": the "Earlier" row (the window's end)
// and the "After" row (its start), each day, month, year.
enum DateList : std::size_t {
    kEarlierDay,
    kEarlierMonth,
    kEarlierYear,
    kAfterDay,
    kAfterMonth,
    kAfterYear
};
inline constexpr std::size_t kDateLists = 6;

// The files a save admits by their date. All 0 at start; in force only when toYear is
// not 0 and toYear >= fromYear.
struct DateWindow {
    std::uint32_t fromYear = 0, fromMonth = 0, fromDay = 0;
    std::uint32_t toYear = 0, toMonth = 0, toDay = 0;

    bool inForce() const { return toYear != 0 && toYear >= fromYear; }
    // True when a date (calendar year, month 1..12, day 1..31) lies outside the window.
    bool excludes(std::uint32_t year, std::uint32_t month, std::uint32_t day) const;
};

// The comparison key of a date: months of 30 days, years of 12 months, in hours.
inline std::uint64_t DateKey(std::uint32_t year, std::uint32_t month, std::uint32_t day) {
    return std::uint64_t{year} * 8640 + std::uint64_t{month} * 720 + std::uint64_t{day} * 24;
}

// The window given by the six list positions (day = position + 1, month = position + 1,
// year = 1970 + position; from-values from the "After" row, to-values from "Earlier").
DateWindow DateWindowFromPositions(const std::array<int, kDateLists>& positions);

struct SaveSettings {
    std::uint32_t savingMode = kSavingAuto;
    std::uint32_t deletedFilter = kIncludeDeleted;
    std::uint32_t selectionMode = kSaveSelectedRows;
    std::vector<std::string> extensions; // 1 to 4 characters each, in the order added
    std::array<int, kDateLists> datePositions{};
    DateWindow dateWindow;
};

// The extension of a name as the filters see it: the text after the last ".", or the
// whole name when it has none.
std::string ExtensionOf(const std::string& name);
// True when the extension list is empty or holds the name's extension (any case).
bool ExtensionAdmitted(const std::vector<std::string>& extensions, const std::string& name);
// True when the deleted filter passes a file with this deleted flag.
bool DeletedFilterAdmits(std::uint32_t deletedFilter, bool deleted);
// The deleted filter, then the extension list.
bool FiltersAdmit(const SaveSettings& settings, const std::string& name, bool deleted);

} // namespace qr::output
