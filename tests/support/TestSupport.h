#pragma once
// Helpers shared by the tests: temporary folders and running the real tools that
// make test media (truncate, sfdisk, mkfs.fat, mtools, mkntfs).
#include <cstdint>
#include <filesystem>
#include <string>

namespace qr::test {

// A fresh folder under the system temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

// Runs `command` through /bin/sh.
CommandResult run(const std::string& command);
// Runs `command` and fails the current test (with its output) when it exits non-zero.
std::string runOrFail(const std::string& command);
// Runs one step of building test media: true when it succeeded, else `why` names the
// command and holds its output.
bool runStep(const std::string& command, std::string& why);
// The Sleuth Kit's icat of `inode` in the volume `sectorOffset` sectors into `image`
// (empty when icat fails): an oracle for extracted files.
std::string icatAt(const std::filesystem::path& image, std::uint64_t sectorOffset,
                   const std::string& inode);
// True when every named program is on PATH (tests that need one skip otherwise).
bool haveTools(std::initializer_list<const char*> programs);
// Quotes a path for the shell.
std::string shellQuote(const std::string& text);
// The whole content of a file (empty when missing).
std::string ReadWholeFile(const std::filesystem::path& path);

} // namespace qr::test
