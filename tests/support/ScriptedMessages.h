#pragma once
// A UserMessages that records every message and answers questions from a script.
// Engines may ask from worker threads, so every member is guarded by one mutex.
#include "platform/UserMessages.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qr::test {

struct AskedMessage {
    std::string text;
    std::string caption;
    platform::MessageIcon icon = platform::MessageIcon::None;
    platform::MessageButtons buttons = platform::MessageButtons::Ok;
    platform::MessageAnswer answer = platform::MessageAnswer::Ok;
};

class ScriptedMessages final : public platform::UserMessages {
public:
    // Answers given in order to questions (any box that is not a plain Ok box).
    // When the script runs out, `fallback` answers; Ok boxes always answer Ok.
    explicit ScriptedMessages(std::vector<platform::MessageAnswer> script = {},
                              platform::MessageAnswer fallback = platform::MessageAnswer::No)
        : script_(script.begin(), script.end()), fallback_(fallback) {}

    platform::MessageAnswer ask(const std::string& text, const std::string& caption,
                                platform::MessageIcon icon,
                                platform::MessageButtons buttons) override {
        if (whileAsking)
            whileAsking();
        std::lock_guard lock(mutex_);
        platform::MessageAnswer answer = platform::MessageAnswer::Ok;
        if (buttons != platform::MessageButtons::Ok) {
            if (!script_.empty()) {
                answer = script_.front();
                script_.pop_front();
            } else {
                answer = fallback_;
            }
        }
        asked_.push_back({text, caption, icon, buttons, answer});
        return answer;
    }

    // Adds answers at the end of the script.
    void queue(platform::MessageAnswer answer) {
        std::lock_guard lock(mutex_);
        script_.push_back(answer);
    }
    void setFallback(platform::MessageAnswer answer) {
        std::lock_guard lock(mutex_);
        fallback_ = answer;
    }

    std::vector<AskedMessage> asked() const {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const auto& m : asked_)
            out.push_back(m.text);
        return out;
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return asked_.size();
    }
    // How many recorded messages have exactly this text.
    std::size_t countOf(const std::string& text) const {
        std::lock_guard lock(mutex_);
        std::size_t n = 0;
        for (const auto& m : asked_)
            n += m.text == text ? 1 : 0;
        return n;
    }
    bool saw(const std::string& text) const { return countOf(text) > 0; }
    // Unanswered script entries (a test may check that every scripted answer was used).
    std::size_t scriptLeft() const {
        std::lock_guard lock(mutex_);
        return script_.size();
    }
    void clear() {
        std::lock_guard lock(mutex_);
        asked_.clear();
    }

    // Runs on the asking thread before each message is answered, as the user's time with
    // the box open.
    std::function<void()> whileAsking;

private:
    mutable std::mutex mutex_;
    std::deque<platform::MessageAnswer> script_;
    platform::MessageAnswer fallback_;
    std::vector<AskedMessage> asked_;
};

} // namespace qr::test
