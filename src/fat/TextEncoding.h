#pragma once
// Character sets of FAT names: code page 437 for short names, UTF-16 for long ones,
// both turned into UTF-8.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qr::fat {

// Appends the UTF-8 form of `codePoint`.
void AppendUtf8(std::string& out, char32_t codePoint);

// Short-name bytes (code page 437) as UTF-8; bytes below 0x80 stay as they are.
std::string Cp437ToUtf8(std::string_view bytes);

// UTF-16 code units as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(std::span<const std::uint16_t> units);

} // namespace qr::fat
