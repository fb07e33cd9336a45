#include "setup/Installation.h"

#include "setup/DesktopEntry.h"
#include "setup/FileCopy.h"
#include "setup/InstallManifest.h"
#include "setup/InstallerFiles.h"

#include <filesystem>

namespace qr::setup {

namespace {

namespace fs = std::filesystem;

constexpr std::chrono::milliseconds kStepPause{200};

// Creates `folder` and any missing parents, noting each level made here.
void makeFolder(const fs::path& folder, std::vector<std::string>& made) {
    std::error_code ec;
    if (folder.empty() || fs::is_directory(folder, ec))
        return;
    makeFolder(folder.parent_path(), made);
    if (fs::create_directory(folder, ec))
        made.push_back(folder.string());
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    return path;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

} // namespace

std::vector<Shortcut> ShortcutsFor(const std::string& destination,
                                   const std::string& programsFolder,
                                   const std::string& desktopFolder) {
    const std::string group = GroupFolder(programsFolder);
    const std::string program = destination + "/" + kInstalledFiles[kProgramFile];
    const std::string link = kProgramName + ".desktop";
    return {
        {program, link, group, kProgramName, true, false},
        {program, link, desktopFolder, kProgramName, true, false},
        {destination + "/" + kInstalledFiles[kHelpFile], "Help.desktop", group, "Help", false,
         false},
        {destination + "/" + kInstalledFiles[kUninstallFile], "Uninstall (Evaluation).desktop",
         group, "Uninstall " + kProgramName, true, true},
    };
}

InstallResult Install(const InstallRequest& request) {
    InstallResult result;
    auto pause = [&] {
        if (request.pause)
            request.pause(kStepPause);
    };
    auto progress = [&](int percent) {
        if (request.progress)
            request.progress(percent);
    };
    std::error_code ec;
    const fs::path source = fs::absolute(request.sourceFolder, ec);
    result.destination =
        withoutTrailingSlash(fs::absolute(DestinationFolder(request.basePath), ec).string());
    makeFolder(result.destination, result.madeFolders);

    if (request.registry)
        result.registryWritten = request.registry->setValue(
            platform::RegistryRoot::ClassesRoot, kInstallKey, kInstallValue, result.destination);

    for (std::size_t i = 0; i < kFileCount; ++i) {
        pause();
        const std::string from = (source / kInstalledFiles[i]).string();
        const std::string to = result.destination + "/" + kInstalledFiles[i];
        progress(static_cast<int>((i + 1) * 100 / kFileCount));
        // Run from the installation folder itself: the file is already in place.
        result.copied[i] = sameFile(from, to) || CopyOver(from, to);
        if (!result.copied[i] && request.messages)
            request.messages->ask(kCopyFailedPrefix + kInstalledFiles[i], kSetupCaption,
                                  platform::MessageIcon::Error, platform::MessageButtons::Ok);
    }

    for (const Shortcut& shortcut :
         ShortcutsFor(result.destination, request.programsFolder, request.desktopFolder)) {
        makeFolder(shortcut.folder, result.madeFolders);
        if (WriteShortcut(shortcut))
            result.shortcuts.push_back(shortcut.folder + "/" + shortcut.linkName);
    }

    InstallManifest manifest;
    manifest.destination = result.destination;
    manifest.registryFile = request.registryFile;
    manifest.registryWritten = result.registryWritten;
    manifest.folders = result.madeFolders;
    for (std::size_t i = 0; i < kFileCount; ++i)
        if (result.copied[i])
            manifest.files.push_back(result.destination + "/" + kInstalledFiles[i]);
    manifest.shortcuts = result.shortcuts;
    WriteManifest(manifest);

    for (int i = 0; i <= 6; ++i) {
        progress(i * 100 / 6);
        pause();
    }

    // A source goes only when its copy is in place, byte for byte: a failed copy never
    // takes the only copy with it.
    for (std::size_t i = 0; i < kFileCount; ++i) {
        const std::string from = (source / kInstalledFiles[i]).string();
        const std::string to = result.destination + "/" + kInstalledFiles[i];
        if (!result.copied[i] || sameFile(from, to) || !SameContents(from, to))
            continue;
        fs::permissions(from, fs::perms::owner_write, fs::perm_options::add, ec);
        result.sourceRemoved[i] = fs::remove(from, ec);
    }
    return result;
}

} // namespace qr::setup
