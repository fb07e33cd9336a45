#include "platform/RegistryStore.h"

namespace qr::platform {

std::string ReadRegistryString(RegistryStore& store, RegistryRoot root, const std::string& key,
                               const std::string& valueName) {
    std::optional<std::string> text = store.value(root, key, valueName);
    if (!text)
        return {};
    // Stored without a terminator; a reader's 260-byte buffer keeps 259 characters.
    std::string result = text->substr(0, kRegistryBuffer - 1);
    if (auto nul = result.find('\0'); nul != std::string::npos)
        result.resize(nul);
    return result;
}

void SetRegistryString(RegistryStore& store, RegistryRoot root, const std::string& key,
                       const std::string& valueName, const std::string& value) {
    store.setValue(root, key, valueName, value);
}

} // namespace qr::platform
