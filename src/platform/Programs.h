#pragma once
// Starting other programs: the companion programs installed beside this one (run
// with one empty argument and waited for), and documents or links handed to the
// desktop's opener.
#include <chrono>
#include <string>
#include <vector>

namespace qr::platform {

// Starts argv[0] (looked up on PATH when it has no slash) with the other arguments and
// waits for its end. Its exit code, or -1 when it could not be started or was killed.
int RunAndWait(const std::vector<std::string>& argv);

// How a run with a time limit ended.
struct BoundedRun {
    bool started = false;  // false: the program could not be started
    bool timedOut = false; // still running at the limit: it was killed
    int exitCode = -1;     // its exit code when it ended by itself, else -1
};

// Starts `argv[0]` (a full path) and waits at most `limit` for its end; a program still
// running then is killed, so the caller never hangs on it.
BoundedRun RunAndWaitAtMost(const std::vector<std::string>& argv, std::chrono::milliseconds limit);

// Folder of the running program (from /proc/self/exe); empty when unknown. Programs
// built here lie together as installed, so this is where the companion programs are.
std::string ProgramFolder();

class ProgramRunner {
public:
    virtual ~ProgramRunner() = default;
    // Runs `program` (a full path) with one empty argument and waits for its end.
    // Returns its exit code, or -1 when it could not be started or did not exit.
    virtual int runAndWait(const std::string& program) = 0;
    // Runs `program` as runAndWait does but stops it once it has run for `limit`. A
    // runner that cannot stop its programs runs it to its end.
    virtual BoundedRun runAndWaitAtMost(const std::string& program,
                                        std::chrono::milliseconds limit);
};

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    // Opens a file, folder or address with the desktop's default application, without
    // waiting for it. False when the opener could not be started or found no program.
    virtual bool open(const std::string& target) = 0;
};

class PosixProgramRunner final : public ProgramRunner {
public:
    int runAndWait(const std::string& program) override;
    BoundedRun runAndWaitAtMost(const std::string& program,
                                std::chrono::milliseconds limit) override;
};

// Hands the target to xdg-open.
class XdgShellOpener final : public ShellOpener {
public:
    bool open(const std::string& target) override;
};

} // namespace qr::platform
