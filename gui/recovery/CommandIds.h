#pragma once
// Identifiers of the main window's menu commands and of the image buttons that only
// the window itself handles. Items that engines write to are in app/WindowItems.h.
#include "app/WindowItems.h"

namespace qr::gui {

namespace command {
// Options menu.
inline constexpr int kSelectAll = app::item::kMenuSelectAll; // "Select &All files"
inline constexpr int kSave = app::item::kMenuSave;           // "&Save "
inline constexpr int kSaveSettings = 32838;
inline constexpr int kSaveLog = app::item::kMenuSaveLog;
inline constexpr int kLoadLog = app::item::kMenuLoadLog;
inline constexpr int kAddDiskImage = 32900;
inline constexpr int kCreateDiskImage = 32901;
inline constexpr int kExit = 57665;
// Maintenance menu.
inline constexpr int kUpdate = 32835;
inline constexpr int kViewReport = 32844;
inline constexpr int kPrintReport = 32845;
inline constexpr int kEmailReport = 32846;
inline constexpr int kClearReports = 32850;
inline constexpr int kDirectoryListView = 32852;
inline constexpr int kDirectoryListPrint = 32853;
// Support menu.
inline constexpr int kSupportOnline = 32847;
inline constexpr int kSupportEmail = 32848;
inline constexpr int kSupportTelephone = 32849;
// Help menu.
inline constexpr int kHelpContents = 32802;
inline constexpr int kBalloonHelp = 32851;
inline constexpr int kAbout = 40003;
// The one item of the file list's and the tree's context menu.
inline constexpr int kContextSave = 32830;
} // namespace command

namespace button {
inline constexpr int kHelp = 1020;
inline constexpr int kExit = 1021;
inline constexpr int kWebSite = 1158;
inline constexpr int kAboutUs = 1159;
inline constexpr int kAnimation = 1157;       // the activity picture beside the buttons
inline constexpr int kHiddenSelectAll = 1017; // out of sight; runs "Select &All files"
inline constexpr int kHiddenSpare = 1018;     // out of sight; does nothing
inline constexpr int kCreateDiskImage = 1161; // the disk step's "Create Disk Image..."
} // namespace button

} // namespace qr::gui
