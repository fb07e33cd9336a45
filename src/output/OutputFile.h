#pragma once
// One recovered file being written: created or truncated, written unchanged, closed.
// Opened, written and closed within one extraction call.
#include <cstddef>
#include <string>

namespace qr::output {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates or truncates `path` (never through a symbolic link). False (with error())
    // when it cannot be created.
    bool open(const std::string& path);
    // Writes all `length` bytes; false (with error()) on a write failure.
    bool write(const void* data, std::size_t length);
    // Makes what was written durable (fsync); false (with error()) when that failed.
    bool sync();
    // Closes; false when the final flush failed.
    bool close();
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

} // namespace qr::output
