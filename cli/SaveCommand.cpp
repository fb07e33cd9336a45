// save: runs the Standard search, then the counting and writing passes of a save over
// the whole recovery tree or over the named folders and files, into --to DIR.
#include "CliSession.h"
#include "PartitionSession.h"
#include "SearchedVolume.h"
#include "app/FolderCommands.h"
#include "app/SaveCommands.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "model/TreeChecks.h"
#include "output/DestinationSafety.h"
#include "output/RecoverableOnly.h"
#include "output/SavePasses.h"
#include "ui/SaveProgressView.h"
#include "ui/SaveQuestions.h"
#include "ui/SettingsDialogModel.h"

#include <chrono>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace qr::cli {
namespace {

// Every file was written, but some hold zeros where the medium could not be read.
constexpr int kSavedWithUnreadableExit = 3;

using Clock = std::chrono::steady_clock;

// One progress line on stderr, rewritten at most twice a second.
class ProgressLine final : public ui::SaveProgressView {
public:
    void showSaving(const ui::SavingTexts& t) override {
        const auto now = Clock::now();
        if (now - last_ < std::chrono::milliseconds(500) && t.percent != 100)
            return;
        last_ = now;
        std::cerr << (tty_ ? "\r" : "") << t.percentText << "  files " << t.totalFiles << "  "
                  << t.dataDone << " / " << t.dataTotal;
        if (!t.timeRemaining.empty())
            std::cerr << "  Time Remaining " << t.timeRemaining;
        std::cerr << (tty_ ? "\033[K" : "\n") << std::flush;
        shown_ = true;
    }
    void end() {
        if (shown_ && tty_)
            std::cerr << "\n";
    }

private:
    bool tty_ = ::isatty(2) == 1;
    bool shown_ = false;
    Clock::time_point last_{};
};

// --replace: "yes-all" and "no-all" answer once for every file; "ask" asks on stdin.
class ReplaceAnswers final : public ui::ReplaceQuestion {
public:
    explicit ReplaceAnswers(std::string mode) : mode_(std::move(mode)) {}
    output::ReplacePolicy askReplace(const std::string& path) override {
        if (mode_ == "yes-all")
            return output::ReplacePolicy::ReplaceAll;
        if (mode_ == "no-all")
            return output::ReplacePolicy::KeepAll;
        std::cerr << "\nThe File Already Exists: " << path
                  << "\nDo you want to replace existing file. [y]es, [n]o, [a]ll, n[o]ne: "
                  << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer))
            return output::ReplacePolicy::KeepAll;
        if (answer == "y" || answer == "yes")
            return output::ReplacePolicy::Replace;
        if (answer == "a" || answer == "all")
            return output::ReplacePolicy::ReplaceAll;
        if (answer == "o" || answer == "none")
            return output::ReplacePolicy::KeepAll;
        return output::ReplacePolicy::Keep;
    }

private:
    std::string mode_;
};

// A write error skips the file; the summary lists it.
class SkipOnWriteError final : public ui::WriteErrorQuestion {
public:
    ui::WriteErrorAnswer askWriteError(const std::string&, const std::string&) override {
        return ui::WriteErrorAnswer::Skip;
    }
};

// Reads the save options into `s`, before any search, so a mistake costs no search
// time. False after saying what is wrong.
bool readSettings(const CommandLine& line, output::SaveSettings& s,
                  platform::UserMessages& messages) {
    const std::string deleted = option(line, "--deleted").value_or("all");
    if (deleted == "all")
        s.deletedFilter = output::kIncludeDeleted;
    else if (deleted == "live")
        s.deletedFilter = output::kExcludeDeleted;
    else if (deleted == "deleted")
        s.deletedFilter = output::kDeletedOnly;
    else {
        std::cerr << "recovery-cli: --deleted must be all, live or deleted\n";
        return false;
    }
    const std::string mode = option(line, "--saving-mode").value_or("auto");
    const char* const modes[] = {"auto", "fat1", "fat2", "contiguous"};
    bool known = false;
    for (std::uint32_t i = 0; i < 4; ++i)
        if (mode == modes[i]) {
            s.savingMode = i;
            known = true;
        }
    if (!known) {
        std::cerr << "recovery-cli: --saving-mode must be auto, fat1, fat2 or contiguous\n";
        return false;
    }
    if (const auto ext = option(line, "--ext")) {
        ui::SettingsDialogModel settings(s, &messages);
        if (ext->front() == ',' || ext->back() == ',' || ext->find(",,") != std::string::npos) {
            std::cerr << "recovery-cli: --ext takes extensions separated by commas, like "
                         "doc,xls, not '"
                      << *ext << "'\n";
            return false;
        }
        std::stringstream list(*ext);
        std::string one;
        while (std::getline(list, one, ','))
            if (!settings.add(one))
                return false;
        settings.apply();
        s.dateWindow = {}; // the command line sets no date window
        s.datePositions = {};
    }
    return true;
}

