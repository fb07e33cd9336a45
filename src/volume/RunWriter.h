#pragma once
// The one place where a recovered file's bytes move from the medium into a sink. An
// engine describes the file as runs, in order: sectors of the medium, zeros (a sparse
// run, the tail behind the valid length) or bytes it decoded itself (resident data,
// decompressed units). Every engine's files then end the same way:
// - a sector the medium cannot read becomes zeros in the file, told to the sink and
//   counted in the report;
// - a medium that stops answering ends the file as MediumLost, with the sector;
// - a file of which not one byte could be read ends as Unreadable: no file of zeros
//   is kept under a recovered name;
// - a sink that fails or asks to stop ends it as SinkFailed or Interrupted.
#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "volume/FileSink.h"
#include "volume/VolumeEngine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qr::volume {

// True when `source` no longer answers at all (the medium went away).
bool MediumGone(disk::SectorSource& source);

class RunWriter {
public:
    // At most `size` bytes are written; bytes at or behind `initialized` are zeros
    // whatever the runs hold (NTFS's initialized size, exFAT's valid data length).
    RunWriter(disk::SectorSource& source, FileSink& sink, std::uint64_t size,
              std::uint64_t initialized = UINT64_MAX);

    // `count` sectors of the medium from `first`, as far as the file still needs them.
    // False once the file has ended.
    bool sectors(std::uint64_t first, std::uint64_t count);
    // `length` zero bytes (cut at the size).
    bool zeros(std::uint64_t length);
    // Bytes the engine decoded itself (cut at the size).
    bool bytes(disk::ByteView bytes);
    // Reads sectors for an engine that decodes them before writing (compressed units),
    // under the same rule for a medium that stops answering; unreadable sectors are
    // zeros. False when the file has ended.
    bool read(std::uint64_t first, std::uint32_t count, unsigned char* buffer);

    // Polls the sink: true (and the file ended) when it asks to skip or stop.
    bool interrupted();
    // Ends the file (the first reason given stays).
    void end(ExtractEnd how, std::string why);

    bool ended() const { return report_.end != ExtractEnd::Complete; }
    bool done() const { return report_.bytesWritten >= size_; }
    std::uint64_t written() const { return report_.bytesWritten; }
    std::uint64_t left() const { return size_ - report_.bytesWritten; }
    ExtractReport& report() { return report_; }

    // The report once every run was given: Unreadable (also in place of Truncated) when
    // the file has bytes and the medium gave none of them.
    ExtractReport finish();

private:
    bool store(const unsigned char* bytes, std::uint64_t length);
    bool put(const unsigned char* bytes, std::uint64_t length);
    void mediumLost(std::uint64_t sector);

    disk::SectorSource& source_;
    FileSink& sink_;
    std::uint64_t size_;
    std::uint64_t initialized_;
    std::uint64_t fromMedium_ = 0; // bytes asked of the medium
    ExtractReport report_;
    std::vector<unsigned char> buffer_;
};

} // namespace qr::volume
