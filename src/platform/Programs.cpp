#include "platform/Programs.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace qr::platform {

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
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return run;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            run.timedOut = true;
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
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
    // A shell starts xdg-open in the background and exits at once: the call does not
    // wait for the application, and the opener never stays a zombie of this process.
    return RunAndWait({"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh",
                       target}) == 0;
}

} // namespace qr::platform
