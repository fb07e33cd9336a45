#pragma once
// "Settings": the save options with their checks and messages, without any toolkit.
// Opening copies the settings; Cancel restores them; Apply keeps the changes.
#include "output/SaveSettings.h"
#include "platform/UserMessages.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qr::ui {

// Date list contents: days "01".."31", months "01".."12", years "1970".."2030".
inline constexpr int kDayItems = 31;
inline constexpr int kMonthItems = 12;
inline constexpr int kYearItems = 61;

class SettingsDialogModel {
public:
    SettingsDialogModel(output::SaveSettings& settings, platform::UserMessages* messages);

    // Radio buttons change the setting at once.
    void setSavingMode(std::uint32_t mode) { settings_.savingMode = mode; }
    void setDeletedFilter(std::uint32_t filter) { settings_.deletedFilter = filter; }
    void setSelectionMode(std::uint32_t mode) { settings_.selectionMode = mode; }
    const output::SaveSettings& settings() const { return settings_; }

    // "&Add " with the text of the extension box: true when added (the box is then
    // emptied and gets the focus); a refusal shows its message.
    bool add(const std::string& text);
    // "&Remove" of the list-box entry at `selected` (nullopt: none selected). Returns the
    // entry to select afterwards (the first one), or nullopt.
    std::optional<std::size_t> remove(std::optional<std::size_t> selected);

    // List-box entries top to bottom: those added in this opening first (newest on top),
    // then the stored ones in stored order.
    const std::vector<std::string>& listBox() const { return listBox_; }
    bool removeEnabled() const { return removeEnabled_; }

    // Item positions selected in the six date lists when the dialog opens.
    const std::array<int, output::kDateLists>& datePositions() const { return positions_; }
    void selectDate(output::DateList list, int position);

    // "&Apply": keeps the working extension list and the date positions, and sets the
    // date window from them.
    void apply();
    // Cancel: everything as it was when the dialog opened.
    void cancel();

private:
    output::SaveSettings& settings_;
    output::SaveSettings original_;
    platform::UserMessages* messages_;
    std::vector<std::string> working_;
    std::vector<std::string> listBox_;
    std::array<int, output::kDateLists> positions_{};
    bool removeEnabled_ = false;
};

// Default positions shown for a stored position of 0.
int DefaultDatePosition(output::DateList list);

} // namespace qr::ui
