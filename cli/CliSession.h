#pragma once
// A recovery context for one command-line run: the disk images named by --image and
// the attached disks, listed through the detection program; messages go to stderr.
#include "Command.h"
#include "app/RecoveryContext.h"
#include "platform/FileRegistryStore.h"

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace qr::cli {

class StderrMessages final : public platform::UserMessages {
public:
    platform::MessageAnswer ask(const std::string& text, const std::string& caption,
                                platform::MessageIcon icon,
                                platform::MessageButtons buttons) override;
};

// Folder holding Quarrixdale-HDD: $QUARRIXDALE_INSTALL_DIR, else this program's own
// folder when the detector lies there, else the installed "InstallationPath".
inline constexpr const char* kInstallDirVariable = "QUARRIXDALE_INSTALL_DIR";

struct CliSession {
    CliSession() = default;
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    StderrMessages messages;
    std::unique_ptr<platform::FileRegistryStore> registry;
    std::unique_ptr<app::RecoveryContext> context;
    // The run's own copy of the registry store (removed with the session), unless
    // $QUARRIXDALE_REGISTRY names a store to share: parallel runs never see each
    // other's disk lists.
    std::filesystem::path privateStore;
};

// Builds the session and lists the disks (image i becomes disk i, attached disks
// follow). Prints a clear error and returns nullptr when a named image is missing or
// unreadable, or when the disks cannot be listed.
std::unique_ptr<CliSession> openSession(const CommandLine& line, std::ostream& err);

// The value of an option the command line gave (after ParseArguments), and whether it
// was given at all.
std::optional<std::string> option(const CommandLine& line, const std::string& name);
bool hasFlag(const CommandLine& line, const std::string& name);

} // namespace qr::cli
