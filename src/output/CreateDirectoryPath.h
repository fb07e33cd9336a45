#pragma once
#include <string>

namespace qr::output {

// Creates every missing folder along `path` ("/"-separated). A folder that exists or
// cannot be made is passed over; true when the whole path is a folder afterwards.
bool CreateDirectoryPath(const std::string& path);

} // namespace qr::output
