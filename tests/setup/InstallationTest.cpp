#include "setup/Installation.h"
#include "platform/FileRegistryStore.h"
#include "setup/FileCopy.h"
#include "setup/InstallManifest.h"
#include "setup/InstallerFiles.h"
#include "setup/SystemFolders.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace qr::setup;
using qr::platform::RegistryRoot;
using qr::test::TempDir;
namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

// A folder holding the files to install (contents "file i"), an empty base folder, menu
// and desktop folders, and a registry store file.
struct InstallBench {
    TempDir dir;
    fs::path source = dir / "source";
    fs::path base = dir / "base";
    fs::path programs = dir / "applications";
    fs::path desktop = dir / "Desktop";
    fs::path registryFile = dir / "registry";
    qr::platform::FileRegistryStore registry{registryFile};
    qr::test::ScriptedMessages messages;

    InstallBench() {
        fs::create_directories(source);
        fs::create_directories(base);
        fs::create_directories(programs);
        for (std::size_t i = 0; i < kFileCount; ++i)
            writeFile(source / kInstalledFiles[i], "file " + std::to_string(i));
    }
    InstallResult install() {
        InstallRequest request;
        request.sourceFolder = source;
        request.basePath = base;
        request.programsFolder = programs;
        request.desktopFolder = desktop;
        request.registry = &registry;
        request.registryFile = registryFile;
        request.messages = &messages;
        return Install(request);
    }
    fs::path destination() const { return base / kProductFolder / kEditionFolder; }
};

} // namespace

TEST(SetupFolders, DestinationJoinsOnceAndHandlesRootAndProductFolder) {
    EXPECT_EQ(DestinationFolder("/opt"), "/opt/QuarrixdaleRecovery (Evaluation)/Memory Card");
    EXPECT_EQ(DestinationFolder("/"), "/QuarrixdaleRecovery (Evaluation)/Memory Card");
    EXPECT_EQ(DestinationFolder("/home/u/"),
              "/home/u/QuarrixdaleRecovery (Evaluation)/Memory Card");
    // A base that already names the product folder gets no second one.
    EXPECT_EQ(DestinationFolder("/opt/QuarrixdaleRecovery (Evaluation)"),
              "/opt/QuarrixdaleRecovery (Evaluation)/Memory Card");
    EXPECT_EQ(GroupFolder("/a"), "/a/Quarrixdale Recovery (Evaluation)/Memory Card");
    EXPECT_EQ(DesktopFromUserDirs("# c\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", "/home/u"),
              "/home/u/Bureau");
    EXPECT_EQ(DesktopFromUserDirs("XDG_DESKTOP_DIR=\"relative\"\n", "/home/u"), "");
    EXPECT_EQ(MegabytesText(3 * 1048576 + 1048575), "3 MB");
    EXPECT_EQ(NearestExistingFolder("/proc/no/such/folder"), "/proc");

    TempDir dir;
    fs::create_directories(dir / "own");
    writeFile(dir / "own" / kProgramName, "p");
    EXPECT_EQ(SourceFolder((dir / "elsewhere").string(), (dir / "own").string()),
              (dir / "own").string());
    EXPECT_EQ(SourceFolder((dir / "own").string(), "/usr/bin"), (dir / "own").string());
    EXPECT_EQ(SourceFolder((dir / "elsewhere").string(), "/usr/bin"), (dir / "elsewhere").string());
}

TEST(SetupFolders, RemovableAndOpticalDrivesAreToldFromSysfs) {
    TempDir dir;
    struct stat st {};
    ASSERT_EQ(::stat(dir.path().c_str(), &st), 0);
    const std::string id =
        std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    // A fake sysfs: dev/block/M:m -> the partition below its disk.
    const fs::path sys = dir / "sys";
    const fs::path disk = sys / "devices" / "sdz";
    fs::create_directories(disk / "sdz1");
    fs::create_directories(disk / "device");
    writeFile(disk / "sdz1" / "partition", "1");
    fs::create_directories(sys / "dev" / "block");
    fs::create_symlink(disk / "sdz1", sys / "dev" / "block" / id);
    const std::string folder = (dir / "not" / "yet" / "made").string();

    writeFile(disk / "removable", "0\n");
    writeFile(disk / "device" / "type", "0\n");
    EXPECT_FALSE(OnRemovableOrOpticalDrive(folder, sys));
    writeFile(disk / "removable", "1\n");
    EXPECT_TRUE(OnRemovableOrOpticalDrive(folder, sys));
    writeFile(disk / "removable", "0\n");
    writeFile(disk / "device" / "type", "5\n");
    EXPECT_TRUE(OnRemovableOrOpticalDrive(folder, sys));
    // No block device behind the folder (tmpfs, overlay): a fixed place.
    EXPECT_FALSE(OnRemovableOrOpticalDrive(folder, (dir / "nothing").string()));
}

