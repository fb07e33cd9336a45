#pragma once
// Helpers for the tests of saving: a searched FAT image in a context, scripted answers
// to the save's questions, a recorder of the "Saving" texts, and file contents.
#include "app/RecoveryContext.h"
#include "support/FatImages.h"
#include "support/TestSupport.h"
#include "ui/SaveProgressView.h"
#include "ui/SaveQuestions.h"

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace qr::test {

// Selects the image's volume and runs the Standard search to its end.
void SearchFatImage(app::RecoveryContext& context, const FatImage& image);

// `size` bytes that differ from file to file (by `seed`).
std::string PatternBytes(std::size_t size, unsigned seed);

class ScriptedReplace final : public ui::ReplaceQuestion {
public:
    explicit ScriptedReplace(std::deque<output::ReplacePolicy> answers)
        : answers_(std::move(answers)) {}
    output::ReplacePolicy askReplace(const std::string& path) override {
        asked.push_back(path);
        if (answers_.empty())
            return output::ReplacePolicy::Keep;
        auto a = answers_.front();
        answers_.pop_front();
        return a;
    }
    std::vector<std::string> asked;

private:
    std::deque<output::ReplacePolicy> answers_;
};

class ScriptedWriteError final : public ui::WriteErrorQuestion {
public:
    explicit ScriptedWriteError(ui::WriteErrorAnswer answer) : answer_(answer) {}
    ui::WriteErrorAnswer askWriteError(const std::string& path, const std::string&) override {
        asked.push_back(path);
        return answer_;
    }
    std::vector<std::string> asked;

private:
    ui::WriteErrorAnswer answer_;
};

class RecordingProgress final : public ui::SaveProgressView {
public:
    void showSaving(const ui::SavingTexts& texts) override { shown.push_back(texts); }
    std::vector<ui::SavingTexts> shown;
};

} // namespace qr::test
