#pragma once
// Log bytes assembled by hand, field by field, for the format tests.
#include <cstdint>
#include <string>
#include <vector>

namespace qr::test {

class LogBytes {
public:
    LogBytes& u8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    LogBytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return *this;
    }
    LogBytes& u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return *this;
    }
    LogBytes& text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    // The fixed part up to the folder count: title, model, four bytes of search
    // fields, the three short strings, the range and both layouts (1..12 and 101..112).
    LogBytes& head(const std::string& model, const std::string& fileSystem,
                   const std::string& caption = "Standard Search") {
        text("Quarrixdale Recovery-Memory Card");
        u32(static_cast<std::uint32_t>(model.size())).text(model);
        u8(2).u8(3).u8(4).u8(5);
        u8(static_cast<std::uint8_t>(fileSystem.size())).text(fileSystem);
        u8(static_cast<std::uint8_t>(caption.size())).text(caption);
        u64(0x1122334455667788ull).u64(0x99AABBCCDDEEFF00ull);
        for (std::uint32_t i = 1; i <= 12; ++i)
            u32(i);
        for (std::uint32_t i = 101; i <= 112; ++i)
            u32(i);
        u8(static_cast<std::uint8_t>(fileSystem.size())).text(fileSystem);
        return *this;
    }
    LogBytes& folder(const std::string& name, std::uint32_t self, std::uint32_t parent,
                     std::uint64_t date, std::uint64_t time, std::uint8_t deleted) {
        u32(static_cast<std::uint32_t>(name.size() + 25)).text(name);
        return u32(self).u32(parent).u64(date).u64(time).u8(deleted);
    }
    LogBytes& file(const std::string& name, std::uint32_t sector, std::uint32_t self,
                   std::uint32_t parent, std::uint64_t date, std::uint32_t size,
                   std::uint32_t deleted) {
        u32(static_cast<std::uint32_t>(name.size())).text(name);
        return u32(sector).u32(self).u32(parent).u64(date).u32(size).u32(deleted);
    }

    std::vector<unsigned char> bytes;
};

} // namespace qr::test
