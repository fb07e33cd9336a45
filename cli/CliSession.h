#pragma once
// A recovery context for one command-line run: the disks named by --image (and, once
// listed, the attached block devices), messages printed to stderr.
#include "Command.h"
#include "app/RecoveryContext.h"

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

struct CliSession {
    StderrMessages messages;
    std::unique_ptr<app::RecoveryContext> context;
};

// Builds the session; prints a clear error and returns nullptr when a named image is
// missing or unreadable.
std::unique_ptr<CliSession> openSession(const CommandLine& line, std::ostream& err);

// "--name value" lookup in the command's arguments.
std::optional<std::string> option(const CommandLine& line, const std::string& name);
bool hasFlag(const CommandLine& line, const std::string& name);

} // namespace qr::cli
