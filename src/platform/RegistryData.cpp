#include "platform/RegistryData.h"

#include <cctype>

namespace qr::platform {

namespace {

constexpr std::string_view kHeader = "; Quarrixdale registry 1";

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view rootName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CLASSES_ROOT";
}

std::optional<RegistryRoot> rootFromName(std::string_view name) {
    if (name == "HKEY_CLASSES_ROOT")
        return RegistryRoot::ClassesRoot;
    if (name == "HKEY_LOCAL_MACHINE")
        return RegistryRoot::LocalMachine;
    return std::nullopt;
}

void appendQuoted(std::string& out, std::string_view text) {
    static const char* hex = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at `pos`; moves `pos` past the closing quote.
std::optional<std::string> readQuoted(std::string_view line, std::size_t& pos) {
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size())
            return std::nullopt;
        if (line[pos] == 'x') {
            if (pos + 2 >= line.size())
                return std::nullopt;
            int hi = hexDigit(line[pos + 1]), lo = hexDigit(line[pos + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            pos += 2;
        } else {
            out += line[pos];
        }
    }
    return std::nullopt; // no closing quote
}

} // namespace

std::string normalizeKeyPath(std::string_view key) {
    std::string out;
    for (char c : key) {
        if (c == '\\' && (out.empty() || out.back() == '\\'))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

std::string RegistryData::idOf(RegistryRoot root, std::string_view key) {
    return std::string(rootName(root)) + '\\' + lower(normalizeKeyPath(key));
}

const RegistryData::Key* RegistryData::find(RegistryRoot root, const std::string& key) const {
    auto it = keys_.find(idOf(root, key));
    return it == keys_.end() ? nullptr : &it->second;
}

RegistryData::Key& RegistryData::ensure(RegistryRoot root, std::string_view key) {
    const std::string path = normalizeKeyPath(key);
    // Parents exist whenever a child does, as in the classic registry.
    for (std::size_t cut = path.find('\\'); cut != std::string::npos;
         cut = path.find('\\', cut + 1))
        ensure(root, path.substr(0, cut));
    auto [it, added] = keys_.try_emplace(idOf(root, path));
    if (added) {
        it->second.root = root;
        it->second.path = path;
    }
    return it->second;
}

bool RegistryData::keyExists(RegistryRoot root, const std::string& key) const {
    return find(root, key) != nullptr;
}

void RegistryData::createKey(RegistryRoot root, const std::string& key) {
    ensure(root, key);
}

bool RegistryData::deleteKey(RegistryRoot root, const std::string& key) {
    const std::string id = idOf(root, key);
    auto it = keys_.find(id);
    if (it == keys_.end() || normalizeKeyPath(key).empty())
        return false;
    const std::string childPrefix = id + '\\';
    auto child = keys_.lower_bound(childPrefix);
    if (child != keys_.end() && child->first.starts_with(childPrefix))
        return false; // has subkeys
    keys_.erase(it);
    return true;
}

bool RegistryData::deleteValue(RegistryRoot root, const std::string& key,
                               const std::string& valueName) {
    auto it = keys_.find(idOf(root, key));
    return it != keys_.end() && it->second.values.erase(lower(valueName)) > 0;
}

std::optional<std::string> RegistryData::value(RegistryRoot root, const std::string& key,
                                               const std::string& valueName) const {
    const Key* entry = find(root, key);
    if (!entry)
        return std::nullopt;
    auto it = entry->values.find(lower(valueName));
    if (it == entry->values.end())
        return std::nullopt;
    return it->second.text;
}

void RegistryData::setValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                            const std::string& value) {
    Key& entry = ensure(root, key);
    auto [it, added] = entry.values.try_emplace(lower(valueName));
    if (added)
        it->second.name = valueName;
    it->second.text = value;
}

void RegistryData::addMissing(const RegistryData& other) {
    for (const auto& [id, key] : other.keys_) {
        Key& own = keys_.try_emplace(id, Key{key.root, key.path, {}}).first->second;
        for (const auto& [name, value] : key.values)
            own.values.try_emplace(name, value);
    }
}

std::string RegistryData::serialize() const {
    std::string out(kHeader);
    out += '\n';
    for (const auto& [id, key] : keys_) {
        out += "\n[";
        out += rootName(key.root);
        if (!key.path.empty())
            out += '\\' + key.path;
        out += "]\n";
        for (const auto& [lowerName, v] : key.values) {
            appendQuoted(out, v.name);
            out += '=';
            appendQuoted(out, v.text);
            out += '\n';
        }
    }
    return out;
}

RegistryData RegistryData::parse(std::string_view text) {
    RegistryData data;
    std::size_t lineEnd = text.find('\n');
    if (text.substr(0, lineEnd) != kHeader)
        return data; // not a file of ours: empty
    Key* current = nullptr;
    while (lineEnd != std::string_view::npos) {
        const std::size_t start = lineEnd + 1;
        lineEnd = text.find('\n', start);
        std::string_view line = text.substr(
            start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            std::string_view full = line.substr(1, line.size() - 2);
            const std::size_t cut = full.find('\\');
            std::optional<RegistryRoot> root = rootFromName(full.substr(0, cut));
            current =
                root ? &data.ensure(*root, cut == std::string_view::npos ? std::string_view()
                                                                         : full.substr(cut + 1))
                     : nullptr;
            continue;
        }
        std::size_t pos = 0;
        std::optional<std::string> name = readQuoted(line, pos);
        if (!current || !name || pos >= line.size() || line[pos] != '=')
            continue;
        ++pos;
        std::optional<std::string> value = readQuoted(line, pos);
        if (!value || pos != line.size())
            continue;
        auto [it, added] = current->values.try_emplace(lower(*name));
        if (added)
            it->second.name = *name;
        it->second.text = *value;
    }
    return data;
}

bool RegistryDataStore::keyExists(RegistryRoot root, const std::string& key) {
    bool exists = false;
    inspect([&](const RegistryData& d) { exists = d.keyExists(root, key); });
    return exists;
}

bool RegistryDataStore::createKey(RegistryRoot root, const std::string& key) {
    return change([&](RegistryData& d) {
        d.createKey(root, key);
        return true;
    });
}

bool RegistryDataStore::deleteKey(RegistryRoot root, const std::string& key) {
    return change([&](RegistryData& d) { return d.deleteKey(root, key); });
}

bool RegistryDataStore::deleteValue(RegistryRoot root, const std::string& key,
                                    const std::string& valueName) {
    return change([&](RegistryData& d) { return d.deleteValue(root, key, valueName); });
}

std::optional<std::string> RegistryDataStore::value(RegistryRoot root, const std::string& key,
                                                    const std::string& valueName) {
    std::optional<std::string> text;
    inspect([&](const RegistryData& d) { text = d.value(root, key, valueName); });
    return text;
}

bool RegistryDataStore::setValue(RegistryRoot root, const std::string& key,
                                 const std::string& valueName, const std::string& value) {
    return change([&](RegistryData& d) {
        d.setValue(root, key, valueName, value);
        return true;
    });
}

bool MemoryRegistryStore::inspect(const std::function<void(const RegistryData&)>& fn) {
    std::lock_guard lock(mutex_);
    fn(data_);
    return true;
}

bool MemoryRegistryStore::change(const std::function<bool(RegistryData&)>& fn) {
    std::lock_guard lock(mutex_);
    RegistryData copy = data_;
    if (!fn(copy))
        return false;
    data_ = std::move(copy);
    return true;
}

} // namespace qr::platform
