#pragma once
// Help, the web site, a report or the directory list handed to the desktop's opener;
// when it finds no program for them the user is told, rather than nothing happening.
#include <string>

namespace qr::app {

struct RecoveryContext;

// The message shown when the desktop has no program for `target`.
std::string NoProgramMessage(const std::string& target);

// Opens `target`; false after telling the user when no program took it.
bool OpenOnDesktop(RecoveryContext& context, const std::string& target);

} // namespace qr::app
