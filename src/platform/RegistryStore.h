#pragma once
// Named string values under key paths, in the shape of the classic registry
// (root, key path such as "Quarrixdale Removal Media\Size", value name such as "Disk0").
#include <optional>
#include <string>
#include <vector>

namespace qr::platform {

enum class RegistryRoot { ClassesRoot, LocalMachine };

// Values are read into a buffer of this size, so at most 259 characters come back.
inline constexpr std::size_t kRegistryBuffer = 260;

class RegistryStore {
public:
    virtual ~RegistryStore() = default;
    virtual bool keyExists(RegistryRoot root, const std::string& key) = 0;
    // Creates the key (and its parents); false when it cannot be created.
    virtual bool createKey(RegistryRoot root, const std::string& key) = 0;
    // Deletes the key with its values; false when it did not exist or cannot be deleted.
    virtual bool deleteKey(RegistryRoot root, const std::string& key) = 0;
    virtual bool deleteValue(RegistryRoot root, const std::string& key,
                             const std::string& valueName) = 0;
    // nullopt when the key or value is missing.
    virtual std::optional<std::string> value(RegistryRoot root, const std::string& key,
                                             const std::string& valueName) = 0;
    // Creates the key when needed and stores the value; false on failure.
    virtual bool setValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                          const std::string& value) = 0;
};

// The classic helpers: a missing key or value reads as empty; results of the write
// are ignored by callers.
std::string ReadRegistryString(RegistryStore& store, RegistryRoot root, const std::string& key,
                               const std::string& valueName);
void SetRegistryString(RegistryStore& store, RegistryRoot root, const std::string& key,
                       const std::string& valueName, const std::string& value);

} // namespace qr::platform
