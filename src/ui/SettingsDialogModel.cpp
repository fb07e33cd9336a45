#include "ui/SettingsDialogModel.h"

#include <algorithm>

namespace qr::ui {

namespace {

using platform::MessageIcon;

void tell(platform::UserMessages* messages, const std::string& text, MessageIcon icon) {
    if (messages)
        messages->ask(text, platform::kMessageCaption, icon, platform::MessageButtons::Ok);
}

} // namespace

int DefaultDatePosition(output::DateList list) {
    switch (list) {
    case output::kEarlierDay:
        return kDayItems - 1;
    case output::kEarlierMonth:
        return kMonthItems - 1;
    case output::kEarlierYear:
        return kYearItems - 1;
    default:
        return 0;
    }
}

SettingsDialogModel::SettingsDialogModel(output::SaveSettings& settings,
                                         platform::UserMessages* messages)
    : settings_(settings), original_(settings), messages_(messages), working_(settings.extensions),
      listBox_(settings.extensions), removeEnabled_(!settings.extensions.empty()) {
    for (std::size_t i = 0; i < output::kDateLists; ++i) {
        const int stored = settings.datePositions[i];
        positions_[i] =
            stored == 0 ? DefaultDatePosition(static_cast<output::DateList>(i)) : stored;
    }
}

bool SettingsDialogModel::add(const std::string& text) {
    if (working_.size() >= output::kMaxExtensions) {
        tell(messages_, "Cannot add more extensions", MessageIcon::Error);
        return false;
    }
    if (text.size() > 4) {
        tell(messages_, "Extension should not exceed more than 4 characters", MessageIcon::Error);
        return false;
    }
    if (!text.empty() && text[0] == ' ') {
        tell(messages_, "Extension should not contain blank space", MessageIcon::None);
        return false;
    }
    if (text.empty())
        return false;
    if (text.find('.') != std::string::npos) {
        tell(messages_,
             "Do not include \".\" (DOT) in extension. Enter extensions like this : "
             "tmp,html,bak etc..",
             MessageIcon::Error);
        return false;
    }
    if (text.find('*') != std::string::npos) {
        tell(messages_,
             "Do not include \"*\" in extension. Enter extensions like this : tmp,html,bak etc..",
             MessageIcon::Error);
        return false;
    }
    if (std::find(listBox_.begin(), listBox_.end(), text) != listBox_.end()) {
        tell(messages_, "This extension already exist. Enter different extension",
             MessageIcon::None);
        return false;
    }
    listBox_.insert(listBox_.begin(), text);
    working_.push_back(text);
    removeEnabled_ = true;
    return true;
}

std::optional<std::size_t> SettingsDialogModel::remove(std::optional<std::size_t> selected) {
    if (listBox_.empty()) {
        removeEnabled_ = false;
        return std::nullopt;
    }
    if (!selected || *selected >= listBox_.size())
        return std::nullopt;
    const std::string entry = listBox_[*selected];
    listBox_.erase(listBox_.begin() + static_cast<std::ptrdiff_t>(*selected));
    if (auto it = std::find(working_.begin(), working_.end(), entry); it != working_.end())
        working_.erase(it);
    if (listBox_.empty())
        return std::nullopt;
    return 0;
}

void SettingsDialogModel::selectDate(output::DateList list, int position) {
    positions_[list] = position;
}

void SettingsDialogModel::apply() {
    settings_.extensions = working_;
    settings_.datePositions = positions_;
    settings_.dateWindow = output::DateWindowFromPositions(positions_);
}

void SettingsDialogModel::cancel() {
    settings_ = original_;
}

} // namespace qr::ui
