// image: copies a whole disk into an image file, keeping a rescue map in GNU ddrescue's
// format so a run that stops (Ctrl-C, a signal, a medium that went away) resumes where
// it was. Good areas come first, failed ones are trimmed, scraped and retried after;
// what cannot be read stays zeros in the image.
#include "CliSession.h"
#include "PartitionSession.h"
#include "disk/DeviceFile.h"
#include "disk/SectorReader.h"
#include "rescue/ImageDestination.h"
#include "rescue/RescueMap.h"
#include "rescue/RescueMedium.h"
#include "rescue/RescueStatusText.h"
#include "rescue/Rescuer.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace qr::cli {
namespace {

namespace fs = std::filesystem;

std::string commandText(const CommandLine& line) {
    std::string text = "recovery-cli";
    for (const std::string& image : line.images)
        text += " --image " + image;
    text += " image";
    for (const std::string& arg : line.args)
        text += " " + arg;
    return text;
}

class StatusLine {
public:
    void draw(const rescue::RescueStatus& status) {
        std::lock_guard lock(mutex_);
        std::cerr << (terminal_ ? "\r" : "") << rescue::RescueStatusLine(status)
                  << (terminal_ ? "\033[K" : "\n") << std::flush;
        drawn_ = true;
    }
    void finish() {
        std::lock_guard lock(mutex_);
        if (drawn_ && terminal_)
            std::cerr << "\n";
    }

private:
    std::mutex mutex_;
    bool terminal_ = ::isatty(2) == 1;
    bool drawn_ = false;
};

int runImage(const CommandLine& line) {
    const auto to = option(line, "--to");
    const auto mapPath = option(line, "--map");
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", std::cerr, bad).value_or(0);
    const std::uint64_t retries = numberOption(line, "--retries", std::cerr, bad).value_or(0);
    if (bad)
        return kUsageExit;
    if (!to) {
        std::cerr << "recovery-cli: image needs --to FILE\n";
        return kUsageExit;
    }
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames) || retries > 1000) {
        std::cerr << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1
                  << " and --retries at most 1000\n";
        return kUsageExit;
    }

    auto session = openSession(line, std::cerr);
    if (!session)
        return 1;
    app::RecoveryContext& ctx = *session->context;
    ctx.selectedDiskNumber = static_cast<std::uint16_t>(disk);
    const std::string medium = ctx.reader->selectedDeviceName();
    auto opener = std::make_shared<disk::PosixDeviceOpener>(
        [](const std::string& message) { std::cerr << message << "\n"; });
    rescue::DeviceRescueInput input(opener, medium);
    const std::uint64_t size = input.openedSize();
    if (!input.opened() || size == 0) {
        std::cerr << "recovery-cli: disk " << disk << " (" << medium << ") cannot be read\n";
        return 1;
    }

    // The map first: a refused one leaves the image untouched.
    rescue::RescueMap map(size);
    std::error_code ec;
    const bool resuming = mapPath && fs::exists(*mapPath, ec);
    if (resuming) {
        std::ifstream in(*mapPath);
        rescue::MapRead read = rescue::ReadRescueMap(in, size);
        if (!read.map) {
            std::cerr << "recovery-cli: " << *mapPath << ":" << read.refusal.line << ": "
                      << read.refusal.why << "\n";
            return 1;
        }
        map = std::move(*read.map);
    }
    if (const std::string refusal =
            rescue::ImageDestinationRefusal(medium, *to, mapPath, size, resuming);
        !refusal.empty()) {
        std::cerr << "recovery-cli: " << refusal << "\n";
        return 1;
    }
    rescue::ImageFileOutput image;
    if (const std::string problem = image.open(*to, size, !resuming); !problem.empty()) {
        std::cerr << "recovery-cli: cannot write the image '" << *to << "': " << problem << "\n";
        return 1;
    }

    // Ctrl-C, a termination and the end of the copy all arrive as signals waited for here.
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const pthread_t self = pthread_self();

    rescue::RescueOptions options;
    options.retries = static_cast<int>(retries);
    options.reverse = hasFlag(line, "--reverse");
    StatusLine status;
    const std::string command = commandText(line);
    rescue::RescueHooks hooks;
    if (mapPath)
        hooks.saveMap = [&](const rescue::RescueMap& m) {
            return rescue::SaveRescueMap(*mapPath, m, command);
        };
    hooks.progress = [&](const rescue::RescueStatus& s) { status.draw(s); };
    rescue::Rescuer rescuer(input, image, map, options, hooks);
    std::atomic<bool> stop{false};
    rescue::RescueEnd end = rescue::RescueEnd::Finished;
    std::thread copy([&] {
        end = rescuer.run(stop);
        pthread_kill(self, SIGUSR1);
    });
    for (int received = 0; sigwait(&signals, &received) == 0 && received != SIGUSR1;)
        stop = true;
    copy.join();
    status.finish();

    for (const auto& [first, last] : rescuer.slowAreas())
        std::cerr << "the medium reads slowly around sector " << first / disk::kSectorBytes << "\n";
    if (end == rescue::RescueEnd::Finished)
        return map.bytesIn(rescue::BlockState::Rescued) == size ? 0 : 3;
    std::cerr << "recovery-cli: " << rescue::RescueEndText(end, map) << "\n";
    if (end == rescue::RescueEnd::Stopped)
        return 130;
    if (end == rescue::RescueEnd::MediumGone || end == rescue::RescueEnd::SizeChanged)
        return kMediumLostExit;
    return 1;
}

RegisterCommand reg{"image",
                    "[--disk N] --to FILE [--map MAPFILE] [--retries R] [--reverse]  copy the "
                    "whole disk into an image file, good areas first, keeping a rescue map "
                    "(GNU ddrescue's format) a second run resumes from",
                    {{{"--disk"}, {"--to"}, {"--map"}, {"--retries"}, {"--reverse", false}}},
                    runImage};

} // namespace
} // namespace qr::cli
