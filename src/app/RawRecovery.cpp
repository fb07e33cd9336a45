#include "app/RawRecovery.h"

#include "app/StopQuestion.h"
#include "disk/SectorReader.h"
#include "output/DestinationSafety.h"
#include "raw/RawRange.h"

#include <filesystem>

namespace qr::app {

RawRecovery::RawRecovery(RecoveryContext& ctx, WizardView& view,
                         std::function<std::optional<std::string>()> chooseDestination)
    : ctx_(ctx), view_(view), chooseDestination_(std::move(chooseDestination)) {}

RawRecovery::~RawRecovery() {
    stop();
}

raw::RawCounts RawRecovery::counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

void RawRecovery::stop() {
    if (worker_.thread().joinable()) {
        worker_.thread().request_stop();
        view_.stopWorker(worker_.thread());
    }
}

void RawRecovery::startOrStop() {
    if (worker_.running()) {
        if (!AskToStopWithReadsPaused(ctx_, std::string(raw::message::kTerminate)))
            return;
        stop();
        view_.setItemText(item::kRawProgress, "0" + raw_text::kCompleted);
        view_.setListRows(item::kResultList, {});
        return;
    }
    // The ticked kinds, in the list's order.
    const std::vector<bool> rows = view_.checkedRows(item::kFileTypeList);
    kinds_ = {};
    for (std::size_t k = 0; k < kinds_.size() && k < rows.size(); ++k)
        kinds_[k] = rows[k];
    if (const std::string_view refusal = raw::CheckRawKinds(kinds_); !refusal.empty()) {
        ctx_.messages->inform(std::string(refusal));
        return;
    }
    const std::uint64_t diskSectors = ctx_.reader->mediumSectors();
    const raw::RawRangeCheck range =
        raw::CheckRawRange(ctx_.rawWholeDisk, view_.itemText(item::kRawStart),
                           view_.itemText(item::kRawEnd), diskSectors);
    if (!range.message.empty()) {
        ctx_.messages->error(std::string(range.message));
        if (range.resetEnd)
            view_.setItemText(item::kRawEnd, std::to_string(diskSectors));
        if (range.focus != raw::RangeField::None)
            view_.focusItem(range.focus == raw::RangeField::Start ? item::kRawStart
                                                                  : item::kRawEnd);
        return;
    }

    const std::optional<std::string> destination =
        chooseDestination_ ? chooseDestination_() : std::nullopt;
    if (!destination || destination->empty())
        return;
    const std::string refusal =
        output::DestinationRefusal(ctx_.reader->selectedDeviceName(), *destination);
    if (!refusal.empty()) {
        ctx_.messages->error(refusal);
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(*destination, ec);
    if (!std::filesystem::is_directory(*destination, ec)) {
        ctx_.messages->error(std::string(raw::message::kCannotCreateDirectory));
        return;
    }

    {
        std::lock_guard lock(mutex_);
        counts_ = {};
    }
    view_.setListRows(item::kResultList, {});
    lockControls(true);
    view_.setItemText(item::kStatusLine,
                      raw_text::kSearchingDisk + std::to_string(ctx_.selectedDiskNumber));
    view_.setItemText(item::kRawProgress, "0" + raw_text::kCompleted);
    view_.setProgress(item::kRawProgress, 0);
    view_.showItem(item::kRawProgress, true);
    folder_ = std::make_unique<output::CarvedFileFolder>(*destination);
    raw::RawSearchOptions options;
    options.first = range.first;
    options.end = range.end;
    options.kinds = kinds_;
    options.naming.metadata = metadataNames_;
    worker_.start(*ctx_.reader, options, *folder_, *this, ctx_.progress(),
                  [this](const raw::RawSearchResult&) { searchEnded(); });
}

void RawRecovery::fileWritten(const raw::CarvedFile&, const raw::RawCounts& counts) {
    {
        std::lock_guard lock(mutex_);
        counts_ = counts;
    }
    showCounts(counts);
}

// One line per ticked kind, in the list's order: its count line and its count.
void RawRecovery::showCounts(const raw::RawCounts& counts) {
    std::vector<std::string> lines;
    for (std::size_t k = 0; k < raw::kRawKinds; ++k)
        if (kinds_[k])
            lines.push_back(std::string(raw::RawKindTable[k].countLine) +
                            std::to_string(counts[k]));
    view_.setListRows(item::kResultList, lines);
}

void RawRecovery::lockControls(bool searching) {
    view_.setItemText(item::kStartRecovery,
                      searching ? raw_text::kStopSearching : raw_text::kStartRecoveryAfter);
    for (int id : {item::kFileTypeList, item::kEntireDisk, item::kSectorRange,
                   item::kRawMetadataNames, item::kRawEveryKind, item::kNext, item::kBack})
        view_.enableItem(id, !searching);
    for (int id : {item::kRawStart, item::kRawEnd})
        view_.enableItem(id, !searching && !ctx_.rawWholeDisk);
}

// On the worker, once the search has ended by itself or on a stop. The counts stay in
// "Files Recovered", so that the user sees what was written.
void RawRecovery::searchEnded() {
    lockControls(false);
    view_.setItemText(item::kStatusLine, "");
    view_.setProgress(item::kRawProgress, 0);
    view_.showItem(item::kRawProgress, false);
}

} // namespace qr::app
