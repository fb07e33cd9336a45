#include "output/SaveGate.h"

#include "output/DestinationSafety.h"
#include "output/SaveProgressView.h"
#include "output/SaveQuestions.h"
#include "output/SaveState.h"

#include <sys/stat.h>

namespace qr::output {

namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t elapsedSeconds(const SaveState& save) {
    if (save.startTime == Clock::time_point{})
        return 0;
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - save.startTime).count());
}

void showSaving(SaveState& save, const std::string& path, const std::string& name,
                std::uint64_t written, std::uint64_t size) {
    if (save.progress)
        save.progress->showSaving(
            MakeSavingTexts(save.counters, path, name, written, size, elapsedSeconds(save)));
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

bool AdmitForSave(SaveState& save, const std::string& outputPath, const std::string& name,
                  bool deleted) {
    if (!FiltersAdmit(save.settings, name, deleted))
        return false;
    if (exists(outputPath)) {
        if (save.replacePolicy == ReplacePolicy::KeepAll)
            return false;
        if (save.replacePolicy != ReplacePolicy::ReplaceAll)
            save.replacePolicy = save.replaceQuestion ? save.replaceQuestion->askReplace(outputPath)
                                                      : ReplacePolicy::Replace;
        if (save.replacePolicy == ReplacePolicy::Keep ||
            save.replacePolicy == ReplacePolicy::KeepAll)
            return false;
    }
    save.counters.filesDone += 1;
    showSaving(save, outputPath, name, 0, 0);
    return true;
}

void ReportWriteError(SaveState& save, const std::string& outputPath, const std::string& reason) {
    const WriteErrorAnswer answer = save.writeErrorQuestion
                                        ? save.writeErrorQuestion->askWriteError(outputPath, reason)
                                        : WriteErrorAnswer::Skip;
    ApplyWriteErrorAnswer(save, answer);
}

void NoteProblem(SaveState& save, const std::string& outputPath, const std::string& reason) {
    constexpr std::size_t kMaxProblems = 10000;
    if (save.problems.size() < kMaxProblems)
        save.problems.push_back(outputPath + ": " + reason);
}

bool OutputAllowed(SaveState& save, const std::string& sourceDevice,
                   const std::string& outputPath) {
    const std::string refusal = OutputFileRefusal(sourceDevice, outputPath);
    if (refusal.empty())
        return true;
    NoteProblem(save, outputPath, refusal);
    ReportWriteError(save, outputPath, refusal);
    return false;
}

SavingReporter::SavingReporter(SaveState& save, bool saveMode, std::string outputPath,
                               std::string name, std::uint64_t size)
    : save_(save), saveMode_(saveMode), outputPath_(std::move(outputPath)), name_(std::move(name)),
      size_(size) {}

void SavingReporter::written(std::uint64_t bytes, bool force) {
    done_ += bytes;
    save_.counters.bytesDone += bytes;
    if (!saveMode_)
        return;
    const auto nowMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count();
    if (!force && lastShownMs_ >= 0 && nowMs - lastShownMs_ < 100)
        return;
    lastShownMs_ = nowMs;
    showSaving(save_, outputPath_, name_, done_, size_);
}

} // namespace qr::output
