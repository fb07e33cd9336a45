#include "platform/Programs.h"
#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

using namespace qr;

namespace {

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p);
    return {std::istreambuf_iterator<char>(in), {}};
}

void script(const std::filesystem::path& p, const std::string& body) {
    std::ofstream(p) << "#!/bin/sh\n" << body;
    std::filesystem::permissions(p, std::filesystem::perms::owner_all);
}

} // namespace

TEST(ProgramRunner, StartsWithOneEmptyArgumentAndWaitsForTheEnd) {
    test::TempDir dir;
    const auto program = dir / "Quarrixdale-HDD";
    const auto log = dir / "log";
    // Records its argument count and first argument, and takes a moment to finish.
    script(program, "sleep 0.2\nprintf '%s|%s|%s' \"$#\" \"$1\" \"$0\" >" +
                        test::shellQuote(log.string()) + "\nexit 7\n");
    platform::PosixProgramRunner runner;
    EXPECT_EQ(runner.runAndWait(program.string()), 7);
    EXPECT_EQ(slurp(log), "1||" + program.string()) << "finished before the call returned";
    EXPECT_EQ(runner.runAndWait((dir / "missing").string()), -1);
}

TEST(ShellOpener, HandsTheTargetToXdgOpenWithoutWaiting) {
    test::TempDir dir;
    const auto log = dir / "opened";
    script(dir / "xdg-open",
           "sleep 1\nprintf '%s' \"$1\" >" + test::shellQuote(log.string()) + "\n");
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir.path().string() + ":" + oldPath).c_str(), 1);
    platform::XdgShellOpener opener;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(opener.open("/tmp/a file with blanks.doc"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
    ::setenv("PATH", oldPath.c_str(), 1);
    for (int i = 0; i < 50 && slurp(log).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(slurp(log), "/tmp/a file with blanks.doc");
}
