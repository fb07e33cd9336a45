#pragma once
// The registry store of this system: a small text file that the program and the
// disk-detection program share. Every operation reads the file afresh under a lock,
// and every change replaces the file atomically (temporary file + rename), so two
// processes using it one after the other always see each other's values.
#include "platform/RegistryData.h"

#include <filesystem>
#include <functional>
#include <mutex>

namespace qr::platform {

// Environment variable naming the store file (tests and side-by-side installs).
inline constexpr const char* kRegistryPathVariable = "QUARRIXDALE_REGISTRY";

// $QUARRIXDALE_REGISTRY, else $XDG_CONFIG_HOME/quarrixdale/registry, else
// ~/.config/quarrixdale/registry.
std::filesystem::path defaultRegistryPath();

class FileRegistryStore final : public RegistryDataStore {
public:
    explicit FileRegistryStore(std::filesystem::path file = defaultRegistryPath());

    const std::filesystem::path& file() const { return file_; }

    // Reads the file under a shared lock.
    bool inspect(const std::function<void(const RegistryData&)>& fn) override;
    // Reads the file under an exclusive lock and, when `fn` returns true, replaces it
    // in one write (so many values cost one write).
    bool change(const std::function<bool(RegistryData&)>& fn) override;

private:
    std::filesystem::path file_;
    std::mutex mutex_; // one operation at a time within this process
};

} // namespace qr::platform
