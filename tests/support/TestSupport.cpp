#include "support/TestSupport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qr::test {

namespace {

// Reports and directory lists written by the program under test go to folders of this
// test process, never into the user's own data and cache folders.
struct TestDataFolders {
    TestDataFolders()
        : base(std::filesystem::temp_directory_path() /
               ("qr-test-xdg-" + std::to_string(::getpid()))) {
        setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (base / "cache").c_str(), 1);
    }
    ~TestDataFolders() {
        std::error_code ec;
        std::filesystem::remove_all(base, ec);
    }
    std::filesystem::path base;
} testDataFolders;

} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qrtest-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> chunk{};
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.output.append(chunk.data(), got);
    int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool runStep(const std::string& command, std::string& why) {
    const CommandResult r = run(command);
    if (r.exitCode != 0)
        why = command + ": " + r.output;
    return r.exitCode == 0;
}

std::string icatAt(const std::filesystem::path& image, std::uint64_t sectorOffset,
                   const std::string& inode) {
    const CommandResult r = run("icat -o " + std::to_string(sectorOffset) + " " +
                                shellQuote(image.string()) + " " + inode + " 2>/dev/null");
    return r.exitCode == 0 ? r.output : std::string();
}

std::string runOrFail(const std::string& command) {
    CommandResult r = run(command);
    EXPECT_EQ(r.exitCode, 0) << command << "\n" << r.output;
    return r.output;
}

bool haveTools(std::initializer_list<const char*> programs) {
    for (const char* p : programs)
        if (run(std::string("command -v ") + p).exitCode != 0)
            return false;
    return true;
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace qr::test