TEST(SetupCopy, OverwritesKeepingModeAndNeverHalfWrites) {
    TempDir dir;
    writeFile(dir / "src", "new contents");
    ::chmod((dir / "src").c_str(), 0755);
    writeFile(dir / "target", "old");
    ::chmod((dir / "target").c_str(), 0444);
    ASSERT_TRUE(CopyOver(dir / "src", dir / "target"));
    EXPECT_EQ(readFile(dir / "target"), "new contents");
    EXPECT_EQ(modeOf(dir / "target"), 0444u) << "a read-only target stays read-only";
    ASSERT_TRUE(CopyOver(dir / "src", dir / "fresh"));
    EXPECT_EQ(modeOf(dir / "fresh"), 0755u) << "a new copy keeps the source's mode";

    // A missing source or a folder in the target's place: false, target untouched.
    EXPECT_FALSE(CopyOver(dir / "missing", dir / "target"));
    EXPECT_EQ(readFile(dir / "target"), "new contents");
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(CopyOver(dir / "src", dir / "folder"));
    std::size_t entries = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 4u) << "no temporary file is left behind";

    // A target that is running (its file cannot be written while it runs) is replaced.
    fs::copy_file("/bin/sleep", dir / "running");
    const std::string running = (dir / "running").string();
    qr::test::run(qr::test::shellQuote(running) + " 5 >/dev/null 2>&1 & echo $! > " +
                  qr::test::shellQuote((dir / "pid").string()));
    EXPECT_TRUE(CopyOver(dir / "src", dir / "running"));
    EXPECT_EQ(readFile(dir / "running"), "new contents");
    qr::test::run("kill $(cat " + qr::test::shellQuote((dir / "pid").string()) + ")");
    fs::remove(dir / "running");
    fs::remove(dir / "pid");

    writeFile(dir / "same1", "abcdef");
    writeFile(dir / "same2", "abcdef");
    writeFile(dir / "other", "abcdeg");
    EXPECT_TRUE(SameContents(dir / "same1", dir / "same2"));
    EXPECT_FALSE(SameContents(dir / "same1", dir / "other"));
    EXPECT_FALSE(SameContents(dir / "same1", dir / "missing"));
}

TEST(SetupInstall, CopiesRecordsAndRemovesOnlySourcesThatWereCopied) {
    InstallBench bench;
    // The help file is missing at the source and the read-me's target is a folder, so
    // both copies fail; a read-only target from an older installation is replaced.
    fs::remove(bench.source / "help.txt");
    fs::create_directories(bench.destination() / "ReadMe.txt");
    writeFile(bench.destination() / "Quarrixdale-HDD", "old detector");
    ::chmod((bench.destination() / "Quarrixdale-HDD").c_str(), 0555);

    const InstallResult result = bench.install();
    const fs::path dest = bench.destination();
    EXPECT_EQ(result.destination, dest.string());
    for (std::size_t i = 0; i < kFileCount; ++i) {
        const bool fails = kInstalledFiles[i] == "help.txt" || kInstalledFiles[i] == "ReadMe.txt";
        EXPECT_EQ(result.copied[i], !fails) << kInstalledFiles[i];
        if (!fails) {
            EXPECT_EQ(readFile(dest / kInstalledFiles[i]), "file " + std::to_string(i));
        }
        // A source stays unless its copy is in place.
        EXPECT_EQ(fs::exists(bench.source / kInstalledFiles[i]), kInstalledFiles[i] == "ReadMe.txt")
            << kInstalledFiles[i];
    }
    EXPECT_EQ(modeOf(dest / "Quarrixdale-HDD"), 0555u);
    EXPECT_EQ(bench.messages.texts(), (std::vector<std::string>{kCopyFailedPrefix + "help.txt",
                                                                kCopyFailedPrefix + "ReadMe.txt"}));
    EXPECT_EQ(bench.messages.asked()[0].caption, kSetupCaption);

    qr::platform::FileRegistryStore reader(bench.registryFile);
    EXPECT_EQ(reader.value(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue), dest.string());

    // Four shortcuts, valid desktop entries, launching the installed files.
    const fs::path group = bench.programs / "Quarrixdale Recovery (Evaluation)" / "Memory Card";
    const std::vector<fs::path> links = {
        group / (kProgramName + ".desktop"), bench.desktop / (kProgramName + ".desktop"),
        group / "Help.desktop", group / "Uninstall (Evaluation).desktop"};
    ASSERT_EQ(result.shortcuts.size(), 4u);
    for (const fs::path& link : links) {
        ASSERT_TRUE(fs::exists(link)) << link;
        if (qr::test::haveTools({"desktop-file-validate"})) {
            EXPECT_EQ(qr::test::run("desktop-file-validate " + qr::test::shellQuote(link)).output,
                      "")
                << link;
        }
    }
    EXPECT_NE(readFile(links[0]).find("Exec=\"" + dest.string() + "/" + kProgramName + "\"\n"),
              std::string::npos)
        << readFile(links[0]);

    // Uninstalling removes what was made, keeps what was not (the folder in the
    // read-me's place, so the installation folder stays too).
    auto undone = Uninstall(dest.string());
    ASSERT_TRUE(undone);
    EXPECT_TRUE(undone->registryValueRemoved);
    EXPECT_FALSE(reader.value(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue));
    for (const fs::path& link : links)
        EXPECT_FALSE(fs::exists(link)) << link;
    EXPECT_FALSE(fs::exists(group)) << "the menu group the installer made goes too";
    EXPECT_TRUE(fs::exists(bench.programs)) << "folders not made by the installer stay";
    EXPECT_TRUE(fs::is_directory(dest / "ReadMe.txt"));
    for (std::size_t i = 0; i < kFileCount; ++i)
        if (kInstalledFiles[i] != "ReadMe.txt") {
            EXPECT_FALSE(fs::exists(dest / kInstalledFiles[i])) << kInstalledFiles[i];
        }
    EXPECT_TRUE(fs::exists(bench.base)) << "the chosen base folder existed before";
}

