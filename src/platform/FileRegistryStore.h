#pragma once
// The registry store of this system: a small text file that the program and the
// disk-detection program share. Every operation reads the file afresh under a lock,
// and every change replaces the file atomically (temporary file + rename), so two
// processes using it one after the other always see each other's values. The user's
// store is also flushed to the disk before the rename; a scratch copy that a run throws
// away is not, as no crash can make it matter.
#include "platform/RegistryData.h"

#include <filesystem>
#include <functional>
#include <mutex>

namespace qr::platform {

// Environment variable naming the store file (tests and side-by-side installs).
inline constexpr const char* kRegistryPathVariable = "QUARRIXDALE_REGISTRY";

// Environment variable naming a store file that is a scratch copy (see Durability).
inline constexpr const char* kScratchRegistryVariable = "QUARRIXDALE_SCRATCH_REGISTRY";

enum class Durability {
    Durable, // each change reaches the disk before it replaces the file
    Scratch  // atomic replacement only, no fsync
};

// $QUARRIXDALE_REGISTRY, else $XDG_CONFIG_HOME/quarrixdale/registry, else
// ~/.config/quarrixdale/registry.
std::filesystem::path defaultRegistryPath();

class FileRegistryStore final : public RegistryDataStore {
public:
    // Scratch when `file` is the one $QUARRIXDALE_SCRATCH_REGISTRY names, else durable:
    // the detection program learns through the environment how to treat the store.
    explicit FileRegistryStore(std::filesystem::path file = defaultRegistryPath());
    FileRegistryStore(std::filesystem::path file, Durability durability);

    const std::filesystem::path& file() const { return file_; }

    // Reads the file under a shared lock.
    bool inspect(const std::function<void(const RegistryData&)>& fn) override;
    // Reads the file under an exclusive lock and, when `fn` returns true, replaces it
    // in one write (so many values cost one write).
    bool change(const std::function<bool(RegistryData&)>& fn) override;

private:
    std::filesystem::path file_;
    Durability durability_;
    std::mutex mutex_; // one operation at a time within this process
};

} // namespace qr::platform
