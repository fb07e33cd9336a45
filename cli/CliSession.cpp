#include "CliSession.h"

#include "app/DiskCommands.h"
#include "disk/DeviceFile.h"
#include "disk/DiskDetails.h"
#include "disk/DiskListing.h"
#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "rescue/ImageMapFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::cli {

namespace {

namespace fs = std::filesystem;

bool holdsDetector(const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(disk::DetectorPath(folder.string()), ec);
}

std::string installationFolder(platform::RegistryStore& registry) {
    if (const char* dir = std::getenv(kInstallDirVariable); dir && *dir)
        return dir;
    if (const std::string own = platform::ProgramFolder(); holdsDetector(own))
        return own;
    return platform::ReadRegistryString(registry, platform::RegistryRoot::ClassesRoot,
                                        "Quarrixdale-Memory Card", "InstallationPath");
}

// The files of the private store that a run killed by a signal removes. Fixed buffers
// written before the handlers are installed: the handler may only call unlink.
struct DoomedFiles {
    static constexpr std::size_t kMax = 4096;
    char store[kMax] = {};
    char lock[kMax] = {};
    char temp[kMax] = {};
};
DoomedFiles doomed;

void copyPath(char (&to)[DoomedFiles::kMax], const std::string& from) {
    if (from.size() < DoomedFiles::kMax)
        std::memcpy(to, from.c_str(), from.size() + 1);
}

extern "C" void removePrivateStoreAndDie(int signal) {
    for (const char* file : {doomed.store, doomed.lock, doomed.temp})
        if (*file)
            ::unlink(file);
    ::signal(signal, SIG_DFL);
    ::raise(signal); // ends the run with the signal's own status
}

// Interrupt, termination and hang-up remove the private store before the run ends.
void removeOnSignals(const fs::path& store) {
    copyPath(doomed.store, store.string());
    copyPath(doomed.lock, store.string() + ".lock");
    // The store is replaced through a temporary file named after the process.
    copyPath(doomed.temp, store.string() + ".tmp." + std::to_string(::getpid()));
    struct sigaction action {};
    action.sa_handler = removePrivateStoreAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the caller ignores (nohup, a background job) stays ignored.
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

// A private store seeded with the shared one, so installed values stay visible.
fs::path makePrivateStore() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "recovery-cli-XXXXXX").string();
    // Signals wait until the handlers know the name, so no run leaves its store behind.
    sigset_t ending, before;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, signal);
    ::pthread_sigmask(SIG_BLOCK, &ending, &before);
    int fd = ::mkstemp(pattern.data());
    if (fd >= 0)
        removeOnSignals(pattern);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd < 0)
        return {};
    ::close(fd);
    const fs::path shared = platform::defaultRegistryPath();
    if (fs::exists(shared, ec))
        fs::copy_file(shared, pattern, fs::copy_options::overwrite_existing, ec);
    return pattern;
}

// The sectors a rescue map did not rescue read as unreadable on its image. A map that
// cannot be read, or is not of the image's size, is refused with its line.
bool applyImageMaps(const CommandLine& line, const std::vector<std::string>& images,
                    disk::SectorReader& reader, std::ostream& err) {
    for (const auto& [index, mapPath] : line.imageMaps)
        if (const std::string refusal = rescue::ApplyImageMap(reader, images[index], mapPath);
            !refusal.empty()) {
            err << "recovery-cli: " << refusal << "\n";
            return false;
        }
    return true;
}

} // namespace

platform::MessageAnswer StderrMessages::ask(const std::string& text, const std::string&,
                                            platform::MessageIcon,
                                            platform::MessageButtons buttons) {
    std::cerr << text << "\n";
    switch (buttons) {
    case platform::MessageButtons::YesNo:
    case platform::MessageButtons::YesNoCancel:
        return platform::MessageAnswer::No;
    case platform::MessageButtons::OkCancel:
    case platform::MessageButtons::RetryCancel:
        return platform::MessageAnswer::Cancel;
    case platform::MessageButtons::Ok:
        break;
    }
    return platform::MessageAnswer::Ok;
}

CliSession::~CliSession() {
    context.reset();
    if (!privateStore.empty()) {
        std::error_code ec;
        fs::remove(privateStore, ec);
        fs::remove(privateStore.string() + ".lock", ec);
        doomed.store[0] = doomed.lock[0] = doomed.temp[0] = '\0';
    }
}

std::unique_ptr<CliSession> openSession(const CommandLine& line, std::ostream& err) {
    std::vector<std::string> images;
    for (const auto& image : line.images) {
        if (std::string problem = disk::MediumProblem(image); !problem.empty()) {
            err << "recovery-cli: cannot read image '" << image << "': " << problem << "\n";
            return nullptr;
        }
        images.push_back(fs::absolute(image).lexically_normal().string());
    }

    auto session = std::make_unique<CliSession>();
    const char* shared = std::getenv(platform::kRegistryPathVariable);
    if (!shared || !*shared) {
        session->privateStore = makePrivateStore();
        if (session->privateStore.empty()) {
            err << "recovery-cli: cannot create a temporary registry store\n";
            return nullptr;
        }
        // The detection program finds the same store through the environment, and
        // learns that it is a scratch copy that needs no flushing to the disk.
        ::setenv(platform::kRegistryPathVariable, session->privateStore.c_str(), 1);
        ::setenv(platform::kScratchRegistryVariable, session->privateStore.c_str(), 1);
    } else {
        ::unsetenv(platform::kScratchRegistryVariable); // a shared store stays durable
    }
    session->registry = std::make_unique<platform::FileRegistryStore>();

    app::Services services;
    services.messages = &session->messages;
    services.registry = session->registry.get();
    session->context = std::make_unique<app::RecoveryContext>(services);
    app::RecoveryContext& ctx = *session->context;
    ctx.installationPath = installationFolder(*session->registry);
    ctx.reader->setSlowAreaHook([](std::uint64_t sector) {
        std::cerr << "the medium reads slowly around sector " << sector << "\n";
    });

    disk::RegisterDiskImages(*session->registry, images);
    switch (app::ListDisks(ctx)) {
    case disk::ListingResult::Listed:
        break;
    case disk::ListingResult::DetectorMissing:
        err << "recovery-cli: " << disk::kDetectorProgram << " not found in '"
            << ctx.installationPath << "' (set " << kInstallDirVariable << ")\n";
        return nullptr;
    case disk::ListingResult::Ended:
        return nullptr; // its message has been printed
    case disk::ListingResult::EndProcess:
        err << "recovery-cli: cannot write the registry store " << session->registry->file()
            << "\n";
        return nullptr;
    }
    if (!applyImageMaps(line, images, *ctx.reader, err))
        return nullptr;
    // Each image must have become the disk of its position.
    for (unsigned i = 0; i < images.size(); ++i) {
        // On 'F' disks are read by unit, and the library serves the images first.
        const bool listed = ctx.platform == app::PlatformFamily::Win95
                                ? app::DiskIsListed(ctx, i)
                                : ctx.reader->paths().name(i) == images[i];
        if (i >= disk::kDeviceNames || !listed) {
            err << "recovery-cli: image '" << line.images[i] << "' was not listed as Disk" << i
                << "\n";
            return nullptr;
        }
    }
    return session;
}

std::optional<std::string> option(const CommandLine& line, const std::string& name) {
    const auto it = line.values.find(name);
    return it == line.values.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool hasFlag(const CommandLine& line, const std::string& name) {
    return line.values.count(name) > 0;
}

} // namespace qr::cli
