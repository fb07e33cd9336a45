#pragma once
// The registry store of this system: a small text file that the program and the
// disk-detection program share, over an optional machine-wide file that is only read
// (what a root installation or the package records for every user). Every operation reads the file
// afresh under a lock, and every change replaces the file atomically (temporary file + rename), so
// two processes using it one after the other always see each other's values.
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

// Environment variable naming the machine-wide store file.
inline constexpr const char* kMachineRegistryPathVariable = "QUARRIXDALE_MACHINE_REGISTRY";
inline constexpr const char* kMachineRegistryPath = "/etc/quarrixdale/registry";

// $QUARRIXDALE_MACHINE_REGISTRY, else /etc/quarrixdale/registry; empty (no machine
// layer) when $QUARRIXDALE_REGISTRY names a private store and the machine file is
// not named as well, so a test's store is never mixed with the machine's.
std::filesystem::path machineRegistryPath();

class FileRegistryStore final : public RegistryDataStore {
public:
    // The user's store over the machine-wide one.
    FileRegistryStore();
    // `file` alone, or over `machine` when one is named.
    explicit FileRegistryStore(std::filesystem::path file, std::filesystem::path machine = {});

    const std::filesystem::path& file() const { return file_; }

    // Reads the file under a shared lock; values it lacks come from the machine file.
    bool inspect(const std::function<void(const RegistryData&)>& fn) override;
    // Reads the file under an exclusive lock and, when `fn` returns true, replaces it
    // in one write (so many values cost one write). The machine file is not involved.
    bool change(const std::function<bool(RegistryData&)>& fn) override;

private:
    std::filesystem::path file_;
    std::filesystem::path machine_;
    std::mutex mutex_; // one operation at a time within this process
};

} // namespace qr::platform
