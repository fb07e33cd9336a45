#pragma once
// Shortcuts as freedesktop.org desktop entries: a program launcher or a link to a
// document, written with the escapes the format asks for.
#include <string>

namespace qr::setup {

struct Shortcut {
    std::string target;      // the installed file the shortcut opens
    std::string linkName;    // file name of the entry, ".desktop" included
    std::string folder;      // where the entry is written
    std::string description; // its Name and Comment
    bool program = true;     // launches `target`; else opens it as a document
    bool terminal = false;   // the program talks on a terminal
};

// The entry's text. The working directory is the folder holding the entry.
std::string DesktopEntryText(const Shortcut& shortcut);

// Writes folder + "/" + linkName (replacing an older one), executable so desktops
// trust it as a launcher. False on any failure; nothing half-written is left.
bool WriteShortcut(const Shortcut& shortcut);

// `path` quoted for an Exec line (reserved characters escaped, then the string escape).
std::string ExecQuoted(const std::string& path);
// `path` as a file:// address.
std::string FileUrl(const std::string& path);

} // namespace qr::setup
