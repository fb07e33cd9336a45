#include "setup/DesktopEntry.h"

#include "setup/FileCopy.h"

namespace qr::setup {

namespace {

// A string value may not hold line breaks or tabs; backslashes are escaped.
std::string stringValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string ExecQuoted(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%'; // a field code otherwise
        quoted += c;
    }
    quoted += '"';
    return stringValue(quoted);
}

std::string FileUrl(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += c;
        } else {
            url += '%';
            url += hex[u >> 4];
            url += hex[u & 15];
        }
    }
    return url;
}

std::string DesktopEntryText(const Shortcut& s) {
    // The entry is named as the link; the description is its comment.
    std::string name = s.linkName;
    if (name.ends_with(".desktop"))
        name.resize(name.size() - 8);
    std::string text = "[Desktop Entry]\n";
    text += "Version=1.0\n";
    text += s.program ? "Type=Application\n" : "Type=Link\n";
    text += "Name=" + stringValue(name) + "\n";
    if (s.description != name)
        text += "Comment=" + stringValue(s.description) + "\n";
    if (s.program) {
        text += "Exec=" + ExecQuoted(s.target) + "\n";
        text += "Path=" + stringValue(s.folder) + "\n";
        text += "Icon=drive-removable-media\n";
        text += std::string("Terminal=") + (s.terminal ? "true" : "false") + "\n";
        text += "Categories=Utility;\n";
    } else {
        text += "URL=" + stringValue(FileUrl(s.target)) + "\n";
        text += "Icon=help-browser\n";
    }
    return text;
}

bool WriteShortcut(const Shortcut& s) {
    return WriteFileReplacing(s.folder + "/" + s.linkName, DesktopEntryText(s), 0755);
}

} // namespace qr::setup