std::vector<std::string> pathParts(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    std::vector<std::string> parts;
    std::stringstream in(path);
    std::string part;
    while (std::getline(in, part, '\\'))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

model::TreeItem childNamed(const model::TreeModel& tree, model::TreeItem parent,
                           const std::string& name) {
    for (model::TreeItem child : tree.children(parent))
        if (tree.text(child) == name)
            return child;
    return model::kNoItem;
}

// The folder item of parts [0, count); the root item for none. A leading "Root" is
// taken as the root item when no folder under it has that name.
model::TreeItem folderItem(const model::TreeModel& tree, std::vector<std::string> parts,
                           std::size_t count) {
    model::TreeItem item = tree.firstTopLevel();
    std::size_t i = 0;
    if (count > 0 && parts[0] == tree.text(item) &&
        childNamed(tree, item, parts[0]) == model::kNoItem)
        i = 1;
    for (; i < count && item != model::kNoItem; ++i)
        item = childNamed(tree, item, parts[i]);
    return item;
}

void appendPlan(output::SaveState& save, std::vector<output::SaveItem>& plan,
                output::SaveCounters& totals) {
    plan.insert(plan.end(), save.plan.begin(), save.plan.end());
    totals.filesToSave += save.counters.filesToSave;
    totals.bytesToSave += save.counters.bytesToSave;
}

// The whole tree for the root item, else the folder's files and its sub-folders.
void countFolder(app::RecoveryContext& ctx, model::TreeItem folder) {
    output::SaveState& save = ctx.save;
    const model::FolderNode* node = ctx.folderNodes.findByItem(folder);
    if (!node) {
        const model::TreeItem root = ctx.recoveryTree.firstTopLevel();
        if (ctx.recoveryTree.check(root) != model::CheckState::Checked)
            model::ToggleCheck(ctx.recoveryTree, root);
        save.saveSource = output::kSaveSourceTree;
        app::CountSaveSelection(ctx);
        return;
    }
    save.counters = {};
    save.plan.clear();
    app::CountFolderTree(ctx, folder, node->selfKey);
}

// Counts the named paths: folders through the tree, files through their folder's list.
bool countPaths(app::RecoveryContext& ctx, const std::vector<std::string>& paths) {
    std::vector<output::SaveItem> plan;
    output::SaveCounters totals;
    for (const std::string& path : paths) {
        const std::vector<std::string> parts = pathParts(path);
        const model::TreeItem folder = folderItem(ctx.recoveryTree, parts, parts.size());
        if (folder != model::kNoItem) {
            countFolder(ctx, folder);
            appendPlan(ctx.save, plan, totals);
            continue;
        }
        const model::TreeItem parent =
            parts.empty() ? model::kNoItem : folderItem(ctx.recoveryTree, parts, parts.size() - 1);
        bool found = false;
        if (parent != model::kNoItem) {
            app::ListFolder(ctx, parent, model::kKeyFolderLabels);
            ctx.currentFolderItem = parent;
            for (int r = 0; r < ctx.fileList.rowCount(); ++r) {
                const bool match = ctx.fileList.row(r).cells[model::file_col::Name] == parts.back();
                ctx.fileList.setSelected(r, match);
                found = found || match;
            }
        }
        if (!found) {
            std::cerr << "recovery-cli: no folder or file '" << path << "' in the recovery tree\n";
            return false;
        }
        ctx.save.saveSource = output::kSaveSourceList;
        ctx.save.settings.selectionMode = output::kSaveSelectedRows;
        app::CountSaveSelection(ctx);
        appendPlan(ctx.save, plan, totals);
    }
    ctx.save.plan = std::move(plan);
    ctx.save.counters = totals;
    return true;
}

int runSave(const CommandLine& line) {
    const auto to = option(line, "--to");
    const std::string replace = option(line, "--replace").value_or("ask");
    if (!to || to->empty()) {
        std::cerr << "recovery-cli: save needs --to DIR\n";
        return 2;
    }
    if (replace != "ask" && replace != "yes-all" && replace != "no-all") {
        std::cerr << "recovery-cli: --replace must be ask, yes-all or no-all\n";
        return 2;
    }
    output::SaveSettings settings;
    StderrMessages messages;
    if (!readSettings(line, settings, messages))
        return 2;
    int exitCode = 0;
    auto session = SearchVolume(line, "save", KnownFileSystems(), std::cerr, exitCode);
    if (!session)
        return exitCode;
    app::RecoveryContext& ctx = *session->context;
    ctx.save.settings = settings;
    const std::string refusal = output::DestinationRefusal(ctx.reader->selectedDeviceName(), *to);
    if (!refusal.empty()) {
        std::cerr << "recovery-cli: " << refusal << "\n";
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(*to, ec);
    if (!std::filesystem::is_directory(*to, ec)) {
        std::cerr << "Invalid Path " << *to << "\n";
        return 1;
    }
    ProgressLine progress;
    ReplaceAnswers answers(replace);
    SkipOnWriteError onError;
    output::SaveState& save = ctx.save;
    save.destinationFolder = *to;
    save.progress = &progress;
    save.replaceQuestion = &answers;
    save.writeErrorQuestion = &onError;

    const std::vector<std::string>& paths = line.operands;
    if (paths.empty())
        countFolder(ctx, ctx.recoveryTree.firstTopLevel());
    else if (!countPaths(ctx, paths)) {
        return 1;
    }
    // --recoverable-only: deleted files whose clusters other files took are not written.
    std::uint32_t overwritten = 0;
    if (hasFlag(line, "--recoverable-only"))
        if (const auto engine = app::EngineFor(ctx))
            overwritten = output::DropOverwritten(save, *engine);
    std::cerr << "counted " << save.counters.filesToSave << " files, " << save.counters.bytesToSave
              << " bytes\n";
    app::WriteSavePlan(ctx);
    progress.end();
    // A save refused before its first file was already told through the messages.
    if (!save.summary.refused.empty())
        return 1;
    for (const std::string& problem : save.problems)
        std::cerr << "recovery-cli: " << problem << "\n";
    save.summary.passedOver += overwritten;
    const output::SaveSummary& s = save.summary;
    if (s.mediumLostAt)
        std::cerr << "recovery-cli: the medium stopped answering during the save; the file "
                     "being written was removed and no further file was written\n";
    std::cout << "files written: " << s.written << "\nbytes written: " << s.bytesWritten
              << "\nskipped: " << s.passedOver << "\nfailed: " << s.failed + s.stopped
              << "\nwith unreadable sectors: " << s.withUnreadable
              << "\nuncertain (clusters guessed): " << s.uncertain
              << "\nrenamed (name taken): " << s.renamed << "\n";
    for (const std::string& path : s.uncertainFiles)
        std::cout << "uncertain: " << path << "\n";
    if (hasFlag(line, "--recoverable-only"))
        std::cout << "overwritten, not saved: " << overwritten << "\n";
    if (s.mediumLostAt)
        return kMediumLostExit;
    if (s.failed + s.stopped > 0)
        return 1;
    if (ctx.mediumLostAt)
        return kMediumLostExit;
    return s.withUnreadable > 0 ? kSavedWithUnreadableExit : 0;
}

RegisterCommand reg{
    "save",
    "[--disk N] (--partition K | --fs " + FileSystemChoices() +
        " --start S --end E | --log FILE) "
        "[--save-log FILE] --to DIR "
        "[--deleted all|live|deleted] [--ext doc,xls,...] [--saving-mode "
        "auto|fat1|fat2|contiguous] "
        "[--replace ask|yes-all|no-all] [--recoverable-only] [--mode standard|advanced "
        "[--file-system N]] [PATH ...]  "
        "search the volume and save the whole tree or "
        "the named folders and files",
    {[] {
         std::vector<OptionSpec> options = SearchOptions();
         for (const char* name : {"--to", "--deleted", "--ext", "--saving-mode", "--replace"})
             options.push_back({name});
         options.push_back({"--recoverable-only", false});
         return options;
     }(),
     true},
    runSave};

} // namespace
} // namespace qr::cli
