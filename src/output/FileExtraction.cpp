#include "output/FileExtraction.h"

#include "output/OutputFile.h"
#include "output/SaveSettings.h"
#include "output/SaveState.h"
#include "volume/ContentCheck.h"

#include <array>

#include <filesystem>
#include <system_error>

namespace qr::output {

namespace {

// The output file of one extraction. It is opened at the first bytes (or at the end
// for an empty file), so a file with nothing to locate leaves no output behind.
class OutputFileSink final : public volume::FileSink {
public:
    OutputFileSink(SaveState& save, const std::string& sourceDevice, const std::string& path,
                   const std::string& name, std::uint64_t size, bool saveMode)
        : save_(save), sourceDevice_(sourceDevice), path_(path),
          reporter_(save, saveMode, path, name, size) {}

    enum class State { Closed, Refused, Open, Failed };

    // Opens the output; false when it was refused or could not be created.
    bool open() {
        if (state_ == State::Open)
            return true;
        if (state_ != State::Closed)
            return false;
        if (!OutputAllowed(save_, sourceDevice_, path_)) {
            state_ = State::Refused;
            return false;
        }
        state_ = out_.open(path_) ? State::Open : State::Failed;
        return state_ == State::Open;
    }

    bool write(disk::ByteView bytes) override {
        if (!open())
            return false;
        if (!out_.write(bytes.data(), bytes.size())) {
            state_ = State::Failed;
            return false;
        }
        reporter_.written(bytes.size());
        for (std::size_t i = 0; i < bytes.size() && headBytes_ < head_.size(); ++i)
            head_[headBytes_++] = bytes.data()[i];
        return true;
    }
    // The file's first bytes as written, for the content check.
    disk::ByteView head() const { return {head_.data(), headBytes_}; }
    bool interrupted() override { return save_.skipCurrent || save_.stopSaving; }
    void unreadable(std::uint64_t, std::uint64_t) override {}

    State state() const { return state_; }
    SavingReporter& reporter() { return reporter_; }
    OutputFile& out() { return out_; }

private:
    SaveState& save_;
    std::string sourceDevice_;
    std::string path_;
    OutputFile out_;
    SavingReporter reporter_;
    State state_ = State::Closed;
    std::array<unsigned char, volume::kContentCheckBytes> head_{};
    std::size_t headBytes_ = 0;
};

// Removes what was written of a file that cannot be saved whole, so no file stands
// under a recovered name with other bytes than the file's.
void discard(OutputFileSink& sink, const std::string& path) {
    if (sink.state() != OutputFileSink::State::Open)
        return;
    sink.out().close();
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

// An extraction that ended early because the medium went away rather than because of
// the file's own data.
bool mediumWentAway(const volume::ExtractReport& report, volume::VolumeEngine& engine) {
    switch (report.end) {
    case volume::ExtractEnd::MediumLost:
        return true;
    case volume::ExtractEnd::NoData:
    case volume::ExtractEnd::Truncated:
    case volume::ExtractEnd::Unreadable:
        return engine.mediumGone();
    default:
        return false;
    }
}

ExtractResult writeError(SaveState& save, OutputFile& out, const std::string& path) {
    const std::string reason = out.error();
    out.close();
    NoteProblem(save, path, reason);
    ReportWriteError(save, path, reason);
    return ExtractResult::Failed;
}

} // namespace

volume::ClusterSource ClusterSourceOf(std::uint32_t savingMode) {
    switch (savingMode) {
    case kSavingAuto:
        return volume::ClusterSource::Automatic;
    case kSavingFat1:
        return volume::ClusterSource::FirstFat;
    case kSavingFat2:
        return volume::ClusterSource::SecondFat;
    default:
        return volume::ClusterSource::Contiguous;
    }
}

ExtractResult ExtractToFile(SaveState& save, const std::string& sourceDevice,
                            volume::VolumeEngine& engine, const std::string& outputPath,
                            const volume::FolderFile& file, bool saveMode) {
    save.skipCurrent = false;
    if (saveMode && !AdmitForSave(save, outputPath, file.name, file.deleted))
        return ExtractResult::PassedOver;

    OutputFileSink sink(save, sourceDevice, outputPath, file.name, file.size, saveMode);
    const volume::ExtractReport report =
        engine.extract(file, sink, {ClusterSourceOf(save.settings.savingMode)});
    if (mediumWentAway(report, engine)) {
        discard(sink, outputPath);
        save.summary.mediumLostAt = report.lostAtSector;
        save.stopSaving = true;
        NoteProblem(save, outputPath, "the medium stopped answering; not saved, and the save ends");
        return ExtractResult::MediumLost;
    }
    if (report.end == volume::ExtractEnd::NoData) {
        NoteProblem(save, outputPath, report.why);
        return ExtractResult::Failed;
    }
    if (report.end == volume::ExtractEnd::Unreadable) {
        discard(sink, outputPath);
        NoteProblem(save, outputPath, report.why);
        return ExtractResult::Failed;
    }
    // An empty file, or one stopped before its first bytes, is still created.
    if (report.end != volume::ExtractEnd::SinkFailed && !sink.open()) {
        if (sink.state() == OutputFileSink::State::Refused)
            return ExtractResult::Failed;
        return writeError(save, sink.out(), outputPath);
    }
    switch (report.end) {
    case volume::ExtractEnd::SinkFailed:
        if (sink.state() == OutputFileSink::State::Refused)
            return ExtractResult::Failed;
        return writeError(save, sink.out(), outputPath);
    case volume::ExtractEnd::Interrupted:
        // What was written stays, unless the program is ending: then the file stopped
        // half-way is removed rather than left under a recovered file's name. Skip is cleared.
        sink.out().close();
        if (save.discardPartial && save.stopSaving) {
            std::error_code ec;
            std::filesystem::remove(outputPath, ec);
        }
        save.skipCurrent = false;
        return ExtractResult::Stopped;
    default:
        break;
    }
    sink.reporter().written(0, true);
    if (!sink.out().close())
        return writeError(save, sink.out(), outputPath);
    if (report.end == volume::ExtractEnd::Truncated) {
        NoteProblem(save, outputPath, report.why);
        return ExtractResult::Failed;
    }
    const bool contradicted =
        volume::CheckContent(file.name, sink.head()) == volume::ContentVerdict::Contradicts;
    if ((report.uncertain || contradicted) && saveMode) {
        save.summary.uncertain += 1;
        save.summary.uncertainFiles.push_back(outputPath);
    }
    if (report.unreadableBytes > 0 && saveMode) {
        // The read-failure notice stays as it is; the save tells which files have holes.
        NoteProblem(save, outputPath,
                    std::to_string(report.unreadableBytes) +
                        " bytes lie on sectors the medium could not read; saved as zeros");
        save.summary.withUnreadable += 1;
    }
    return ExtractResult::Written;
}

} // namespace qr::output
