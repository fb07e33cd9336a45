#include "setup/InstallManifest.h"

#include "platform/FileRegistryStore.h"
#include "setup/FileCopy.h"
#include "setup/InstallerFiles.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qr::setup {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "; Quarrixdale installation 1";
constexpr std::size_t kMaxManifestBytes = 1 << 20;

bool validLine(const std::string& text) {
    return text.find('\n') == std::string::npos && text.find('\r') == std::string::npos;
}

// `path` names an entry directly inside `folder`.
bool directlyInside(const fs::path& path, const fs::path& folder) {
    return path.is_absolute() && path.lexically_normal().parent_path() == folder.lexically_normal();
}

// A desktop entry under one of the names the installer gives its shortcuts.
bool isOurShortcut(const std::string& path) {
    const fs::path p(path);
    const std::string name = p.filename().string();
    return p.is_absolute() && (name == kProgramName + ".desktop" || name == "Help.desktop" ||
                               name == "Uninstall (Evaluation).desktop");
}

} // namespace

std::string ManifestText(const InstallManifest& m) {
    std::string text(kHeader);
    text += "\n";
    auto line = [&](const char* name, const std::string& value) {
        if (validLine(value))
            text += std::string(name) + "=" + value + "\n";
    };
    line("destination", m.destination);
    line("registry", m.registryFile);
    line("registry-written", m.registryWritten ? "1" : "0");
    for (const std::string& f : m.folders)
        line("folder", f);
    for (const std::string& f : m.files)
        line("file", f);
    for (const std::string& s : m.shortcuts)
        line("shortcut", s);
    return text;
}

std::optional<InstallManifest> ParseManifest(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader)
        return std::nullopt;
    InstallManifest m;
    while (std::getline(lines, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = line.substr(0, eq), value = line.substr(eq + 1);
        if (name == "destination")
            m.destination = value;
        else if (name == "registry")
            m.registryFile = value;
        else if (name == "registry-written")
            m.registryWritten = value == "1";
        else if (name == "folder")
            m.folders.push_back(value);
        else if (name == "file")
            m.files.push_back(value);
        else if (name == "shortcut")
            m.shortcuts.push_back(value);
    }
    return m;
}

bool WriteManifest(const InstallManifest& m) {
    return WriteFileReplacing(m.destination + "/" + kManifestName, ManifestText(m), 0644);
}

std::optional<InstallManifest> ReadManifest(const std::string& installFolder) {
    std::ifstream in(installFolder + "/" + kManifestName, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(kMaxManifestBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ParseManifest(text);
}

std::optional<UninstallResult> Uninstall(const std::string& installFolder) {
    std::optional<InstallManifest> m = ReadManifest(installFolder);
    if (!m)
        return std::nullopt;
    std::error_code ec;
    const fs::path folder = fs::absolute(installFolder, ec).lexically_normal();
    UninstallResult result;
    auto removeFile = [&](const std::string& path, bool allowed) {
        fs::file_status st = fs::symlink_status(path, ec);
        if (!allowed || !fs::is_regular_file(st)) {
            result.kept.push_back(path);
            return;
        }
        (fs::remove(path, ec) ? result.removed : result.kept).push_back(path);
    };

    if (m->registryWritten && !m->registryFile.empty()) {
        platform::FileRegistryStore store(m->registryFile);
        // Only while the value still names this folder: a later installation elsewhere
        // keeps its own.
        const auto value =
            store.value(platform::RegistryRoot::ClassesRoot, kInstallKey, kInstallValue);
        if (value && fs::path(*value).lexically_normal() == folder)
            result.registryValueRemoved =
                store.deleteValue(platform::RegistryRoot::ClassesRoot, kInstallKey, kInstallValue);
    }
    for (const std::string& s : m->shortcuts)
        removeFile(s, isOurShortcut(s));
    for (const std::string& f : m->files)
        removeFile(f, directlyInside(f, folder));
    removeFile((folder / kManifestName).string(), true);
    // Folders on the way to the installation folder or to a shortcut only, and empty
    // ones only: what the user put there stays.
    std::vector<fs::path> ends = {folder};
    for (const std::string& s : m->shortcuts)
        if (isOurShortcut(s))
            ends.push_back(fs::path(s).lexically_normal().parent_path());
    auto onTheWay = [&](const fs::path& candidate) {
        const fs::path c = candidate.lexically_normal();
        for (const fs::path& end : ends)
            if (c.is_absolute() && end.string().starts_with(c.string()) &&
                (end == c || end.string()[c.string().size()] == '/'))
                return true;
        return false;
    };
    for (auto it = m->folders.rbegin(); it != m->folders.rend(); ++it) {
        if (onTheWay(*it) && fs::is_directory(*it, ec) && fs::is_empty(*it, ec) &&
            fs::remove(*it, ec))
            result.removed.push_back(*it);
        else
            result.kept.push_back(*it);
    }
    return result;
}

} // namespace qr::setup
