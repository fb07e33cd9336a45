#include "output/NameText.h"

namespace qr::output {

namespace {

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

} // namespace

std::string EscapeListedName(const std::string& name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (isControl(c)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else
            out += ch;
    }
    return out;
}

std::string VisibleControlMarks(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (!isControl(c)) {
            out += ch;
            continue;
        }
        // U+2400 + c (U+2421 for DEL): E2 90 80+c in UTF-8.
        const unsigned mark = c == 0x7F ? 0x21 : c;
        out += static_cast<char>(0xE2);
        out += static_cast<char>(0x90);
        out += static_cast<char>(0x80 + mark);
    }
    return out;
}

} // namespace qr::output
