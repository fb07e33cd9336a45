#pragma once
// A file sink that keeps what an engine extracts in a string.
#include "volume/FileSink.h"

#include <string>

namespace qr::test {

struct StringSink final : volume::FileSink {
    bool write(disk::ByteView bytes) override {
        data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    }
    bool interrupted() override { return false; }
    void unreadable(std::uint64_t, std::uint64_t) override {}
    std::string data;
};

} // namespace qr::test
