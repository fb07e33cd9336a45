#include "app/Wizard.h"

#include "app/EmptyPartitionStep.h"
#include "app/EngineHooks.h"
#include "app/PartitionTypeSelector.h"
#include "app/StopQuestion.h"
#include "disk/SectorSource.h"
#include "model/FileSystemDetails.h"
#include "platform/Programs.h"
#include "platform/RegistryStore.h"
#include "volume/EngineRegistry.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace qr::app {

namespace {

std::string systemTempFolder() {
    std::error_code ec;
    auto path = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : path.string();
}

} // namespace

std::uint16_t DiskNumberOfLabel(const std::string& label) {
    if (label.size() <= 4)
        return 0;
    return static_cast<std::uint16_t>(model::parseCellNumber(label.substr(4)));
}

int partitionTypeEntry(const std::string& fileSystemName) {
    return PartitionTypeEntry(volume::FileSystemKindFromName(fileSystemName));
}

std::optional<std::int64_t> parseSectorField(const std::string& text) {
    auto first = text.find_first_not_of(' ');
    auto last = text.find_last_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (*begin == '+')
        ++begin;
    std::int64_t value = 0;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

Wizard::Wizard(RecoveryContext& ctx, WizardView& view, WizardEngines engines)
    : ctx_(ctx), view_(view), engines_(std::move(engines)) {}

const volume::PartitionSlot& Wizard::slot(std::uint16_t disk, int number) const {
    static const volume::PartitionSlot none{};
    if (disk >= volume::kMaxDisks || number < 1 || number >= volume::kPartitionSlots)
        return none;
    return ctx_.partitions[disk].slots[static_cast<std::size_t>(number)];
}

void Wizard::clickDisk(model::TreeItem item) {
    if (ctx_.wizardStage != 0 || !ctx_.diskTree.valid(item))
        return;
    std::string label = ctx_.diskTree.text(item);
    if (label.empty() || ctx_.diskTree.parent(item) == model::kNoItem)
        return; // the "My Computer" root, or an item without a disk
    ctx_.selectedDiskLabel = label;
    ctx_.diskTree.setSelected(item);
    std::uint16_t disk = DiskNumberOfLabel(label);
    if (engines_.showDiskDetails)
        engines_.showDiskDetails(ctx_, disk); // also keeps the disk's model text
    view_.enableItem(item::kQuickMode, true);
    view_.enableItem(item::kAdvancedMode, true);
    view_.enableItem(item::kRawMode, true);
}

void Wizard::chooseMode(std::uint16_t mode) {
    if (ctx_.wizardStage != 0 || mode < kSearchStandard || mode > kSearchRaw)
        return;
    ctx_.searchMode = mode;
    view_.enableItem(item::kNext, true);
    const int buttons[] = {item::kQuickMode, item::kAdvancedMode, item::kRawMode};
    for (int i = 0; i < 3; ++i)
        view_.checkItem(buttons[i], i + 1 == mode);
}

void Wizard::next() {
    switch (ctx_.wizardStage) {
    case 0:
        nextFromDiskStep();
        break;
    case 1:
        nextFromPartitionStep();
        break;
    case 2:
        nextFromFileSystemStep();
        break;
    default:
        break; // Next is disabled on the browse step
    }
}

void Wizard::nextFromDiskStep() {
    if (ctx_.searchMode == kNoSearchMode || ctx_.selectedDiskLabel.empty())
        return;
    if (ctx_.searchMode != kSearchRaw)
        view_.enableItem(item::kMenuLoadLog, true);
    ctx_.workFolder = view_.itemText(item::kFolderField);
    if (ctx_.workFolder.empty()) {
        ctx_.workFolder = systemTempFolder();
        view_.setItemText(item::kFolderField, ctx_.workFolder);
    }
    view_.showItem(item::kDiskTree, false);
    view_.showItem(item::kDiskStepPanel, false);
    view_.enableItem(item::kBack, true);
    // A log loads from the partition step; in Raw mode both log buttons answer that
    // they cannot be used there.
    view_.enableItem(item::kLoadLogButton, true);
    view_.enableItem(item::kSaveLogButton, ctx_.searchMode == kSearchRaw);
    // The user may search the disk for volumes from the partition step (not in Raw mode,
    // which works on sector ranges).
    view_.showItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    view_.enableItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    buildPartitionStep();
    if (ctx_.tableCorrupted) {
        view_.showItem(item::kPartitionType, false);
        view_.showItem(item::kPartitionTypeLabel, false);
        showSectorFields(false);
    }
    view_.setItemText(item::kStatusLine, wizard_text::kPartitionStep);
    // An empty step says why, once no partition search may still fill it.
    if (ctx_.searchMode != kSearchRaw && !ctx_.partitionSearchRunning &&
        !ctx_.partitionSearchPending)
        if (const std::string empty = EmptyPartitionStepText(ctx_, ctx_.selectedDiskNumber);
            !empty.empty()) {
            view_.setItemText(item::kStatusLine, empty);
            if (ctx_.messages)
                ctx_.messages->inform(empty);
        }
}

void Wizard::nextFromFileSystemStep() {
    if (searchRunning())
        return;
    if (ctx_.searchMode == kSearchAdvanced) {
        view_.setItemText(item::kStatusLine, wizard_text::kBrowse);
        view_.enableItem(item::kSaveButton, true);
        view_.enableItem(item::kSaveLogButton, true);
        view_.enableItem(item::kLoadLogButton, false);
        if (engines_.addLostFolderRow)
            engines_.addLostFolderRow(ctx_);
    }
    if (engines_.startFileSystemWorker)
        engines_.startFileSystemWorker(ctx_);
}

void Wizard::clickFileSystem(model::TreeItem item) {
    if (ctx_.wizardStage != 2 || searchRunning())
        return;
    const model::TreeModel& tree = ctx_.fileSystemTree;
    if (!tree.valid(item) || tree.parent(item) == model::kNoItem)
        return; // the "File Systems" root
    const auto index = static_cast<int>(tree.data(item));
    const std::vector<std::string> rows =
        model::FileSystemDetailsRows(ctx_.tables.fileSystemTable, index);
    if (rows.empty())
        return;
    ctx_.fileSystemTree.setSelected(item);
    ctx_.pickedFileSystem = index;
    view_.setSingleColumn(item::kFileList, " Partition Details ", 450);
    view_.setListRows(item::kFileList, rows);
}

void Wizard::setRawRange(bool wholeDisk) {
    if (wholeDisk) {
        view_.enableItem(item::kRawStart, false);
        view_.enableItem(item::kRawEnd, false);
        view_.setItemText(item::kRawStart, "");
        view_.setItemText(item::kRawEnd, "");
        ctx_.rawWholeDisk = true;
        ctx_.rawRangeChosen = false;
        return;
    }
    for (int id : {item::kRawStart, item::kRawEnd, item::kRawStartLabel, item::kRawEndLabel})
        view_.enableItem(id, true);
    std::uint64_t size = 0;
    if (ctx_.registry)
        size = model::parseCellNumber64(platform::ReadRegistryString(
            *ctx_.registry, platform::RegistryRoot::ClassesRoot, "Quarrixdale Removal Media\\Size",
            "Disk" + std::to_string(ctx_.selectedDiskNumber)));
    // 64-bit: a disk of more than 1 TiB has more sectors than a signed 32-bit field holds.
    const std::uint64_t sectors = size / disk::kSectorBytes;
    view_.setItemText(item::kRawEnd, std::to_string(sectors));
    view_.setItemText(item::kRawStart, "0");
    ctx_.rawDiskSectors = sectors;
    ctx_.rawWholeDisk = false;
    ctx_.rawRangeChosen = true;
}

void Wizard::searchMorePartitions() {
    if (ctx_.wizardStage != 1 || ctx_.searchMode == kSearchRaw || searchRunning() ||
        !engines_.startPartitionSearch)
        return;
    engines_.startPartitionSearch(ctx_);
}

void Wizard::stopPartitionSearch() {
    if (ctx_.partitionSearchRunning && engines_.stopPartitionSearch)
        engines_.stopPartitionSearch(ctx_);
}

bool Wizard::searchRunning() const {
    return ctx_.scanWorkerRunning || ctx_.partitionSearchRunning || ctx_.fileSystemWorkerRunning ||
           ctx_.logLoadRunning || ctx_.assignmentRunning;
}

bool Wizard::askTerminate(std::jthread& worker) {
    if (!AskToStopWithReadsPaused(ctx_, "Do you want terminate current process?"))
        return false;
    view_.stopWorker(worker);
    return true;
}

bool Wizard::closeSequence() {
    if (ctx_.wizardStage == 3 && !ctx_.scanWorkerRunning && !ctx_.logLoadRunning &&
        ctx_.messages->askYesNo("Do you want to save the recovery?") && engines_.saveRecoveryLog)
        engines_.saveRecoveryLog(ctx_);
    if (ctx_.partitionSearchRunning) {
        if (!askTerminate(ctx_.partitionSearchThread))
            return false;
    } else if (ctx_.scanWorkerRunning) {
        if (!askTerminate(ctx_.scanWorker))
            return false;
    } else if (!ctx_.messages->askYesNo(
                   "Do you want to exit from Quarrixdale Recovery-Memory Card?")) {
        return false;
    }
    ctx_.shell().open(kMakerWebSite);
    view_.closeWindow();
    return true;
}

void Wizard::setModeCaption(const std::string& caption) {
    modeCaption_ = caption;
    view_.setItemText(item::kModeCaption, caption);
}

void Wizard::showRawControls(bool visible) {
    for (int id :
         {item::kFileTypeList, item::kEntireDisk, item::kSectorRange, item::kRawStart,
          item::kRawEnd, item::kRawStartLabel, item::kRawEndLabel, item::kStartRecovery,
          item::kRawProgress, item::kResultList, item::kRawMetadataNames, item::kRawEveryKind})
        view_.showItem(id, visible);
}

void Wizard::showSectorFields(bool visible) {
    for (int id :
         {item::kStartSector, item::kEndSector, item::kStartSectorLabel, item::kEndSectorLabel})
        view_.showItem(id, visible);
}

void Wizard::enableSectorFields(bool enabled) {
    view_.enableItem(item::kStartSector, enabled);
    view_.enableItem(item::kEndSector, enabled);
}

} // namespace qr::app
