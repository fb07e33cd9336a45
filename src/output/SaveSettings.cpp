#include "output/SaveSettings.h"

#include <algorithm>
#include <cctype>

namespace qr::output {

bool DateWindow::excludes(std::uint32_t year, std::uint32_t month, std::uint32_t day) const {
    if (year > toYear || year < fromYear)
        return true;
    const std::uint64_t key = DateKey(year, month, day);
    return key < DateKey(fromYear, fromMonth, fromDay) || key > DateKey(toYear, toMonth, toDay);
}

DateWindow DateWindowFromPositions(const std::array<int, kDateLists>& p) {
    auto u = [](int position) { return static_cast<std::uint32_t>(std::max(position, 0)); };
    DateWindow w;
    w.fromDay = u(p[kAfterDay]) + 1;
    w.fromMonth = u(p[kAfterMonth]) + 1;
    w.fromYear = 1970 + u(p[kAfterYear]);
    w.toDay = u(p[kEarlierDay]) + 1;
    w.toMonth = u(p[kEarlierMonth]) + 1;
    w.toYear = 1970 + u(p[kEarlierYear]);
    return w;
}

std::string ExtensionOf(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

bool ExtensionAdmitted(const std::vector<std::string>& extensions, const std::string& name) {
    if (extensions.empty())
        return true;
    const std::string ext = ExtensionOf(name);
    auto sameIgnoringCase = [&](const std::string& entry) {
        return entry.size() == ext.size() &&
               std::equal(entry.begin(), entry.end(), ext.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    return std::any_of(extensions.begin(), extensions.end(), sameIgnoringCase);
}

bool DeletedFilterAdmits(std::uint32_t deletedFilter, bool deleted) {
    if (deletedFilter == kExcludeDeleted)
        return !deleted;
    if (deletedFilter == kDeletedOnly)
        return deleted;
    return true;
}

bool FiltersAdmit(const SaveSettings& settings, const std::string& name, bool deleted) {
    return DeletedFilterAdmits(settings.deletedFilter, deleted) &&
           ExtensionAdmitted(settings.extensions, name);
}

} // namespace qr::output
