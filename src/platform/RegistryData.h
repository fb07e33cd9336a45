#pragma once
// The contents of a registry store in memory: keys (by path under a root) with named
// string values, and their text form. Key paths and value names compare without
// regard to ASCII case, as the classic registry does; the first spelling is kept.
#include "platform/RegistryStore.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace qr::platform {

class RegistryData {
public:
    bool keyExists(RegistryRoot root, const std::string& key) const;
    void createKey(RegistryRoot root, const std::string& key);
    // Deletes a key with its values. A key that still has subkeys is not deleted, so
    // deleting a parent never takes another owner's subkey with it.
    bool deleteKey(RegistryRoot root, const std::string& key);
    bool deleteValue(RegistryRoot root, const std::string& key, const std::string& valueName);
    std::optional<std::string> value(RegistryRoot root, const std::string& key,
                                     const std::string& valueName) const;
    void setValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                  const std::string& value);

    // The text form: a header line, then per key a "[ROOT\path]" line followed by
    // "\"name\"=\"value\"" lines with backslash escapes. Lines that do not parse are
    // skipped; a text without the header reads as an empty store.
    std::string serialize() const;
    static RegistryData parse(std::string_view text);

    // Takes every key and value of `other` that this one lacks; its own values win.
    void addMissing(const RegistryData& other);

    bool operator==(const RegistryData&) const = default;

private:
    struct Value {
        std::string name;
        std::string text;
        bool operator==(const Value&) const = default;
    };
    struct Key {
        RegistryRoot root = RegistryRoot::ClassesRoot;
        std::string path; // as first spelled, without leading or trailing backslashes
        std::map<std::string, Value> values; // by lower-case name
        bool operator==(const Key&) const = default;
    };

    static std::string idOf(RegistryRoot root, std::string_view key);
    const Key* find(RegistryRoot root, const std::string& key) const;
    Key& ensure(RegistryRoot root, std::string_view key);

    std::map<std::string, Key> keys_; // by root prefix + lower-case path
};

// Cleans a key path: backslashes at either end are dropped, runs of them collapse.
std::string normalizeKeyPath(std::string_view key);

// A registry store whose contents are a RegistryData reached through two hooks: every
// operation is one look or one change of the whole contents.
class RegistryDataStore : public RegistryStore {
public:
    bool keyExists(RegistryRoot root, const std::string& key) override;
    bool createKey(RegistryRoot root, const std::string& key) override;
    bool deleteKey(RegistryRoot root, const std::string& key) override;
    bool deleteValue(RegistryRoot root, const std::string& key,
                     const std::string& valueName) override;
    std::optional<std::string> value(RegistryRoot root, const std::string& key,
                                     const std::string& valueName) override;
    bool setValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                  const std::string& value) override;

    // Runs `fn` on the contents; false when they cannot be read.
    virtual bool inspect(const std::function<void(const RegistryData&)>& fn) = 0;
    // Runs `fn` on the contents and keeps its changes when it returns true, all at once;
    // false when `fn` declines or the change cannot be kept.
    virtual bool change(const std::function<bool(RegistryData&)>& fn) = 0;
};

// A store that lives only in memory (tests, and runs that must not touch the disk).
// Safe to use from several threads.
class MemoryRegistryStore final : public RegistryDataStore {
public:
    bool inspect(const std::function<void(const RegistryData&)>& fn) override;
    bool change(const std::function<bool(RegistryData&)>& fn) override;

private:
    std::mutex mutex_;
    RegistryData data_;
};

} // namespace qr::platform
