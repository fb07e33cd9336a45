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
inline constexpr int kPartitionType = 1030;   // selector: 0 FAT16, 1 FAT32, 2 NTFS, 3 none
inline constexpr int kPartitionTypeLabel = 1031;
inline constexpr int kStartSector = 1036;
inline constexpr int kEndSector = 1037;
inline constexpr int kStartSectorLabel = 1038;
inline constexpr int kEndSectorLabel = 1039;
inline constexpr int kModeCaption = 1043;
inline constexpr int kFolderField = 1005; // "Path for Log File : "
inline constexpr int kNext = 1002;
inline constexpr int kBack = 1000;
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
