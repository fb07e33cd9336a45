#include "platform/Programs.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace qr::platform {

namespace {

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int PosixProgramRunner::runAndWait(const std::string& program) {
    std::string name = program;
    std::string empty;
    char* argv[] = {name.data(), empty.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return -1;
    return waitFor(pid);
}

bool XdgShellOpener::open(const std::string& target) {
    // A shell starts xdg-open in the background and exits at once: the call does not
    // wait for the application, and the opener never stays a zombie of this process.
    std::string shell = "/bin/sh", dashC = "-c", self = "sh", arg = target;
    std::string script = "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
    char* argv[] = {shell.data(), dashC.data(), script.data(), self.data(), arg.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, shell.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    return waitFor(pid) == 0;
}

} // namespace qr::platform
