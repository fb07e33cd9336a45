#pragma once
// The wizard of the main window: mode choice, Next and Back with their checks, the
// partition step, the raw range choice and the close sequence. It works on the
// recovery context and drives the window through WizardView, so it runs the same
// under the Qt window and under tests without a display.
#include "app/Contacts.h"
#include "app/RecoveryContext.h"
#include "app/WizardEngines.h"
#include "app/WizardView.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qr::app {

namespace wizard_text {
inline const std::string kDiskStep = "Select the disk from left panel, then select searching "
                                     "criteria and proceed with next button.";
inline const std::string kPartitionStep =
    "Select the partition to recover from left panel and then click on next button or click "
    "on back button for select another disk.";
inline const std::string kSearching = "Any time if you want to stop searching Files and "
                                      "Directories then Click on Stop Searching ";
inline const std::string kBrowse = "If you want to save any Files or Directories then select "
                                   "Files or Directories from left panel and click on save "
                                   "button.";
inline const std::string kFileSystems = "For selecting partition click on back button and for "
                                        "save Files or Directories click on next button.";
} // namespace wizard_text

class Wizard {
public:
    Wizard(RecoveryContext& ctx, WizardView& view, WizardEngines engines = defaultWizardEngines());

    // A click on an item of the disk tree (disk step).
    void clickDisk(model::TreeItem item);
    // A click on, or the pointer's passage over, a mode button (1 Standard, 2 Advanced, 3 Raw).
    void chooseMode(std::uint16_t mode);
    // A click on an item of the partition tree (partition step).
    void clickPartition(model::TreeItem item);
    // A click on a file-system item of the file-systems step (Advanced mode): it becomes
    // the picked file system and its details rows are listed.
    void clickFileSystem(model::TreeItem item);

    // "Search More Partitions" on the partition step: searches the disk for volumes
    // whatever its table says; "Stop Search Partition" ends it, keeping what was found.
    void searchMorePartitions();
    void stopPartitionSearch();

    void next();
    void back();
    void buildPartitionStep();
    void showPartitionOptions(const std::string& fileSystemName, int index, std::uint16_t disk);
    void setRawRange(bool wholeDisk);
    // The close box and Escape. True when the window was closed.
    bool closeSequence();

    const std::string& modeCaption() const { return modeCaption_; }

private:
    void nextFromDiskStep();
    void nextFromPartitionStep();
    void nextFromFileSystemStep();
    void backToDiskStep();
    void backToPartitionStep();
    void backFromBrowseStep();
    void setModeCaption(const std::string& caption);
    void fillPartitionSummary(int partitionNumber);
    void showRawControls(bool visible);
    void showSectorFields(bool visible);
    void enableSectorFields(bool enabled);
    bool askTerminate(std::jthread& worker);
    bool searchRunning() const;
    const volume::PartitionSlot& slot(std::uint16_t disk, int number) const;

    RecoveryContext& ctx_;
    WizardView& view_;
    WizardEngines engines_;
    std::string modeCaption_;
};

// Index of the partition-type selector for a file-system name (see
// PartitionTypeSelector.h); the blank entry for anything it lacks.
int partitionTypeEntry(const std::string& fileSystemName);
// The disk number of a disk label such as "Disk3" (0 for a label without one).
std::uint16_t DiskNumberOfLabel(const std::string& label);
// A whole-field signed decimal number (blanks around it allowed); nullopt otherwise.
std::optional<std::int64_t> parseSectorField(const std::string& text);

} // namespace qr::app
