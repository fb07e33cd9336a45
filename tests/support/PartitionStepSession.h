#pragma once
// The wizard over one disk image with the real table reader, partition search and
// volume validation, up to the partition step; a view that keeps the last state of
// every item (the search worker writes to it too).
#include "app/PartitionCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/Wizard.h"
#include "disk/SectorReader.h"
#include "platform/RegistryData.h"
#include "support/ScriptedMessages.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qr::test {

class PartitionStepView final : public app::WizardView {
public:
    void setItemText(int id, const std::string& text) override { set(texts, id, text); }
    void showItem(int id, bool visible) override { set(shown, id, visible); }
    void enableItem(int id, bool enabled) override { set(enabled_, id, enabled); }
    void setProgress(int, int) override {}
    void selectEntry(int id, int index) override { set(entries, id, index); }
    std::string itemText(int id) override { return get(texts, id); }
    int selectedEntry(int id) override { return entries.count(id) ? get(entries, id) : -1; }
    void checkItem(int, bool) override {}
    void focusItem(int) override {}
    void setListRows(int id, const std::vector<std::string>& rows) override {
        set(lists, id, rows);
    }
    void setSingleColumn(int, const std::string&, int) override {}
    void closeWindow() override {}
    bool isShown(int id) { return get(shown, id); }
    std::vector<std::string> listRows(int id) { return get(lists, id); }
    bool isEnabled(int id) { return get(enabled_, id); }

private:
    template <class M, class V> void set(M& map, int id, const V& value) {
        std::lock_guard lock(mutex_);
        map[id] = value;
    }
    template <class M> typename M::mapped_type get(M& map, int id) {
        std::lock_guard lock(mutex_);
        return map[id];
    }
    std::mutex mutex_;
    std::map<int, std::string> texts;
    std::map<int, bool> shown, enabled_;
    std::map<int, int> entries;
    std::map<int, std::vector<std::string>> lists;
};

struct PartitionStepSession {
    explicit PartitionStepSession(const std::filesystem::path& image) {
        app::Services services;
        services.window = &view;
        services.messages = &messages;
        services.registry = &registry;
        ctx = std::make_unique<app::RecoveryContext>(services);
        ctx->reader = app::MakeSectorReader(*ctx, std::make_shared<disk::PosixDeviceOpener>());
        ctx->reader->paths().setName(0, image.string());
        app::WizardEngines engines = app::defaultWizardEngines();
        engines.startScan = [this](app::RecoveryContext&) { ++scans; };
        wizard = std::make_unique<app::Wizard>(*ctx, view, engines);
        const auto root = ctx->diskTree.insert(model::kNoItem, "My Computer", 0, 0);
        disk0 = ctx->diskTree.insert(root, "Disk0", 1, 1);
        ctx->selectedDiskLabel = "Disk0";
        ctx->wizardStage = 0;
        ctx->readFailureNotices = 1;
    }
    void toPartitionStep(bool waitForTheSearch = true) {
        wizard->clickDisk(disk0);
        wizard->chooseMode(app::kSearchStandard);
        wizard->next();
        if (waitForTheSearch)
            waitForSearch();
    }
    void waitForSearch() {
        if (ctx->partitionSearchThread.joinable())
            ctx->partitionSearchThread.join();
    }
    std::string partitionText(std::uint32_t k) {
        return ctx->partitionTree.text(ctx->partitions[0].slots[k].treeItem);
    }

    PartitionStepView view;
    ScriptedMessages messages;
    platform::MemoryRegistryStore registry;
    std::unique_ptr<app::RecoveryContext> ctx;
    std::unique_ptr<app::Wizard> wizard;
    model::TreeItem disk0 = model::kNoItem;
    int scans = 0;
};

} // namespace qr::test
