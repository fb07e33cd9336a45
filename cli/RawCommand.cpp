// raw: the content search over a disk or a sector range of it for the kinds of the formats
// table (Word, Excel, PowerPoint and Zip files, pictures, videos, sounds, PDF and Office Open
// and OpenDocument files), each file found written into --to DIR. Ctrl-C stops the search; the
// files written so far stay, the one being written is removed.
#include "CliSession.h"
#include "PartitionSession.h"
#include "disk/SectorReader.h"
#include "output/CarvedFileFolder.h"
#include "output/DestinationSafety.h"
#include "raw/RawRange.h"
#include "raw/RawSearchWorker.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <sstream>
#include <unistd.h>

namespace qr::cli {
namespace {

using Clock = std::chrono::steady_clock;

// One progress line on stderr, rewritten at most five times a second.
class RawProgressLine final : public volume::SearchProgress {
public:
    void phase(volume::SearchPhase) override {}
    void position(std::uint64_t position, std::uint64_t total) override {
        std::lock_guard lock(mutex_);
        position_ = position;
        total_ = total;
        draw(position >= total);
    }
    void counter(volume::SearchCounter counter, std::uint64_t value) override {
        std::lock_guard lock(mutex_);
        if (counter == volume::SearchCounter::Files)
            files_ = value;
    }
    void end() {
        std::lock_guard lock(mutex_);
        // Files are counted once they are durable, which may be after the last position.
        if (shown_ && files_ != drawnFiles_)
            draw(true);
        if (shown_ && tty_)
            std::cerr << "\n";
    }

private:
    void draw(bool force) {
        const auto now = Clock::now();
        if (!force && now - last_ < std::chrono::milliseconds(200))
            return;
        last_ = now;
        const std::uint64_t percent = total_ ? position_ * 100 / total_ : 100;
        std::cerr << (tty_ ? "\r" : "") << percent << " % Completed  Sector " << position_ << " / "
                  << total_ << "  files " << files_ << (tty_ ? "\033[K" : "\n") << std::flush;
        shown_ = true;
        drawnFiles_ = files_;
    }

    std::mutex mutex_;
    bool tty_ = ::isatty(2) == 1;
    bool shown_ = false;
    Clock::time_point last_{};
    std::uint64_t position_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t files_ = 0;
    std::uint64_t drawnFiles_ = 0;
};

class PrintFiles final : public raw::RawSearchEvents {
public:
    void fileWritten(const raw::CarvedFile& file, const raw::RawCounts&) override {
        std::cout << file.name << '\t' << raw::InfoOf(file.kind).option << '\t' << file.startSector
                  << '\t' << file.bytes << '\n'
                  << std::flush;
    }
    void fileFailed(const raw::CarvedFile& file, raw::CarveResult why) override {
        std::cerr << "\nrecovery-cli: " << file.name
                  << (why == raw::CarveResult::CannotCreate ? " could not be created\n"
                                                            : " could not be written whole\n");
    }
};

// "jpg,png,doc": the ticked kinds ("all": every row of the formats table); false on an
// unknown name.
bool parseKinds(const std::string& text, raw::RawKindSet& kinds) {
    kinds = {};
    std::stringstream list(text);
    std::string one;
    while (std::getline(list, one, ',')) {
        if (one.empty())
            continue;
        if (one == "all") {
            kinds.fill(true);
            continue;
        }
        bool known = false;
        for (std::size_t k = 0; k < raw::kRawKinds; ++k)
            if (raw::RawKindTable[k].option == one) {
                kinds[k] = true;
                known = true;
            }
        if (!known) {
            std::cerr << "recovery-cli: --types takes " << raw::KindOptionList(true)
                      << " (searched for without --types), " << raw::KindOptionList(false)
                      << ", or all, not '" << one << "'\n";
            return false;
        }
    }
    return true;
}

int runRaw(const CommandLine& line) {
    const auto to = option(line, "--to");
    if (!to || to->empty()) {
        std::cerr << "recovery-cli: raw needs --to DIR\n";
        return 2;
    }
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", std::cerr, bad).value_or(0);
    if (bad)
        return 2;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        std::cerr << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return 2;
    }
    // The classic kinds unless --types names others.
    raw::RawKindSet kinds{};
    for (std::size_t k = 0; k < raw::kRawKinds; ++k)
        kinds[k] = raw::RawKindTable[k].classic;
    if (const auto types = option(line, "--types"); types && !parseKinds(*types, kinds))
        return 2;
    if (const std::string_view refusal = raw::CheckRawKinds(kinds); !refusal.empty()) {
        std::cerr << refusal << "\n";
        return 2;
    }

