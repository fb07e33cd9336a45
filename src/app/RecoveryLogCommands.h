#pragma once
// Saving a finished recovery as a log and loading one back without searching the disk
// again: the Save Log and Load Log commands, the load worker and the window changes
// around it. The dialogs come in as callbacks, so the same code runs under the Qt
// window, the command line and tests.
#include "output/RecoveryLogFile.h"
#include "output/RecoveryLogSnapshot.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qr::app {

struct RecoveryContext;

inline const std::string kPleaseWait = "Please Wait...";
inline const std::string kWrongDisk = "You Have Selected Wrong Disk";
inline const std::string kErrorInFile = "Error in file";
inline const std::string kLoadedInstructions =
    "If you want to save any files or directories from left panel click on save button";
inline const std::string kRawModeRefusal =
    "This Feature can not be used while running under RAW Recovery Mode";

// The dialogs and the wait window of the log commands.
struct RecoveryLogDialogs {
    // The save-file dialog (filter "*.dms"); nullopt when cancelled.
    output::ChooseLogPath chooseSavePath;
    // The open-file dialog (filter "*.dms", several names allowed); empty when cancelled.
    std::function<std::vector<std::string>()> chooseLoadPaths;
    // The small modeless wait window shown while the tree is rebuilt.
    std::function<void()> showWaitPopup;
    std::function<void()> closeWaitPopup;
};

// What a log of the current recovery holds.
output::RecoveryLogSnapshot TakeRecoveryLogSnapshot(const RecoveryContext& ctx);

// Writes the log of the current recovery to `path` (no dialog, no message).
output::LogWriteResult WriteRecoveryLog(const RecoveryContext& ctx, const std::string& path);

// Save Log: asks for the file through the dialog loop and writes the log, with the
// messages of a failed write. True when a log was written.
bool SaveRecoveryLog(RecoveryContext& ctx, const output::ChooseLogPath& choose);

enum class LogLoadOutcome { Loaded, Cancelled, CannotOpen, WrongDisk, ErrorInFile };

struct LogReadOutcome {
    LogLoadOutcome outcome = LogLoadOutcome::ErrorInFile;
    std::optional<output::RecoveryLogSnapshot> log;
    std::string problem; // for developers
};

// Reads and checks a whole log against the model of the selected disk; touches nothing.
LogReadOutcome ReadRecoveryLog(const std::string& path, const std::string& diskModel);

// Gives a checked log to the recovery state: search fields (the mode is Standard), both
// volume layouts, the tables, and a new folder tree built from the folder records (no
// directory is read). `tablesReady` runs once the tables are filled, before the tree.
void RestoreRecoveryLog(RecoveryContext& ctx, const output::RecoveryLogSnapshot& log,
                        const std::function<void()>& tablesReady = {});

// Load Log, the part on the interface thread before the worker: the partition tree is
// hidden, the recovery tree replaced by an empty disabled one, the step set to 3.
void BeginRecoveryLogLoad(RecoveryContext& ctx);

// The load worker: the open dialog, the checks, the restore and the window changes of
// the results step. Anything short of a loaded log puts the partition step back and
// leaves the tables and the search mode as they were.
LogLoadOutcome LoadRecoveryLog(RecoveryContext& ctx, const RecoveryLogDialogs& dialogs);

// The Save Log and Load Log commands. In Raw mode both refuse with their message. The
// buttons act only on their own step (Save Log on the results step, Load Log on the
// partition step); the menu items are greyed elsewhere. Load Log runs the worker on
// ctx.logLoadThread and does nothing while one runs.
enum class LogCommandSource { Menu, Button };
void SaveLogCommand(RecoveryContext& ctx, const RecoveryLogDialogs& dialogs,
                    LogCommandSource source);
void LoadLogCommand(RecoveryContext& ctx, const RecoveryLogDialogs& dialogs,
                    LogCommandSource source);

} // namespace qr::app
