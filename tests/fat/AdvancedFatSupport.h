#pragma once
// Helpers of the advanced FAT search tests: progress that records what it is told,
// an image file read into an in-memory medium, and a whole advanced search.
#include "fat/InferFileSystems.h"
#include "fat/SweepFatStructures.h"
#include "model/RecordTable.h"
#include "support/MemorySource.h"
#include "volume/SearchProgress.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <vector>

namespace qr::test {

class RecordingProgress final : public volume::SearchProgress {
public:
    void phase(volume::SearchPhase p) override { phases.push_back(p); }
    void position(std::uint64_t position, std::uint64_t total) override {
        lastPosition = position;
        lastTotal = total;
        ++positions;
        if (onPosition)
            onPosition(position);
    }
    void counter(volume::SearchCounter c, std::uint64_t value) override { counters[c] = value; }

    std::vector<volume::SearchPhase> phases;
    std::map<volume::SearchCounter, std::uint64_t> counters;
    std::uint64_t lastPosition = 0;
    std::uint64_t lastTotal = 0;
    std::uint64_t positions = 0;
    std::function<void(std::uint64_t)> onPosition;
};

// An image file read through pread, opened read-only: media too big to hold in memory.
class ImageFileSource final : public disk::SectorSource {
public:
    explicit ImageFileSource(const std::filesystem::path& image)
        : fd_(::open(image.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~ImageFileSource() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ImageFileSource(const ImageFileSource&) = delete;
    ImageFileSource& operator=(const ImageFileSource&) = delete;

    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        const std::size_t length = std::size_t{count} * disk::kSectorBytes;
        std::memset(buffer, 0, length);
        if (fd_ < 0)
            return disk::ReadStatus::NoMedium;
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = ::pread(fd_, buffer + done, length - done,
                                      static_cast<off_t>(start * disk::kSectorBytes + done));
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done == length ? disk::ReadStatus::Complete : disk::ReadStatus::Partial;
    }
    std::uint64_t sectorCount() override {
        const off_t size = fd_ < 0 ? 0 : ::lseek(fd_, 0, SEEK_END);
        return size <= 0 ? 0 : (static_cast<std::uint64_t>(size) + 511) / disk::kSectorBytes;
    }

private:
    int fd_ = -1;
};

inline MemorySource loadImage(const std::filesystem::path& image) {
    std::ifstream in(image, std::ios::binary);
    return MemorySource(std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                                   std::istreambuf_iterator<char>()));
}

// The sweep and the inference of an advanced search over [start, end).
inline int advancedSearch(disk::SectorSource& source, model::RecordTables& tables,
                          std::uint64_t start, std::uint64_t end, volume::FileSystemKind searched,
                          std::stop_token stop = {}) {
    RecordingProgress progress;
    fat::SweepFatStructures(source, start, end, tables, stop, progress);
    return fat::InferFileSystems(tables, searched, progress);
}

// The "File System" numbers of every DirClusterTable row.
inline std::vector<std::uint32_t> fileSystemsOfHeads(const model::RecordTable& dirs) {
    std::vector<std::uint32_t> numbers;
    for (int i = 0; i < dirs.rowCount(); ++i)
        numbers.push_back(dirs.number(i, model::dircluster_col::FileSystem));
    return numbers;
}

} // namespace qr::test