TEST(SetupInstall, UninstallLeavesAnotherInstallationsValueAndStraysAlone) {
    InstallBench bench;
    bench.install();
    const fs::path dest = bench.destination();
    // A later installation elsewhere now owns the value; the user added a file.
    bench.registry.setValue(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue, "/elsewhere");
    writeFile(dest / "my notes.txt", "mine");
    // A damaged record naming files outside the installation folder.
    writeFile(bench.dir / "precious", "keep");
    writeFile(bench.dir / "other.desktop", "keep");
    fs::create_directories(bench.dir / "empty but not ours");
    std::ofstream(dest / kManifestName, std::ios::app)
        << "file=" << (bench.dir / "precious").string()
        << "\nshortcut=" << (bench.dir / "precious").string()
        << "\nshortcut=" << (bench.dir / "other.desktop").string()
        << "\nfolder=" << (bench.dir / "empty but not ours").string() << "\n";

    auto undone = Uninstall(dest.string());
    ASSERT_TRUE(undone);
    EXPECT_FALSE(undone->registryValueRemoved);
    qr::platform::FileRegistryStore reader(bench.registryFile);
    EXPECT_EQ(reader.value(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue), "/elsewhere");
    EXPECT_EQ(readFile(dest / "my notes.txt"), "mine");
    EXPECT_EQ(readFile(bench.dir / "precious"), "keep");
    EXPECT_EQ(readFile(bench.dir / "other.desktop"), "keep");
    EXPECT_TRUE(fs::exists(bench.dir / "empty but not ours"));
    EXPECT_FALSE(fs::exists(dest / kProgramName));
    EXPECT_FALSE(Uninstall((bench.dir / "nowhere").string())) << "no record, nothing done";
}

TEST(SetupInstall, RunFromTheInstallationFolderKeepsEveryFile) {
    InstallBench bench;
    bench.install();
    // Installing again from the installation folder itself: the copies are the files.
    InstallBench again;
    InstallRequest request;
    request.sourceFolder = bench.destination();
    request.basePath = bench.base;
    request.programsFolder = bench.programs;
    request.desktopFolder = bench.desktop;
    const InstallResult result = Install(request);
    for (std::size_t i = 0; i < kFileCount; ++i)
        EXPECT_EQ(readFile(bench.destination() / kInstalledFiles[i]), "file " + std::to_string(i));
    EXPECT_EQ(result.sourceRemoved, (std::array<bool, kFileCount>{}));
}

TEST(RegistryMachineLayer, UserValuesWinAndChangesStayInTheUserFile) {
    TempDir dir;
    qr::platform::FileRegistryStore machine(dir / "machine");
    machine.setValue(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue, "/usr/lib/x");
    machine.setValue(RegistryRoot::ClassesRoot, kInstallKey, "Other", "m");
    qr::platform::FileRegistryStore user(dir / "user", dir / "machine");
    EXPECT_EQ(user.value(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue), "/usr/lib/x");
    user.setValue(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue, "/home/u/x");
    EXPECT_EQ(user.value(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue), "/home/u/x");
    EXPECT_EQ(user.value(RegistryRoot::ClassesRoot, kInstallKey, "Other"), "m");
    EXPECT_EQ(machine.value(RegistryRoot::ClassesRoot, kInstallKey, kInstallValue), "/usr/lib/x");
    EXPECT_EQ(readFile(dir / "user").find("Other"), std::string::npos);
}

