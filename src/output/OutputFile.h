#pragma once
// One recovered file being written: created or truncated, written unchanged, closed.
// Opened, written and closed within one extraction call. A file that could not be
// written whole (a full destination, an I/O error) is removed when it is closed, so
// nothing under a recovered file's name is silently incomplete.
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
    // Writes all `length` bytes; false (with error()) on a write failure, after which
    // the file is removed when closed.
    bool write(const void* data, std::size_t length);
    // Makes what was written durable (fsync); false (with error()) when that failed,
    // after which the file is removed when closed.
    bool sync();
    // Starts writing the file's data back without waiting, so that the sync() of many
    // files started together shares one flush of the destination.
    void startWriteBack();
    // Closes; false when the final flush failed or a write or sync had failed. The file is
    // then removed.
    bool close();
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string path_;
    bool failed_ = false;
    std::string error_;
};

} // namespace qr::output
