#pragma once
// The raw mode's "S&tart Recovery" / "S&top Searching" button: the checks of the ticked
// kinds and the range, the destination chosen in "Save As", the search on its worker
// with the live per-kind counts in "Files Recovered", and the stop with its question.
#include "app/RecoveryContext.h"
#include "app/WizardView.h"
#include "output/CarvedFileFolder.h"
#include "raw/RawSearchWorker.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace qr::app {

namespace raw_text {
inline const std::string kStartRecovery = "S&tart Recovery";
inline const std::string kStartRecoveryAfter = "&Start Recovery";
inline const std::string kStopSearching = "S&top Searching";
inline const std::string kSearchingDisk = "Searching Disk - ";
inline const std::string kCompleted = " % Completed";
} // namespace raw_text

class RawRecovery final : raw::RawSearchEvents {
public:
    // `chooseDestination` shows "Save As" and gives the folder chosen, or nothing.
    RawRecovery(RecoveryContext& ctx, WizardView& view,
                std::function<std::optional<std::string>()> chooseDestination);
    ~RawRecovery() override;

    // The button's command.
    void startOrStop();
    bool running() const { return worker_.running(); }
    // Ends a running search without asking (the close sequence), serving the window.
    void stop();
    // Waits for the search to end by itself (tests).
    void wait() { worker_.join(); }
    raw::RawCounts counts() const;
    // Photos named by the moment they were taken and documents by their title.
    void setMetadataNames(bool on) { metadataNames_ = on; }

private:
    void fileWritten(const raw::CarvedFile& file, const raw::RawCounts& counts) override;
    void fileFailed(const raw::CarvedFile&, raw::CarveResult) override {}
    void showCounts(const raw::RawCounts& counts);
    void lockControls(bool searching);
    void searchEnded();

    RecoveryContext& ctx_;
    WizardView& view_;
    std::function<std::optional<std::string>()> chooseDestination_;
    raw::RawKindSet kinds_{};
    bool metadataNames_ = false;
    mutable std::mutex mutex_;
    raw::RawCounts counts_{};
    std::unique_ptr<output::CarvedFileFolder> folder_;
    raw::RawSearchWorker worker_;
};

} // namespace qr::app
