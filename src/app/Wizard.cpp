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

const std::string kStandardCaption = "Standard Search";
const std::string kStandardEntryCaption = "Standard Search ";
const std::string kAdvanceCaption = "Advance";
const std::string kAdvanceModeCaption = "Advance Mode";
const std::string kRawCaption = "Raw Recovery Mode";

std::string systemTempFolder() {
    std::error_code ec;
    auto path = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : path.string();
}

// The Standard mode's partition details; a GPT partition adds its entry's name.
std::vector<std::string> StandardSummaryRows(std::uint16_t disk, int number,
                                             const std::string& type,
                                             const volume::PartitionSlot& s) {
    std::vector<std::string> rows{"Disk Number :" + std::to_string(disk),
                                  "Partition Number : " + std::to_string(number),
                                  "Partition Type : " + type,
                                  "Search Mode : Standard",
                                  "Start Sector : " + std::to_string(volume::SlotStart(s)),
                                  "End Sector : " + std::to_string(volume::SlotEnd(s))};
    if (!s.gptName.empty())
        rows.push_back("GPT Name : " + s.gptName);
    return rows;
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

void Wizard::clickPartition(model::TreeItem item) {
    if (ctx_.wizardStage != 1 || !ctx_.partitionTree.valid(item))
        return;
    std::uint16_t disk = ctx_.selectedDiskNumber;
    if (disk >= volume::kMaxDisks)
        return;
    const auto& record = ctx_.partitions[disk];
    for (std::uint32_t k = 1; k <= record.count && k < volume::kPartitionSlots; ++k) {
        if (record.slots[k].treeItem != item)
            continue;
        ctx_.partitionTree.setSelected(item);
        std::string name = k <= volume::kListedPartitions ? record.fileSystemNames[k - 1] : "";
        showPartitionOptions(name, static_cast<int>(k - 1), disk);
        return;
    }
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

void Wizard::buildPartitionStep() {
    ctx_.selectedDiskNumber = DiskNumberOfLabel(ctx_.selectedDiskLabel);
    const std::uint16_t disk = ctx_.selectedDiskNumber;
    if (ctx_.searchMode != kSearchRaw && ctx_.partitionTree.size() == 0 &&
        engines_.readPartitionTable)
        engines_.readPartitionTable(ctx_);
    if (ctx_.recoveryTree.size() == 0 && engines_.ensureRecoveryRoot)
        engines_.ensureRecoveryRoot(ctx_);
    if (ctx_.fileSystemTree.size() == 0)
        ctx_.fileSystemTree.insert(model::kNoItem, "File Systems", model::tree_image::kRoot,
                                   model::tree_image::kRoot);
    ctx_.wizardStage = 0;
    view_.showItem(item::kRecoveryTree, false);
    view_.showItem(item::kFileSystemTree, false);
    view_.showItem(item::kSearchView, false);
    view_.showItem(item::kCurrentFolder, false);
    view_.showItem(item::kPartitionTree, true);
    view_.showItem(item::kPartitionOptions, true);

    const auto& first = slot(disk, 1);
    const auto& record = ctx_.partitions[disk < volume::kMaxDisks ? disk : 0];
    const std::string firstType = record.count > 0 ? record.fileSystemNames[0] : "";
    showRawControls(ctx_.searchMode == kSearchRaw);
    const bool advanced = ctx_.searchMode == kSearchAdvanced;
    switch (ctx_.searchMode) {
    case kSearchStandard:
    case kSearchAdvanced:
        // Standard shows partition 1 read-only; Advanced lets the user edit it.
        setModeCaption(advanced ? kAdvanceCaption : kStandardEntryCaption);
        view_.setItemText(item::kStartSector, std::to_string(volume::SlotStart(first)));
        view_.setItemText(item::kEndSector, std::to_string(volume::SlotEnd(first)));
        view_.showItem(item::kPartitionType, true);
        view_.showItem(item::kPartitionTypeLabel, true);
        showSectorFields(true);
        view_.enableItem(item::kPartitionType, advanced);
        enableSectorFields(advanced);
        view_.selectEntry(item::kPartitionType, advanced && record.count == 0
                                                    ? kNoTypeEntry
                                                    : partitionTypeEntry(firstType));
        break;
    case kSearchRaw:
        setModeCaption(kRawCaption);
        view_.showItem(item::kPartitionType, false);
        view_.showItem(item::kPartitionTypeLabel, false);
        showSectorFields(false);
        view_.enableItem(item::kNext, false);
        break;
    default:
        break;
    }
    if (ctx_.searchMode == kSearchStandard) {
        fillPartitionSummary(1);
    } else if (ctx_.searchMode == kSearchAdvanced) {
        view_.setListRows(item::kSummaryList, {"Partition Number : 1", "Search Mode : Advance"});
    }
    ctx_.wizardStage = 1;
    view_.focusItem(item::kPartitionTree);
    ctx_.partitionTree.setSelected(ctx_.firstPartitionItem);
}

void Wizard::fillPartitionSummary(int partitionNumber) {
    const std::uint16_t disk = ctx_.selectedDiskNumber;
    const auto& s = slot(disk, partitionNumber);
    const auto& record = ctx_.partitions[disk < volume::kMaxDisks ? disk : 0];
    std::string type = partitionNumber >= 1 && partitionNumber <= volume::kListedPartitions &&
                               static_cast<std::uint32_t>(partitionNumber) <= record.count
                           ? record.fileSystemNames[static_cast<std::size_t>(partitionNumber - 1)]
                           : "";
    std::vector<std::string> rows = StandardSummaryRows(disk, partitionNumber, type, s);
    if (record.sectorBytes != disk::kSectorBytes)
        rows.push_back("Bytes Per Sector : " + std::to_string(record.sectorBytes));
    view_.setListRows(item::kSummaryList, rows);
}

void Wizard::showPartitionOptions(const std::string& fileSystemName, int index,
                                  std::uint16_t disk) {
    const auto& s = slot(disk, index + 1);
    switch (ctx_.searchMode) {
    case kSearchStandard:
        setModeCaption(kStandardCaption);
        view_.enableItem(item::kPartitionType, false);
        enableSectorFields(false);
        view_.setItemText(item::kStartSector, std::to_string(volume::SlotStart(s)));
        view_.setItemText(item::kEndSector, std::to_string(volume::SlotEnd(s)));
        view_.setListRows(item::kSummaryList,
                          StandardSummaryRows(disk, index + 1, fileSystemName, s));
        view_.selectEntry(item::kPartitionType, partitionTypeEntry(fileSystemName));
        break;
    case kSearchAdvanced:
        setModeCaption(kAdvanceModeCaption);
        view_.enableItem(item::kPartitionType, true);
        enableSectorFields(true);
        view_.setItemText(item::kStartSector, std::to_string(volume::SlotStart(s)));
        view_.setItemText(item::kEndSector, std::to_string(volume::SlotEnd(s)));
        view_.setListRows(item::kSummaryList, {"Partition Number : " + std::to_string(index + 1),
                                               "Search Mode : Advance"});
        if (partitionTypeEntry(fileSystemName) != kNoTypeEntry)
            view_.selectEntry(item::kPartitionType, partitionTypeEntry(fileSystemName));
        break;
    case kSearchRaw:
        setModeCaption(kRawCaption);
        view_.setItemText(item::kStartSector, std::to_string(volume::SlotStart(s)));
        view_.setItemText(item::kEndSector, std::to_string(volume::SlotEnd(s)));
        break;
    default:
        break;
    }
}

void Wizard::nextFromPartitionStep() {
    if (ctx_.searchMode == kSearchRaw || searchRunning())
        return; // raw mode searches from its own button; one search at a time
    view_.enableItem(item::kLoadLogButton, false);
    view_.setItemText(item::kStatusLine, wizard_text::kSearching);
    const auto kind = PartitionTypeOfEntry(view_.selectedEntry(item::kPartitionType));
    if (!kind) {
        ctx_.messages->error("Select partition type");
        view_.setItemText(item::kStatusLine, wizard_text::kPartitionStep);
        return;
    }
    const volume::EngineRow* row = volume::FindEngineRow(*kind);
    const std::string name = volume::FileSystemName(*kind);
    // A file system without an Advanced search (exFAT) has one search in either mode;
    // it is validated first and goes straight to the tree.
    const bool oneSearch = !row || !row->hooks || !row->hooks->advancedSweep;
    auto start = parseSectorField(view_.itemText(item::kStartSector));
    if (!start || *start < 0) { // a negative sector would wrap to the far end of the disk
        ctx_.messages->error("Start sector is not valid");
        return;
    }
    auto end = parseSectorField(view_.itemText(item::kEndSector));
    if (!end) {
        ctx_.messages->error("Ending sector is not valid");
        return;
    }
    std::int64_t last = *end > 0 ? *end - 1 : *end;
    if (!(*start < last)) {
        ctx_.messages->error("End sector should be bigger than start sector");
        return;
    }
    // The fields count in the medium's sectors; the engines in 512-byte ones.
    const std::uint64_t k = volume::SubSectorsOf(
        ctx_.partitions[ctx_.selectedDiskNumber < volume::kMaxDisks ? ctx_.selectedDiskNumber : 0]);
    ctx_.volumeParams.fileSystemName = name;
    ctx_.volumeParams.partitionStart = static_cast<std::uint64_t>(*start) * k;
    ctx_.volumeParams.partitionEnd = static_cast<std::uint64_t>(*end) * k - 1;
    ctx_.searchModeText = modeCaption_;
    ctx_.searchDiskNumber = ctx_.selectedDiskNumber;

    const std::string range = std::to_string(*start) + " To " + std::to_string(last);
    view_.showItem(item::kPartitionTree, false);
    view_.showItem(item::kPartitionOptions, false);
    view_.showItem(item::kSearchPartition, false);
    view_.showItem(item::kSearchView, true);
    view_.setItemText(item::kSearchDisk, ctx_.selectedDiskLabel);
    view_.setItemText(item::kSearchRange, range);
    view_.setItemText(item::kSearchFileSystem, name);
    view_.setItemText(item::kSearchCriteria, modeCaption_);
    view_.setListRows(item::kSummaryList,
                      {"Disk Number : " + std::to_string(ctx_.selectedDiskNumber),
                       "Partiton Number : " + std::to_string(ctx_.searchPartitionIndex + 1),
                       "Partition Type : " + name, "Search Range : " + range,
                       "Search Mode : " + modeCaption_});
    view_.enableItem(item::kMenuSaveLog, false);
    view_.enableItem(item::kMenuLoadLog, false);

    if ((ctx_.searchMode == kSearchStandard || oneSearch) && engines_.validateVolume) {
        bool valid = engines_.validateVolume(ctx_);
        if (!row || !row->traits.standardNeedsValidBootSector)
            ctx_.validationSucceeded = valid;
        else if (!valid)
            ctx_.messages->ask("Recovery is not possible in Standard Search use Advance Search",
                               platform::kMessageCaption, platform::MessageIcon::None,
                               platform::MessageButtons::Ok);
    }
    ctx_.wizardStage += modeCaption_ == kStandardCaption || oneSearch ? 2 : 1;
    if (engines_.startScan)
        engines_.startScan(ctx_);
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

void Wizard::back() {
    if (searchRunning())
        return; // Back is disabled while a search runs
    switch (ctx_.wizardStage) {
    case 1:
        backToDiskStep();
        break;
    case 2:
        backToPartitionStep();
        break;
    case 3:
        backFromBrowseStep();
        break;
    default:
        break;
    }
}

void Wizard::backToDiskStep() {
    ctx_.readFailureNotices = 1;
    view_.setItemText(item::kStatusLine, wizard_text::kDiskStep);
    view_.showItem(item::kPartitionOptions, false);
    view_.showItem(item::kPartitionTree, false);
    view_.showItem(item::kSearchPartition, false);
    showRawControls(false);
    view_.showItem(item::kDiskTree, true);
    view_.showItem(item::kDiskStepPanel, true);
    ctx_.wizardStage = 0;
    ctx_.searchMode = kNoSearchMode;
    view_.enableItem(item::kLoadLogButton, false);
    view_.enableItem(item::kSaveLogButton, false);
    view_.enableItem(item::kSaveButton, false);
    view_.enableItem(item::kMenuLoadLog, false);
    view_.enableItem(item::kBack, false);
    view_.enableItem(item::kNext, false);
    for (int button : {item::kQuickMode, item::kAdvancedMode, item::kRawMode})
        view_.checkItem(button, false);
    // The next disk gets its own partition tree.
    ctx_.partitionTree.clear();
    ctx_.firstPartitionItem = model::kNoItem;
    ctx_.tableCorrupted = false;
}

void Wizard::backToPartitionStep() {
    auto& t = ctx_.tables;
    t.folderTable.clear();
    t.fileTable.clear();
    t.indexRecordTable.clear();
    t.bootSectorTable.clear();
    t.fileSystemTable.clear();
    if (ctx_.searchMode == kSearchAdvanced)
        t.dirClusterTable.clear();
    view_.setItemText(item::kDirectoriesFound, "0");
    view_.setItemText(item::kBootSectorsFound, "0");
    ctx_.fileSystemTree.clear();
    ctx_.fileSystemTree.insert(model::kNoItem, "File Systems", model::tree_image::kRoot,
                               model::tree_image::kRoot);
    view_.showItem(item::kFileSystemTree, false);
    view_.showItem(item::kSearchView, false);
    view_.showItem(item::kPartitionTree, true);
    view_.showItem(item::kPartitionOptions, true);
    view_.setSingleColumn(item::kFileList, " Disk Details", 485);
    if (ctx_.searchMode == kSearchAdvanced) {
        view_.showItem(item::kPartitionType, true);
        view_.showItem(item::kPartitionTypeLabel, true);
        showSectorFields(true);
        view_.setListRows(item::kSummaryList, {"Partition Number : 1", "Search Mode : Advance"});
    } else {
        fillPartitionSummary(1);
    }
    if (ctx_.searchMode != kSearchRaw) {
        view_.enableItem(item::kMenuLoadLog, true);
        view_.enableItem(item::kLoadLogButton, true);
    }
    view_.enableItem(item::kNext, true);
    view_.showItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    view_.setItemText(item::kStatusLine, wizard_text::kPartitionStep);
    ctx_.partitionTree.setSelected(ctx_.firstPartitionItem);
    ctx_.wizardStage = 1;
}

void Wizard::backFromBrowseStep() {
    view_.setSingleColumn(item::kFileList, " Disk Details", 485);
    view_.enableItem(item::kMenuSelectAll, false);
    view_.enableItem(item::kMenuSave, false);
    view_.enableItem(item::kSaveButton, false);
    view_.enableItem(item::kMenuSaveLog, false);
    view_.enableItem(item::kSaveLogButton, false);
    view_.showItem(item::kCurrentFolder, false);
    if (engines_.discardRecoveryTree)
        engines_.discardRecoveryTree(ctx_);
    ctx_.recoveryTree.clear();
    // Items of the destroyed tree; the next tree reuses their numbers for other folders.
    ctx_.currentFolderItem = model::kNoItem;
    ctx_.lastClickedFolderItem = model::kNoItem;
    if (ctx_.searchMode == kSearchAdvanced) {
        view_.setItemText(item::kStatusLine, wizard_text::kFileSystems);
        if (engines_.ensureRecoveryRoot)
            engines_.ensureRecoveryRoot(ctx_);
        view_.showItem(item::kRecoveryTree, false);
        view_.showItem(item::kFileSystemTree, true);
        auto root = ctx_.fileSystemTree.firstTopLevel();
        auto systems = ctx_.fileSystemTree.children(root);
        if (!systems.empty())
            ctx_.fileSystemTree.setSelected(systems.front());
        view_.setSingleColumn(item::kFileList, " Partition Details ", 450);
        view_.setListRows(item::kFileList,
                          model::FileSystemDetailsRows(ctx_.tables.fileSystemTable, 0));
        ctx_.pickedFileSystem = 0;
        view_.enableItem(item::kNext, true);
        ctx_.wizardStage = 2;
        return;
    }
    if (ctx_.searchMode != kSearchRaw) {
        view_.enableItem(item::kLoadLogButton, true);
        view_.enableItem(item::kMenuLoadLog, true);
    }
    // The partition searched stays highlighted, and the next search reads it again.
    const model::TreeItem searched = ctx_.partitionTree.selected();
    buildPartitionStep();
    if (searched != model::kNoItem && searched != ctx_.firstPartitionItem)
        clickPartition(searched);
    view_.showItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    view_.enableItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    view_.enableItem(item::kNext, true);
    view_.setItemText(item::kStatusLine, wizard_text::kPartitionStep);
    ctx_.wizardStage = 1;
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
    auto sectors = static_cast<std::uint32_t>(size / 512);
    view_.setItemText(item::kRawEnd, std::to_string(static_cast<std::int32_t>(sectors)));
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
