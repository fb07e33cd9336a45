#pragma once
// A WindowItems that records what the engines did to the window, for tests.
// Engines write from worker threads, so every member is guarded by one mutex.
#include "app/WindowItems.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qr::test {

class RecordingWindowItems final : public app::WindowItems {
public:
    struct Event {
        enum class Kind { Text, Show, Enable, Progress, Select } kind;
        int itemId;
        std::string text; // Text events
        int value;        // Show/Enable: 0 or 1; Progress: percent; Select: index
    };

    void setItemText(int itemId, const std::string& text) override {
        std::lock_guard lock(mutex_);
        texts_[itemId].push_back(text);
        events_.push_back({Event::Kind::Text, itemId, text, 0});
    }
    void showItem(int itemId, bool visible) override {
        std::lock_guard lock(mutex_);
        visible_[itemId] = visible;
        events_.push_back({Event::Kind::Show, itemId, {}, visible ? 1 : 0});
    }
    void enableItem(int itemId, bool enabled) override {
        std::lock_guard lock(mutex_);
        enabled_[itemId] = enabled;
        events_.push_back({Event::Kind::Enable, itemId, {}, enabled ? 1 : 0});
    }
    void setProgress(int itemId, int percent) override {
        std::lock_guard lock(mutex_);
        progress_[itemId].push_back(percent);
        events_.push_back({Event::Kind::Progress, itemId, {}, percent});
    }
    void selectEntry(int itemId, int index) override {
        std::lock_guard lock(mutex_);
        selected_[itemId] = index;
        events_.push_back({Event::Kind::Select, itemId, {}, index});
    }

    // The item's current text ("" when never set).
    std::string text(int itemId) const {
        std::lock_guard lock(mutex_);
        auto it = texts_.find(itemId);
        return it == texts_.end() || it->second.empty() ? std::string() : it->second.back();
    }
    // Every text the item was given, oldest first.
    std::vector<std::string> textHistory(int itemId) const {
        std::lock_guard lock(mutex_);
        auto it = texts_.find(itemId);
        return it == texts_.end() ? std::vector<std::string>{} : it->second;
    }
    // Whether any text given to the item equals `text`.
    bool sawText(int itemId, const std::string& text) const {
        for (const auto& t : textHistory(itemId))
            if (t == text)
                return true;
        return false;
    }
    // Last shown/enabled state; nullopt when the engine never touched it.
    std::optional<bool> visible(int itemId) const {
        std::lock_guard lock(mutex_);
        auto it = visible_.find(itemId);
        return it == visible_.end() ? std::nullopt : std::optional<bool>(it->second);
    }
    std::optional<bool> enabled(int itemId) const {
        std::lock_guard lock(mutex_);
        auto it = enabled_.find(itemId);
        return it == enabled_.end() ? std::nullopt : std::optional<bool>(it->second);
    }
    std::vector<int> progress(int itemId) const {
        std::lock_guard lock(mutex_);
        auto it = progress_.find(itemId);
        return it == progress_.end() ? std::vector<int>{} : it->second;
    }
    std::optional<int> selected(int itemId) const {
        std::lock_guard lock(mutex_);
        auto it = selected_.find(itemId);
        return it == selected_.end() ? std::nullopt : std::optional<int>(it->second);
    }
    std::vector<Event> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        texts_.clear();
        visible_.clear();
        enabled_.clear();
        progress_.clear();
        selected_.clear();
        events_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::map<int, std::vector<std::string>> texts_;
    std::map<int, bool> visible_;
    std::map<int, bool> enabled_;
    std::map<int, std::vector<int>> progress_;
    std::map<int, int> selected_;
    std::vector<Event> events_;
};

} // namespace qr::test