TEST(SetupInstall, UnwritableBaseOrFullDriveKeepsEverySource) {
    {
        // A base below a file cannot be made: every copy fails and is told, nothing goes.
        InstallBench bench;
        writeFile(bench.dir / "file", "x");
        InstallRequest request;
        request.sourceFolder = bench.source;
        request.basePath = (bench.dir / "file" / "base").string();
        request.programsFolder = bench.programs;
        request.desktopFolder = bench.desktop;
        request.messages = &bench.messages;
        const InstallResult result = Install(request);
        EXPECT_EQ(bench.messages.count(), kFileCount);
        for (std::size_t i = 0; i < kFileCount; ++i)
            EXPECT_TRUE(fs::exists(bench.source / kInstalledFiles[i])) << kInstalledFiles[i];
        EXPECT_EQ(result.copied, (std::array<bool, kFileCount>{}));
    }
    if (::geteuid() != 0 || !qr::test::haveTools({"mount", "umount"}))
        GTEST_SKIP() << "a small file system needs root";
    // A drive too small for the program: its copy fails whole, the old copy stays.
    InstallBench bench;
    if (qr::test::run("mount -t tmpfs -o size=64k tmpfs " + qr::test::shellQuote(bench.base))
            .exitCode != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    writeFile(bench.source / kProgramName, std::string(200 * 1024, 'p'));
    fs::create_directories(bench.destination());
    writeFile(bench.destination() / kProgramName, "old program");
    const InstallResult result = bench.install();
    EXPECT_FALSE(result.copied[kProgramFile]);
    EXPECT_EQ(readFile(bench.destination() / kProgramName), "old program");
    EXPECT_TRUE(fs::exists(bench.source / kProgramName)) << "the only full copy stays";
    EXPECT_TRUE(bench.messages.saw(kCopyFailedPrefix + kProgramName));
    qr::test::run("umount " + qr::test::shellQuote(bench.base));
}

TEST(SetupInstall, TheInstalledFolderServesTheFFamily) {
    InstallBench bench;
    // The real detector, media probe and disk library in place of the stand-ins.
    for (const char* name : {"Quarrixdale-HDD", "NoDisk", "libdisk32.so"})
        fs::copy_file(fs::path(PROGRAM_DIR) / name, bench.source / name,
                      fs::copy_options::overwrite_existing);
    const InstallResult result = bench.install();
    EXPECT_EQ(result.copied, (std::array<bool, kFileCount>{true, true, true, true, true, true, true,
                                                           true, true, true}));
    EXPECT_EQ(bench.messages.count(), 0u);
    const fs::path dest = bench.destination();
    EXPECT_TRUE(fs::exists(dest / "NoDisk"));
    EXPECT_TRUE(fs::exists(dest / "libdisk32.so"));
    EXPECT_FALSE(fs::exists(bench.source / "libdisk32.so")) << "its source went with the rest";

    // A command-line program outside the installation finds it through the value the
    // installer wrote, and reads the image by BIOS unit through the installed library.
    const fs::path cli = bench.dir / "elsewhere" / "recovery-cli";
    fs::create_directories(cli.parent_path());
    fs::copy_file(RECOVERY_CLI, cli);
    fs::create_directories(bench.dir / "sys");
    fs::create_directories(bench.dir / "tmp");
    const fs::path image = bench.dir / "card.img";
    qr::test::runOrFail("truncate -s 8M " + qr::test::shellQuote(image.string()));
    auto disks = [&] {
        using qr::test::shellQuote;
        return qr::test::run(
            "env -u QUARRIXDALE_INSTALL_DIR -u QUARRIXDALE_PLATFORM QUARRIXDALE_REGISTRY=" +
            shellQuote(bench.registryFile.string()) +
            " QUARRIXDALE_SYSFS_BLOCK=" + shellQuote((bench.dir / "sys").string()) +
            " TMPDIR=" + shellQuote((bench.dir / "tmp").string()) +
            " HOME=" + shellQuote(bench.dir.path().string()) + " " + shellQuote(cli.string()) +
            " --platform F --image " + shellQuote(image.string()) + " disks 2>&1");
    };
    auto listed = disks();
    EXPECT_EQ(listed.exitCode, 0) << listed.output;
    EXPECT_EQ(listed.output, "Disk0\t8773632\tUnknown\t" + image.string() + "\n");

    // The library really is the installed one: without it the family has no disks.
    fs::remove(dest / "libdisk32.so");
    listed = disks();
    EXPECT_NE(listed.exitCode, 0);
    EXPECT_NE(listed.output.find("disk32.dll not found"), std::string::npos) << listed.output;
}
