#pragma once
// Where an engine puts the bytes of a file it extracts: an output file with the save's
// filters, questions and progress, a temporary file for opening, or memory in tests.
// Engines never open output files themselves.
#include "disk/ByteView.h"

#include <cstdint>

namespace qr::volume {

class FileSink {
public:
    virtual ~FileSink() = default;
    // The file's next bytes, in order. False when they could not be stored (a write
    // error); the engine then ends the file.
    virtual bool write(disk::ByteView bytes) = 0;
    // Polled before every read: true when the user asked to skip this file or to stop
    // saving; the engine then ends the file.
    virtual bool interrupted() = 0;
    // `length` bytes at `offset` of the file could not be read from the medium; they
    // were written as zeros.
    virtual void unreadable(std::uint64_t offset, std::uint64_t length) = 0;
};

} // namespace qr::volume
