#pragma once
// Disks for the partition and volume tests and fuzz targets: sparse disks built
// sector by sector (terabytes cost only the sectors written), disks whose sectors
// repeat a short byte string, and a wrapper that makes chosen sectors fail to read.
#include "disk/DeviceFile.h"
#include "disk/SectorSource.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qr::test {

using SectorBytes = std::array<unsigned char, 512>;

// How many of `length` bytes at `offset` lie on a disk of `sectors` sectors.
inline std::size_t bytesWithin(std::uint64_t sectors, std::uint64_t offset, std::size_t length) {
    const std::uint64_t size = sectors * 512;
    return offset >= size
               ? 0
               : static_cast<std::size_t>(std::min<std::uint64_t>(length, size - offset));
}

// A disk of `sectors` sectors that reads zeros except where a sector was written.
class SparseDisk {
public:
    explicit SparseDisk(std::uint64_t sectors) : sectors_(sectors) {}
    SectorBytes& at(std::uint64_t sector) { return data_[sector]; }
    std::uint64_t sectors() const { return sectors_; }

    std::int64_t read(std::uint64_t offset, void* buffer, std::size_t length) const {
        const std::size_t n = bytesWithin(sectors_, offset, length);
        if (n == 0)
            return 0;
        auto* out = static_cast<unsigned char*>(buffer);
        std::memset(out, 0, n);
        const std::uint64_t first = offset / 512, last = (offset + n - 1) / 512;
        for (auto it = data_.lower_bound(first); it != data_.end() && it->first <= last; ++it) {
            const std::uint64_t from = std::max(offset, it->first * 512);
            const std::uint64_t to = std::min(offset + n, it->first * 512 + 512);
            std::memcpy(out + (from - offset), it->second.data() + (from - it->first * 512),
                        static_cast<std::size_t>(to - from));
        }
        return static_cast<std::int64_t>(n);
    }

private:
    std::uint64_t sectors_;
    std::map<std::uint64_t, SectorBytes> data_;
};

// The sparse disk as a sector source; counts the sectors read.
class SparseSource final : public disk::SectorSource {
public:
    explicit SparseSource(SparseDisk& disk) : disk_(disk) {}
    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        sectorsRead += count;
        std::memset(buffer, 0, std::size_t{count} * 512);
        disk_.read(start * 512, buffer, std::size_t{count} * 512);
        return start + count <= disk_.sectors() ? disk::ReadStatus::Complete
                                                : disk::ReadStatus::Partial;
    }
    std::uint64_t sectorCount() override { return disk_.sectors(); }
    std::uint64_t sectorsRead = 0;

private:
    SparseDisk& disk_;
};

// A disk whose every sector s reads block (s mod blocks) of `bytes`, so that any
// sector number a structure points at lands on the given bytes.
class RepeatingDisk {
public:
    RepeatingDisk(const unsigned char* bytes, std::size_t size, std::uint64_t sectors)
        : blocks_((size + 511) / 512 ? (size + 511) / 512 : 1), sectors_(sectors) {
        bytes_.assign(blocks_ * 512, 0);
        std::memcpy(bytes_.data(), bytes, size);
    }
    std::int64_t read(std::uint64_t offset, void* buffer, std::size_t length) const {
        const std::size_t n = bytesWithin(sectors_, offset, length);
        if (n == 0)
            return 0;
        auto* out = static_cast<unsigned char*>(buffer);
        for (std::size_t done = 0; done < n;) {
            const std::uint64_t at = offset + done;
            const std::size_t inSector = static_cast<std::size_t>(at % 512);
            const std::size_t chunk = std::min<std::size_t>(512 - inSector, n - done);
            const std::uint64_t block = (at / 512) % blocks_;
            std::memcpy(out + done, bytes_.data() + block * 512 + inSector, chunk);
            done += chunk;
        }
        return static_cast<std::int64_t>(n);
    }

private:
    std::vector<unsigned char> bytes_;
    std::uint64_t blocks_;
    std::uint64_t sectors_;
};

// Any disk above as a DeviceFile; the disk must outlive it.
template <class Disk> class VolumeDiskFile final : public disk::DeviceFile {
public:
    explicit VolumeDiskFile(const Disk& disk, std::uint64_t sectors)
        : disk_(disk), sectors_(sectors) {}
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override {
        return disk_.read(offset, buffer, length);
    }
    std::uint64_t size() const override { return sectors_ * 512; }

private:
    const Disk& disk_;
    std::uint64_t sectors_;
};

// Opens every name as the one in-memory disk.
template <class Disk> class VolumeDiskOpener final : public disk::DeviceOpener {
public:
    VolumeDiskOpener(const Disk& disk, std::uint64_t sectors) : disk_(disk), sectors_(sectors) {}
    std::unique_ptr<disk::DeviceFile> open(const std::string&) override {
        return std::make_unique<VolumeDiskFile<Disk>>(disk_, sectors_);
    }

private:
    const Disk& disk_;
    std::uint64_t sectors_;
};

// Opens through `inner` and makes every read that touches one of `failing` fail.
class FailingSectorsOpener final : public disk::DeviceOpener {
public:
    FailingSectorsOpener(std::shared_ptr<disk::DeviceOpener> inner, std::set<std::uint64_t> failing)
        : inner_(std::move(inner)), failing_(std::move(failing)) {}

    std::unique_ptr<disk::DeviceFile> open(const std::string& name) override {
        auto file = inner_->open(name);
        return file ? std::make_unique<File>(std::move(file), failing_) : nullptr;
    }

private:
    class File final : public disk::DeviceFile {
    public:
        File(std::unique_ptr<disk::DeviceFile> inner, const std::set<std::uint64_t>& failing)
            : inner_(std::move(inner)), failing_(failing) {}
        std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override {
            if (length > 0) {
                auto it = failing_.lower_bound(offset / 512);
                if (it != failing_.end() && *it <= (offset + length - 1) / 512)
                    return -1;
            }
            return inner_->readAt(offset, buffer, length);
        }
        std::uint64_t size() const override { return inner_->size(); }

    private:
        std::unique_ptr<disk::DeviceFile> inner_;
        const std::set<std::uint64_t>& failing_;
    };

    std::shared_ptr<disk::DeviceOpener> inner_;
    std::set<std::uint64_t> failing_;
};

} // namespace qr::test
