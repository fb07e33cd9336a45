#include "disk/DeviceFile.h"
#include "disk/UdisksBroker.h"
#include "support/TestSupport.h"

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qr::disk;
namespace fs = std::filesystem;

namespace {

// Hands over a copy of a descriptor prepared by the test, or refuses.
class FakeBroker final : public DeviceBroker {
public:
    explicit FakeBroker(int fd) : fd_(fd) {}
    BrokeredOpen openReadOnly(const std::string&) override {
        ++calls;
        if (fd_ < 0)
            return {-1, "Not authorized to perform operation"};
        return {::dup(fd_), {}};
    }
    int calls = 0;

private:
    int fd_;
};

// Runs `body` in a child process as the unprivileged user "nobody"; its exit code.
int asNobody(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

} // namespace

TEST(DeviceAccess, UdisksObjectPathsEscapeTheDeviceName) {
    EXPECT_EQ(UdisksObjectPath("/no/such/dev/sdb"), "/org/freedesktop/UDisks2/block_devices/sdb");
    EXPECT_EQ(UdisksObjectPath("/no/such/dev/dm-0"),
              "/org/freedesktop/UDisks2/block_devices/dm_2d0");
    EXPECT_EQ(UdisksObjectPath("/no/such/dev/mmcblk0"),
              "/org/freedesktop/UDisks2/block_devices/mmcblk0");
    const std::string text = DeviceAccessMessage("/dev/sdb", "");
    EXPECT_NE(text.find("/dev/sdb"), std::string::npos);
    EXPECT_NE(text.find("root"), std::string::npos);
    EXPECT_NE(text.find("\"disk\" group"), std::string::npos);
}

// A disk node the user may not open goes to the broker; what it hands over is read
// when it is read-only, refused otherwise; a refusal is told once per disk.
TEST(DeviceAccess, ADeniedDiskIsOpenedThroughTheBrokerOrToldOnce) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a device node and drop to another user";
    qr::test::TempDir dir;
    fs::permissions(dir.path(), fs::perms::all, fs::perm_options::add);
    const std::string node = (dir / "sdz").string();
    ASSERT_EQ(::mknod(node.c_str(), S_IFBLK | 0600, ::makedev(7, 0)), 0) << std::strerror(errno);
    const fs::path content = dir / "content";
    std::ofstream(content, std::ios::binary) << std::string(1024, 'Q');
    const int readOnly = ::open(content.c_str(), O_RDONLY | O_CLOEXEC);
    const int readWrite = ::open(content.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(readOnly, 0);
    ASSERT_GE(readWrite, 0);

    // Handed over read-only: read through it.
    EXPECT_EQ(asNobody([&] {
                  auto broker = std::make_shared<FakeBroker>(readOnly);
                  std::vector<std::string> told;
                  PosixDeviceOpener opener([&](const std::string& m) { told.push_back(m); },
                                           broker);
                  auto file = opener.open(node);
                  if (!file || broker->calls != 1 || !told.empty())
                      return 1;
                  char buf[16] = {};
                  if (file->readAt(100, buf, 16) != 16 || buf[0] != 'Q' || file->size() != 1024)
                      return 2;
                  return 0;
              }),
              0);
    // Refused, or handed over writable: nothing opened, one message naming the disk.
    for (int fd : {-1, readWrite}) {
        EXPECT_EQ(asNobody([&] {
                      auto broker = std::make_shared<FakeBroker>(fd);
                      std::vector<std::string> told;
                      PosixDeviceOpener opener([&](const std::string& m) { told.push_back(m); },
                                               broker);
                      if (opener.open(node) || opener.open(node))
                          return 1;
                      if (told.size() != 1 || told[0].find(node) == std::string::npos)
                          return 2;
                      // A missing node is not a permission problem: no broker, no message.
                      if (opener.open(node + "-missing") || broker->calls != 2 || told.size() != 1)
                          return 3;
                      return 0;
                  }),
                  0)
            << "broker fd " << fd;
    }
    ::close(readOnly);
    ::close(readWrite);
}
