#include "platform/PlatformChoice.h"

#include <cstdlib>

namespace qr::platform {

char ChosenPlatformFamily() {
    const char* value = std::getenv(kPlatformVariable);
    return value && (std::string(value) == "F" || std::string(value) == "f") ? 'F' : 'N';
}

bool ChoosePlatformFamily(const std::string& letter) {
    if (letter != "F" && letter != "f" && letter != "N" && letter != "n")
        return false;
    const std::string upper = letter == "f" || letter == "F" ? "F" : "N";
    return ::setenv(kPlatformVariable, upper.c_str(), 1) == 0;
}

} // namespace qr::platform
