#include "output/FileExtraction.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "output/OutputFile.h"
#include "output/SaveSettings.h"

#include <filesystem>
#include <system_error>

namespace qr::output {

namespace {

// The device name of the medium under recovery (empty without one): an output may
// never be the source itself.
std::string sourceDevice(app::RecoveryContext& ctx) {
    return ctx.reader ? ctx.reader->selectedDeviceName() : std::string{};
}

// The output file of one extraction. It is opened at the first bytes (or at the end
// for an empty file), so a file with nothing to locate leaves no output behind.
class OutputFileSink final : public volume::FileSink {
public:
    OutputFileSink(app::RecoveryContext& ctx, const std::string& path, const std::string& name,
                   std::uint64_t size, bool saveMode)
        : ctx_(ctx), path_(path), reporter_(ctx.save, saveMode, path, name, size) {}

    enum class State { Closed, Refused, Open, Failed };

    // Opens the output; false when it was refused or could not be created.
    bool open() {
        if (state_ == State::Open)
            return true;
        if (state_ != State::Closed)
            return false;
        if (!OutputAllowed(ctx_.save, sourceDevice(ctx_), path_)) {
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
        return true;
    }
    bool interrupted() override { return ctx_.save.skipCurrent || ctx_.save.stopSaving; }
    void unreadable(std::uint64_t, std::uint64_t) override {}

    State state() const { return state_; }
    SavingReporter& reporter() { return reporter_; }
    OutputFile& out() { return out_; }

private:
    app::RecoveryContext& ctx_;
    std::string path_;
    OutputFile out_;
    SavingReporter reporter_;
    State state_ = State::Closed;
};

ExtractResult writeError(app::RecoveryContext& ctx, OutputFile& out, const std::string& path) {
    const std::string reason = out.error();
    out.close();
    NoteProblem(ctx.save, path, reason);
    ReportWriteError(ctx.save, path, reason);
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

ExtractResult ExtractToFile(app::RecoveryContext& ctx, volume::VolumeEngine& engine,
                            const std::string& outputPath, const std::string& name,
                            std::uint64_t size, std::uint64_t location, bool saveMode,
                            bool deleted) {
    SaveState& save = ctx.save;
    save.skipCurrent = false;
    if (saveMode && !AdmitForSave(ctx.save, outputPath, name, deleted))
        return ExtractResult::PassedOver;

    volume::FolderFile file;
    file.name = name;
    file.size = size;
    file.validLength = size;
    file.deleted = deleted;
    file.location = location;
    OutputFileSink sink(ctx, outputPath, name, size, saveMode);
    const volume::ExtractReport report =
        engine.extract(file, sink, {ClusterSourceOf(save.settings.savingMode)});
    if (report.end == volume::ExtractEnd::NoData) {
        NoteProblem(ctx.save, outputPath, report.why);
        return ExtractResult::Failed;
    }
    // An empty file, or one stopped before its first bytes, is still created.
    if (report.end != volume::ExtractEnd::SinkFailed && !sink.open()) {
        if (sink.state() == OutputFileSink::State::Refused)
            return ExtractResult::Failed;
        return writeError(ctx, sink.out(), outputPath);
    }
    switch (report.end) {
    case volume::ExtractEnd::SinkFailed:
        if (sink.state() == OutputFileSink::State::Refused)
            return ExtractResult::Failed;
        return writeError(ctx, sink.out(), outputPath);
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
        return writeError(ctx, sink.out(), outputPath);
    if (report.end == volume::ExtractEnd::Truncated) {
        NoteProblem(ctx.save, outputPath, report.why);
        return ExtractResult::Failed;
    }
    if (report.uncertain && saveMode)
        save.summary.uncertain += 1;
    if (report.unreadableBytes > 0 && saveMode) {
        // The read-failure notice stays as it is; the save tells which files have holes.
        NoteProblem(ctx.save, outputPath,
                    std::to_string(report.unreadableBytes) +
                        " bytes lie on sectors the medium could not read; saved as zeros");
        save.summary.withUnreadable += 1;
    }
    return ExtractResult::Written;
}

ExtractResult ExtractToFile(app::RecoveryContext& ctx, const std::string& outputPath,
                            const std::string& name, std::uint64_t size, std::uint64_t location,
                            bool saveMode, bool deleted) {
    const std::unique_ptr<volume::VolumeEngine> engine = app::EngineFor(ctx);
    if (!engine)
        return ExtractResult::Failed;
    return ExtractToFile(ctx, *engine, outputPath, name, size, location, saveMode, deleted);
}

} // namespace qr::output
