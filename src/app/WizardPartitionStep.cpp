#include "app/Wizard.h"

#include "app/EngineHooks.h"
#include "app/PartitionTypeSelector.h"
#include "model/FileSystemDetails.h"
#include "volume/EngineRegistry.h"

// The partition step: its options, the summary and Next into the search.

namespace qr::app {

namespace {

const std::string kStandardCaption = "Standard Search";
const std::string kStandardEntryCaption = "Standard Search ";
const std::string kAdvanceCaption = "Advance";
const std::string kAdvanceModeCaption = "Advance Mode";
const std::string kRawCaption = "Raw Recovery Mode";

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

} // namespace qr::app
