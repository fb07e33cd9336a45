#pragma once
// Recovery logs on the file system: the save's name rules and dialog loop, writing a
// log's bytes, and reading a log without copying it into memory first.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qr::platform {
class UserMessages;
}

namespace qr::output {

inline const std::string kInvalidExtension = "Invalid Extension";
inline const std::string kAlreadyExists = " already exists. Do you want to overwrite this file?";
inline const std::string kUnableToOpenFile = "Unable to open file";
inline const std::string kUnableToWriteFile = "Unable to write file";

// True when the path ends in ".DMS" in any letter case.
bool HasLogEnding(const std::string& path);
// The path with ".DMS" appended when its file name (the part after the last "/")
// has no dot; otherwise the path as given.
std::string WithLogEnding(const std::string& path);

// The save-file dialog: the chosen full path, or nullopt when the user cancels. The
// dialog itself asks before overwriting a file whose name it was given in full.
using ChooseLogPath = std::function<std::optional<std::string>()>;

// Shows the dialog until it yields a path the log may be written to: a name without
// the ending gets ".DMS" when it has no extension, another extension is refused with
// "Invalid Extension", and an existing file whose name was typed without the ending
// is replaced only when the user says so. nullopt when the user cancels.
std::optional<std::string> ChooseLogSavePath(const ChooseLogPath& choose,
                                             platform::UserMessages& messages);

enum class LogWriteResult { Written, CannotOpen, CannotWrite };
// Creates or truncates `path` and writes `bytes` to it.
LogWriteResult WriteLogFile(const std::string& path, std::span<const unsigned char> bytes);

// The largest log the loader reads (a million NTFS files with long names take about
// 300 MB); a larger file is refused rather than read into memory.
inline constexpr std::uint64_t kLogFileMax = std::uint64_t{1} << 30;

enum class LogReadResult { Read, CannotOpen, TooLarge, ReadFailed };
struct LogFileBytes {
    LogReadResult result = LogReadResult::CannotOpen;
    std::vector<unsigned char> bytes;
};
// Reads a whole log. Only regular files are opened (a FIFO or a device would block or
// never end); a file that vanishes or fails while being read gives ReadFailed.
LogFileBytes ReadLogFile(const std::string& path);

} // namespace qr::output
