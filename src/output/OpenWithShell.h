#pragma once
// Hands a recovered file to the desktop: xdg-open, and when no program is associated
// with its type, a chooser that lets the user pick one.
#include <string>
#include <vector>

namespace qr::output {

// Starts programs; tests record the calls instead.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Runs argv[0] (looked up on PATH) with the arguments and waits for it. Its exit
    // status, or -1 when it could not be started.
    virtual int run(const std::vector<std::string>& argv) = 0;
};

class PosixProcessLauncher final : public ProcessLauncher {
public:
    int run(const std::vector<std::string>& argv) override;
};

// Asks the user which program should open a file (the GUI's chooser). The empty text
// when the user chose none.
class ProgramChooser {
public:
    virtual ~ProgramChooser() = default;
    virtual std::string chooseProgram(const std::string& path) = 0;
};

enum class ShellOpen { Opened, OpenedWithChosenProgram, NotOpened };

// xdg-open's exit statuses 3 (no method) and 4 (no handler) mean no associated
// program: the chooser is asked and its program started with the path. Other
// failures are not reported to the user.
ShellOpen OpenWithShell(const std::string& path, ProcessLauncher& launcher,
                        ProgramChooser* chooser);

} // namespace qr::output
