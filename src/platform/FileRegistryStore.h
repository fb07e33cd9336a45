#pragma once
// The registry store of this system: a small text file that the program and the
// disk-detection program share. Every operation reads the file afresh under a lock,
// and every change replaces the file atomically (temporary file + rename), so two
// processes using it one after the other always see each other's values.
#include "platform/RegistryData.h"
#include "platform/RegistryStore.h"

#include <filesystem>
#include <functional>
#include <mutex>

namespace qr::platform {

// Environment variable naming the store file (tests and side-by-side installs).
inline constexpr const char* kRegistryPathVariable = "QUARRIXDALE_REGISTRY";

// $QUARRIXDALE_REGISTRY, else $XDG_CONFIG_HOME/quarrixdale/registry, else
// ~/.config/quarrixdale/registry.
std::filesystem::path defaultRegistryPath();

class FileRegistryStore final : public RegistryStore {
public:
    explicit FileRegistryStore(std::filesystem::path file = defaultRegistryPath());

    bool keyExists(RegistryRoot root, const std::string& key) override;
    bool createKey(RegistryRoot root, const std::string& key) override;
    bool deleteKey(RegistryRoot root, const std::string& key) override;
    bool deleteValue(RegistryRoot root, const std::string& key,
                     const std::string& valueName) override;
    std::optional<std::string> value(RegistryRoot root, const std::string& key,
                                     const std::string& valueName) override;
    bool setValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                  const std::string& value) override;

    const std::filesystem::path& file() const { return file_; }

    // Runs `fn` on the current contents under an exclusive lock and writes the result
    // back in one replacement when `fn` returns true (many values at the cost of one
    // write). False when `fn` declines or the store cannot be locked or written.
    bool change(const std::function<bool(RegistryData&)>& fn);

private:
    // Runs `fn` on the current contents under a shared lock.
    template <typename R> R inspect(const std::function<R(const RegistryData&)>& fn);

    std::filesystem::path file_;
    std::mutex mutex_; // one operation at a time within this process
};

} // namespace qr::platform
