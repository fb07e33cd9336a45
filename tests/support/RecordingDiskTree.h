#pragma once
// A disk tree view that records what the listing told it, for the listing tests.
#include "disk/DiskListing.h"

#include <string>
#include <vector>

namespace qr::test {

class RecordingDiskTree final : public disk::DiskTreeView {
public:
    void addRoot() override { calls.push_back("root"); }
    void addDisk(const std::string& label) override {
        calls.push_back(label);
        disks.push_back(label);
    }
    void expandRoot() override { calls.push_back("expand"); }

    std::vector<std::string> calls; // "root", each disk's label, "expand", in order
    std::vector<std::string> disks; // the disks' labels only
};

} // namespace qr::test
