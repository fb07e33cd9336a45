#pragma once
// An in-memory medium behind the sector reader's file interface, with sectors that
// fail to read, for tests of read errors without real bad media.
#include "disk/DeviceFile.h"

#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace qr::test {

struct MemoryMedium {
    std::vector<unsigned char> bytes;
    std::set<std::uint64_t> badSectors; // any read touching one of these fails
    // Size reported to the reader; defaults to the bytes held. A larger size makes a
    // sparse medium whose unheld bytes read as `fill`.
    std::uint64_t virtualSize = 0;
    unsigned char fill = 0;
    // Every request, as (offset, length), and the number of opens.
    std::vector<std::pair<std::uint64_t, std::size_t>> reads;
    int opens = 0;
    std::mutex mutex;
};

class MemoryDeviceFile final : public disk::DeviceFile {
public:
    explicit MemoryDeviceFile(MemoryMedium& medium) : medium_(medium) {}

    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override {
        std::lock_guard lock(medium_.mutex);
        medium_.reads.emplace_back(offset, length);
        const std::uint64_t total = sizeLocked();
        if (offset >= total)
            return 0;
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, total - offset));
        for (std::uint64_t s = offset / 512; s * 512 < offset + n; ++s)
            if (medium_.badSectors.count(s))
                return -1;
        auto* out = static_cast<unsigned char*>(buffer);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t at = offset + i;
            out[i] = at < medium_.bytes.size() ? medium_.bytes[at] : medium_.fill;
        }
        return static_cast<std::int64_t>(n);
    }
    std::uint64_t size() const override {
        std::lock_guard lock(medium_.mutex);
        return sizeLocked();
    }

private:
    std::uint64_t sizeLocked() const {
        return medium_.virtualSize ? medium_.virtualSize : medium_.bytes.size();
    }
    MemoryMedium& medium_;
};

// Opens the media registered by name; any other name cannot be opened.
class MemoryOpener final : public disk::DeviceOpener {
public:
    void add(const std::string& name, MemoryMedium& medium) { media_[name] = &medium; }
    std::unique_ptr<disk::DeviceFile> open(const std::string& name) override {
        auto it = media_.find(name);
        if (it == media_.end())
            return nullptr;
        {
            std::lock_guard lock(it->second->mutex);
            ++it->second->opens;
        }
        return std::make_unique<MemoryDeviceFile>(*it->second);
    }

private:
    std::map<std::string, MemoryMedium*> media_;
};

// Bytes whose every sector is recognisable: byte i of sector s is (s * 7 + i) & 0xFF.
inline std::vector<unsigned char> patternSectors(std::uint64_t sectors) {
    std::vector<unsigned char> bytes(sectors * 512);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>((i / 512) * 7 + i % 512);
    return bytes;
}

} // namespace qr::test
