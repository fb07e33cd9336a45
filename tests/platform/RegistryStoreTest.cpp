#include "platform/FileRegistryStore.h"
#include "platform/RegistryData.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qr::platform;
using qr::test::TempDir;

namespace {

constexpr auto HKCR = RegistryRoot::ClassesRoot;
const std::string kMedia = "Quarrixdale Removal Media";

void writeFile(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

} // namespace

TEST(RegistryStrings, MissingReadsEmptyAndLongValuesKeep259Characters) {
    MemoryRegistryStore store;
    EXPECT_EQ(ReadRegistryString(store, HKCR, kMedia, "Disk0"), "");
    SetRegistryString(store, HKCR, kMedia + "\\Size", "Disk0", "8422686720");
    EXPECT_EQ(ReadRegistryString(store, HKCR, kMedia + "\\Size", "Disk0"), "8422686720");
    EXPECT_TRUE(store.keyExists(HKCR, kMedia)) << "parents are created with the key";
    // The value is kept whole; a reader's 260-byte buffer takes 259 characters.
    const std::string longText(300, 'x');
    SetRegistryString(store, HKCR, kMedia, "Long", longText);
    EXPECT_EQ(store.value(HKCR, kMedia, "Long"), longText);
    EXPECT_EQ(ReadRegistryString(store, HKCR, kMedia, "Long"), std::string(259, 'x'));
    // An empty value exists and reads as empty.
    SetRegistryString(store, HKCR, kMedia, "Disk3", "");
    EXPECT_EQ(store.value(HKCR, kMedia, "Disk3"), std::string());
}

TEST(RegistryStrings, NamesIgnoreCaseAndKeyDeletionSparesSubkeys) {
    MemoryRegistryStore store;
    SetRegistryString(store, HKCR, kMedia + "\\LogCount", "Count", "3");
    SetRegistryString(store, HKCR, kMedia, "Disk0", "1");
    EXPECT_EQ(ReadRegistryString(store, HKCR, "quarrixdale removal media\\", "DISK0"), "1");
    // A key with a subkey stays (with its values); the subkey can go first.
    EXPECT_FALSE(store.deleteKey(HKCR, kMedia));
    EXPECT_EQ(ReadRegistryString(store, HKCR, kMedia, "Disk0"), "1");
    EXPECT_TRUE(store.deleteKey(HKCR, kMedia + "\\LogCount"));
    EXPECT_TRUE(store.deleteKey(HKCR, kMedia));
    EXPECT_FALSE(store.keyExists(HKCR, kMedia));
    EXPECT_FALSE(store.deleteKey(HKCR, kMedia)) << "a missing key cannot be deleted";
    // A sibling whose name shares the prefix is not a subkey.
    SetRegistryString(store, HKCR, "A", "v", "1");
    SetRegistryString(store, HKCR, "A B", "v", "2");
    EXPECT_TRUE(store.deleteKey(HKCR, "A"));
    EXPECT_EQ(ReadRegistryString(store, HKCR, "A B", "v"), "2");
    // Roots are separate.
    EXPECT_EQ(ReadRegistryString(store, RegistryRoot::LocalMachine, "A B", "v"), "");
}

TEST(FileRegistry, ValuesSurviveAnotherStoreObjectAndOddBytes) {
    TempDir dir;
    const auto path = dir / "sub" / "registry";
    const std::string odd = std::string("C:\\dir \"q\"\n\t=[x]\x01") + '\0' + "end";
    {
        FileRegistryStore store(path);
        EXPECT_TRUE(store.setValue(HKCR, kMedia + "\\Model", "Disk0", odd));
        EXPECT_TRUE(store.setValue(HKCR, "Quarrixdale-Memory Card", "InstallationPath", "/opt/q"));
        EXPECT_TRUE(store.createKey(HKCR, kMedia + "\\Empty"));
    }
    FileRegistryStore again(path);
    EXPECT_EQ(again.value(HKCR, kMedia + "\\Model", "Disk0"), odd);
    // The classic read stops at an embedded zero.
    EXPECT_EQ(ReadRegistryString(again, HKCR, kMedia + "\\Model", "Disk0"),
              "C:\\dir \"q\"\n\t=[x]\x01");
    EXPECT_EQ(ReadRegistryString(again, HKCR, "Quarrixdale-Memory Card", "InstallationPath"),
              "/opt/q");
    EXPECT_TRUE(again.keyExists(HKCR, kMedia + "\\Empty"));
    EXPECT_TRUE(again.deleteValue(HKCR, kMedia + "\\Model", "Disk0"));
    EXPECT_FALSE(FileRegistryStore(path).value(HKCR, kMedia + "\\Model", "Disk0"));
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "sub"))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(FileRegistry, GarbledFilesAndLinesReadAsEmpty) {
    TempDir dir;
    const auto path = dir / "registry";
    FileRegistryStore store(path);
    EXPECT_FALSE(store.value(HKCR, kMedia, "Disk0")) << "a missing file is an empty store";

    writeFile(path, std::string("\x7f"
                                "ELF\0\0garbage\n[HKEY_CLASSES_ROOT\\X]\n\"a\"=\"b\"\n",
                                40));
    EXPECT_FALSE(store.value(HKCR, "X", "a")) << "not our header: nothing is trusted";

    store.setValue(HKCR, "Good", "v", "1");
    std::string text;
    {
        std::ifstream in(path);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Broken lines among good ones are skipped, the rest stays readable.
    writeFile(path, text + "\"unterminated=\"x\n\"n\"=\"bad\\x4\"\n[NOROOT\\K]\n\"k\"=\"v\"\n"
                           "[HKEY_CLASSES_ROOT\\Good]\n\"w\"=\"2\"\n\"tail\"=\"x\" junk\n");
    EXPECT_EQ(store.value(HKCR, "Good", "v"), "1");
    EXPECT_EQ(store.value(HKCR, "Good", "w"), "2");
    EXPECT_FALSE(store.value(HKCR, "Good", "tail"));
    EXPECT_FALSE(store.keyExists(HKCR, "K"));
}

TEST(FileRegistry, TwoProcessesWritingInTurnLoseNothing) {
    TempDir dir;
    const auto path = dir / "registry";
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileRegistryStore store(path);
        for (int i = 0; i < 50; ++i)
            store.setValue(HKCR, "Child", "v" + std::to_string(i), "c");
        ::_exit(0);
    }
    FileRegistryStore store(path);
    for (int i = 0; i < 50; ++i)
        store.setValue(HKCR, "Parent", "v" + std::to_string(i), "p");
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(store.value(HKCR, "Child", "v" + std::to_string(i)), "c") << i;
        EXPECT_EQ(store.value(HKCR, "Parent", "v" + std::to_string(i)), "p") << i;
    }
}

TEST(FileRegistry, DefaultPathFollowsTheEnvironment) {
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv(kRegistryPathVariable, "/tmp/x/reg", 1);
    EXPECT_EQ(defaultRegistryPath(), "/tmp/x/reg");
    ::unsetenv(kRegistryPathVariable);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(defaultRegistryPath(), "/cfg/quarrixdale/registry");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(defaultRegistryPath(), "/home/u/.config/quarrixdale/registry");
    ::setenv("HOME", home.c_str(), 1);
}
