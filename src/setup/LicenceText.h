#pragma once
// The end-user licence shown on the installer's second page, line by line.
#include <string>
#include <vector>

namespace qr::setup {

const std::vector<std::string>& LicenceLines();

} // namespace qr::setup
