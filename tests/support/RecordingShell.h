#pragma once
// A desktop opener that records what it was asked to open, for the wizard tests.
#include "platform/Programs.h"

#include <string>
#include <vector>

namespace qr::test {

class RecordingShell final : public platform::ShellOpener {
public:
    bool open(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    std::vector<std::string> opened;
};

} // namespace qr::test
