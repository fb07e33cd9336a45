#pragma once
// What the engines may do to the main window, addressed by the window's item
// numbers. The GUI implements it on its own thread; the CLI and tests record it.
#include <cstdint>
#include <string>

namespace qr::app {

// Item numbers of the main window that engines write to or show/hide.
namespace item {
inline constexpr int kStatusLine = 1160;      // instructions to the user
inline constexpr int kProgressCaption = 1047; // what a search is doing
inline constexpr int kProgressBar = 1046;     // drawn percentage
inline constexpr int kPartitionType = 1030;   // selector: 0 FAT16, 1 FAT32, 2 NTFS, 3 none, 4 exFAT
inline constexpr int kPartitionTypeLabel = 1031;
inline constexpr int kStartSector = 1036;
inline constexpr int kEndSector = 1037;
inline constexpr int kStartSectorLabel = 1038;
inline constexpr int kEndSectorLabel = 1039;
inline constexpr int kModeCaption = 1043;
inline constexpr int kFolderField = 1005; // "Path for Log File : "
inline constexpr int kNext = 1002;
inline constexpr int kBack = 1000;

// Wizard window: buttons, menu commands, panels and the search view.
inline constexpr int kFileList = 1001;
inline constexpr int kQuickMode = 1027;
inline constexpr int kAdvancedMode = 1028;
inline constexpr int kRawMode = 1029;
inline constexpr int kLoadLogButton = 1014;
inline constexpr int kSaveButton = 1016;
inline constexpr int kSaveLogButton = 1134;
inline constexpr int kSearchPartition = 1011;     // "Search More Partitions"
inline constexpr int kStopSearchPartition = 1153; // "Stop Search Partition"
inline constexpr int kStopSearch = 1065;          // "&Stop Searching"
inline constexpr int kEntireDisk = 1081;
inline constexpr int kSectorRange = 1082;
inline constexpr int kRawStart = 1083;
inline constexpr int kRawEnd = 1084;
inline constexpr int kRawStartLabel = 1085;
inline constexpr int kRawEndLabel = 1086;
inline constexpr int kResultList = 1092;   // raw mode "Files Recovered"
inline constexpr int kFileTypeList = 1093; // raw mode file types
inline constexpr int kStartRecovery = 1094;
inline constexpr int kRawProgress = 1095;
inline constexpr int kRawMetadataNames = 1096; // raw mode: names from dates and titles
inline constexpr int kRawEveryKind = 1097;     // raw mode: every kind listed
inline constexpr int kMenuSelectAll = 32777;
inline constexpr int kMenuSave = 32776;
inline constexpr int kMenuSaveLog = 32842;
inline constexpr int kMenuLoadLog = 32843;
inline constexpr int kDiskTree = 1201;
inline constexpr int kPartitionTree = 1202;
inline constexpr int kFileSystemTree = 1203;
inline constexpr int kRecoveryTree = 1204;
inline constexpr int kSummaryList = 1200;
inline constexpr int kPartitionOptions = 1205; // the partition step's panel
inline constexpr int kCurrentFolder = 1206;    // "Current Folder  :" line
inline constexpr int kSearchView = 1210;       // labels and counters of a running search
inline constexpr int kSearchDisk = 1211;
inline constexpr int kSearchRange = 1212;
inline constexpr int kSearchFileSystem = 1213;
inline constexpr int kSearchCriteria = 1214;
inline constexpr int kCounterLabel = 1215; // "Directories Found ..." / "Files Found ..."
inline constexpr int kDirectoriesFound = 1216;
inline constexpr int kBootSectorsFound = 1217;
inline constexpr int kBootSectorsLabel = 1218;
inline constexpr int kDiskStepPanel = 1219; // mode buttons and folder field
} // namespace item

class WindowItems {
public:
    virtual ~WindowItems() = default;
    // Replaces the text of a text item (status line, captions, counters, fields).
    virtual void setItemText(int itemId, const std::string& text) = 0;
    virtual void showItem(int itemId, bool visible) = 0;
    virtual void enableItem(int itemId, bool enabled) = 0;
    // Progress bar position in percent (0..100).
    virtual void setProgress(int itemId, int percent) = 0;
    // Selects an entry of a combo-box item (for example the partition-type selector).
    virtual void selectEntry(int itemId, int index) = 0;
};

// Does nothing; for headless runs that do not care about the window.
class NullWindowItems final : public WindowItems {
public:
    void setItemText(int, const std::string&) override {}
    void showItem(int, bool) override {}
    void enableItem(int, bool) override {}
    void setProgress(int, int) override {}
    void selectEntry(int, int) override {}
};

} // namespace qr::app