    auto session = openSession(line, std::cerr);
    if (!session)
        return 1;
    app::RecoveryContext& ctx = *session->context;
    ctx.selectedDiskNumber = static_cast<std::uint16_t>(disk);
    ctx.searchMode = app::kSearchRaw;
    disk::SectorSource& source = *ctx.reader;
    const std::uint64_t diskSectors = source.sectorCount();
    if (diskSectors == 0) {
        std::cerr << "recovery-cli: disk " << disk << " (" << ctx.reader->selectedDeviceName()
                  << ") cannot be read\n";
        return 1;
    }

    // The range: the whole disk, or [--start, --end) checked as the range fields are.
    const auto startText = option(line, "--start");
    const auto endText = option(line, "--end");
    const raw::RawRangeCheck range =
        raw::CheckRawRange(!startText && !endText, startText.value_or("0"),
                           endText.value_or(std::to_string(diskSectors)), diskSectors);
    if (!range.message.empty()) {
        std::cerr << range.message << "\n";
        return 2;
    }
    raw::RawSearchOptions options;
    options.kinds = kinds;
    if (const auto names = option(line, "--names")) {
        if (*names != "metadata" && *names != "numbers") {
            std::cerr << "recovery-cli: --names takes metadata or numbers, not '" << *names
                      << "'\n";
            return 2;
        }
        options.naming.metadata = *names == "metadata";
    }
    options.naming.byKind = hasFlag(line, "--sort-by-kind");
    options.first = range.first;
    options.end = range.end;

    const std::string refusal = output::DestinationRefusal(ctx.reader->selectedDeviceName(), *to);
    if (!refusal.empty()) {
        std::cerr << "recovery-cli: " << refusal << "\n";
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(*to, ec);
    if (!std::filesystem::is_directory(*to, ec)) {
        std::cerr << raw::message::kCannotCreateDirectory << "\n";
        return 1;
    }

    // Ctrl-C and the end of the search both arrive as signals waited for here.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const pthread_t self = pthread_self();

    output::CarvedFileFolder folder(*to);
    PrintFiles events;
    RawProgressLine progress;
    raw::RawSearchWorker worker;
    worker.start(source, options, folder, events, progress,
                 [self](const raw::RawSearchResult&) { pthread_kill(self, SIGUSR1); });
    int received = 0;
    while (sigwait(&signals, &received) == 0 && received != SIGUSR1) {
        if (received == SIGINT || received == SIGTERM) {
            worker.stop();
            break;
        }
    }
    worker.join();
    progress.end();

    const raw::RawSearchResult& result = worker.result();
    for (std::size_t k = 0; k < raw::kRawKinds; ++k)
        if (kinds[k])
            std::cout << raw::RawKindTable[k].countLine << result.counts[k] << '\n';
    if (result.reassembled > 0)
        std::cout << "Reassembled from fragments :  " << result.reassembled << '\n';
    if (result.end == raw::RawSearchEnd::MediumLost) {
        std::cerr << "recovery-cli: the medium stopped answering\n";
        return 1;
    }
    if (result.end == raw::RawSearchEnd::Stopped) {
        std::cerr << "recovery-cli: stopped\n";
        return 130;
    }
    return 0;
}

RegisterCommand reg{"raw",
                    "[--disk N] --to DIR [--types jpg,png,raw,mp4,avi,doc,xls,ppt,zip|all|...] "
                    "[--start S --end E] [--names metadata] [--sort-by-kind]  search the disk (or "
                    "sectors S to E-1) for photos, "
                    "videos, Word, Excel, PowerPoint and Zip files by their content (those nine "
                    "kinds unless --types names others; `all` is every kind: HEIC, CR3, RAF, "
                    "RW2, ORF, GIF, BMP, WebP, PDF, MP3, WAV, M4A, MKV, DOCX, XLSX, PPTX, ODT, "
                    "ODS, ODP too) and write each one found into DIR; --names metadata names "
                    "photos by the moment they were taken and documents by their title, "
                    "--sort-by-kind puts each kind into a folder of its own",
                    {{{"--disk"},
                      {"--to"},
                      {"--types"},
                      {"--start"},
                      {"--end"},
                      {"--names"},
                      {"--sort-by-kind", false}}},
                    runRaw};

} // namespace
} // namespace qr::cli
