// What a recovery-cli run leaves behind and costs: its private registry copy goes even
// when the run is killed, and the copy is written without waiting for the disk.
#include "support/TestSupport.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

struct CliRun : ::testing::Test {
    TempDir dir;
    fs::path tmp = dir / "tmp", install = dir / "install";
    std::string image = (dir / "card.img").string();

    CliRun() {
        fs::create_directories(tmp);
        fs::create_directories(install);
        fs::create_directories(dir / "sys");
        runOrFail("truncate -s 1M " + shellQuote(image));
    }
    std::vector<std::string> environment() const {
        return {"TMPDIR=" + tmp.string(), "HOME=" + dir.path().string(),
                "XDG_CONFIG_HOME=", "QUARRIXDALE_SYSFS_BLOCK=" + (dir / "sys").string(),
                "PATH=/usr/bin:/bin:/usr/sbin:/sbin"};
    }
    // A detector that marks its start and then takes its time, holding the run in the
    // middle of listing the disks.
    void slowDetector() {
        const fs::path detector = install / "Quarrixdale-HDD";
        std::ofstream(detector) << "#!/bin/sh\n: > \"$0.started\"\nexec sleep 3\n";
        fs::permissions(detector, fs::perms::owner_all);
    }
    bool listingStarted() const { return fs::exists(install / "Quarrixdale-HDD.started"); }
};

TEST_F(CliRun, KilledRunRemovesItsPrivateRegistryCopy) {
    slowDetector();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        fs::remove(install / "Quarrixdale-HDD.started");
        std::vector<std::string> env = environment();
        env.push_back("QUARRIXDALE_INSTALL_DIR=" + install.string());
        std::vector<std::string> args = {RECOVERY_CLI, "--image", image, "disks"};
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, RECOVERY_CLI, nullptr, nullptr, argv.data(), envp.data()), 0);
        for (int i = 0; i < 200 && !listingStarted(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        EXPECT_TRUE(listingStarted()) << "the detector did not start";
        EXPECT_FALSE(fs::is_empty(tmp)) << "the run has its registry copy";
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "ended by signal " << signal << ", status " << status;
        std::string left;
        for (const auto& entry : fs::directory_iterator(tmp))
            left += entry.path().filename().string() + " ";
        EXPECT_EQ(left, "") << "signal " << signal;
    }
}

TEST_F(CliRun, PrivateRegistryCopyIsNotSyncedButTheUsersStoreIs) {
    if (!haveTools({"strace"}))
        GTEST_SKIP() << "strace missing";
    const auto syncs = [&](const std::string& extra) {
        std::string env;
        for (const std::string& e : environment())
            env += shellQuote(e) + " ";
        const fs::path trace = dir / "trace";
        const CommandResult r =
            // LeakSanitizer cannot run under a tracer: leak checks are off for this run.
            run("env " + env + "ASAN_OPTIONS=detect_leaks=0 " + extra +
                " strace -f -qq -e trace=fsync,fdatasync,syncfs -o " + shellQuote(trace.string()) +
                " " + shellQuote(RECOVERY_CLI) + " --image " + shellQuote(image) + " disks 2>&1");
        EXPECT_EQ(r.exitCode, 0) << r.output;
        std::ifstream in(trace);
        int count = 0;
        for (std::string line; std::getline(in, line);)
            count += line.find("sync") != std::string::npos;
        return count;
    };
    EXPECT_EQ(syncs(""), 0) << "the run's own copy is thrown away; it needs no fsync";
    // A store the user names is written durably.
    EXPECT_GT(syncs("QUARRIXDALE_REGISTRY=" + shellQuote((dir / "registry").string())), 0);
}

} // namespace
} // namespace qr::test
