#include "platform/Programs.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qr::platform {

namespace {

void closeIfOpen(int fd) {
    if (fd >= 0)
        ::close(fd);
}

// Waits at most `left` for the child behind `exitSignal` (its process descriptor) to
// end; without a descriptor (an old kernel), a short sleep.
void waitForExit(int exitSignal, std::chrono::steady_clock::duration left) {
    using namespace std::chrono;
    if (exitSignal < 0) {
        std::this_thread::sleep_for(std::min<steady_clock::duration>(left, milliseconds(2)));
        return;
    }
    // Rounded up so a wait never ends just short of the deadline; at most a second at a
    // time, so a signal or a late deadline is seen again soon.
    const auto ms = std::min<std::int64_t>(1000, ceil<milliseconds>(left).count());
    pollfd fd{exitSignal, POLLIN, 0};
    ::poll(&fd, 1, static_cast<int>(ms));
}

} // namespace

int RunAndWait(const std::vector<std::string>& argv) {
    if (argv.empty())
        return -1;
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& a : copies)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

BoundedRun RunAndWaitAtMost(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    BoundedRun run;
    if (argv.empty())
        return run;
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& a : copies)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return run;
    run.started = true;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // A descriptor that turns readable when the child ends lets the wait end at once
    // rather than at the next tick of a polling loop (every program run at start-up
    // would otherwise wait a tick).
    const int exitSignal = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            closeIfOpen(exitSignal);
            return run;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            closeIfOpen(exitSignal);
            run.timedOut = true;
            return run;
        }
        waitForExit(exitSignal, deadline - now);
    }
    closeIfOpen(exitSignal);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string ProgramFolder() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

int PosixProgramRunner::runAndWait(const std::string& program) {
    // A full path, so posix_spawnp does not search PATH; the one argument is empty.
    return RunAndWait({program, ""});
}

BoundedRun PosixProgramRunner::runAndWaitAtMost(const std::string& program,
                                                std::chrono::milliseconds limit) {
    return RunAndWaitAtMost({program, ""}, limit);
}

BoundedRun ProgramRunner::runAndWaitAtMost(const std::string& program,
                                           std::chrono::milliseconds /*limit*/) {
    BoundedRun run;
    run.exitCode = runAndWait(program);
    run.started = run.exitCode != -1;
    return run;
}

bool XdgShellOpener::open(const std::string& target) {
    // A shell starts xdg-open in the background and watches it for half a second: one that
    // ends at once with a failure (3: no method, 4: no program for the target, 127: no
    // xdg-open) is told; one still running has handed the target to its program. The
    // call never waits for the application, and the opener never stays a zombie of
    // this process (the shell is its parent).
    static const char* const kWatch = "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
                                      "xdg-open \"$1\" >/dev/null 2>&1 </dev/null & p=$!\n"
                                      "i=0\n"
                                      "while [ $i -lt 5 ]; do\n"
                                      "  if ! kill -0 $p 2>/dev/null; then wait $p; exit $?; fi\n"
                                      "  sleep 0.1; i=$((i+1))\n"
                                      "done\n"
                                      "exit 0\n";
    return RunAndWait({"/bin/sh", "-c", kWatch, "sh", target}) == 0;
}

} // namespace qr::platform
