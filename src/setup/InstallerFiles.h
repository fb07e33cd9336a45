#pragma once
// What the installer puts where: the program files in copy order, the folder
// names, the shortcuts and the installer's own texts.
#include <array>
#include <string>

namespace qr::setup {

inline const std::string kSetupCaption = "Quarrixdale Recovery (Evaluation) - Memory Card Setup";
inline const std::string kProgramName = "Quarrixdale Recovery (Evaluation) - Memory Card";
inline const std::string kProductFolder = "QuarrixdaleRecovery (Evaluation)";
inline const std::string kEditionFolder = "Memory Card";
inline const std::string kGroupProductFolder = "Quarrixdale Recovery (Evaluation)";

inline const std::string kInstallKey = "Quarrixdale-Memory Card";
inline const std::string kInstallValue = "InstallationPath";

// The installed file set; one table drives the copies, their failure messages and the
// removal of the sources. The last two serve the 'F' family, which starts the media
// probe and loads the disk library from the installation folder.
inline constexpr std::size_t kFileCount = 10;
inline const std::array<std::string, kFileCount> kInstalledFiles = {
    kProgramName,      // the recovery program
    "Quarrixdale-HDD", // the disk-detection program
    "Quarrixdale.so",  // the disk back-end library
    "help.txt",        //
    "Help.chm",        // the help the program's Help command opens
    "ReadMe.txt",      //
    "Uninstall",       // removes what the installer made
    "RemoveUninstall", // its last step: removes the uninstaller itself
    "NoDisk",          // the media probe
    "libdisk32.so",    // the BIOS-unit disk library
};
inline constexpr std::size_t kProgramFile = 0;
inline constexpr std::size_t kHelpFile = 4;
inline constexpr std::size_t kUninstallFile = 6;

// Written beside the installed files: what this installation made, for the uninstaller.
inline const std::string kManifestName = "Uninstall.dat";

// Messages.
inline const std::string kCopyFailedPrefix =
    "Quarrixdale Recovery (Evaluation) - Memory Card Setup Fails to Find ";
inline const std::string kRemovableDrive =
    "The Drive you selected does not exist or not accessable.";
inline const std::string kNoDriveText = "Enter Correct Fixed Drive Letter";
inline const std::string kNoDriveCaption = " INVALID Fixed Drive Letter";

// `basePath` joined with the product and edition folders: no separator is added
// after a base that already ends with one (the file-system root), and a base that
// already names the product folder gets no second one.
std::string DestinationFolder(const std::string& basePath);
// The product folder under `basePath`, by the same rules.
std::string ProductFolder(const std::string& basePath);
// The folder holding the files to install: the current folder, or the installer's own
// folder when only that one holds the program (started from a file manager, whose
// current folder is elsewhere).
std::string SourceFolder(const std::string& current, const std::string& ownFolder);

// Programs + "/Quarrixdale Recovery (Evaluation)/Memory Card".
std::string GroupFolder(const std::string& programsFolder);

} // namespace qr::setup
