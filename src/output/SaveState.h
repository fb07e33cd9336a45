#pragma once
// Everything a save shares between the dialogs, the counting pass and the writing
// pass: destination, settings, the remembered replace answer, the skip and stop flags,
// the counters, and the views and questions the passes report to.
#include "output/SaveItem.h"
#include "output/SaveSettings.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qr::output {

class SaveProgressView;
class CountProgressView;
class ReplaceQuestion;
class WriteErrorQuestion;

// Where the selection of a save comes from.
inline constexpr std::uint16_t kSaveSourceNone = 0;
inline constexpr std::uint16_t kSaveSourceTree = 1;
inline constexpr std::uint16_t kSaveSourceList = 2;

// The answer of "Replace File Confirmation"; 2 and 3 stay in force for later files.
enum class ReplacePolicy : std::uint8_t { Replace = 0, Keep = 1, ReplaceAll = 2, KeepAll = 3 };

struct SaveCounters {
    std::uint32_t filesToSave = 0;
    std::uint64_t bytesToSave = 0;
    std::uint32_t filesDone = 0;
    std::uint64_t bytesDone = 0;
};

// Outcome totals of one writing pass, for the CLI summary and the tests.
struct SaveSummary {
    std::uint32_t written = 0; // files written completely
    std::uint64_t bytesWritten = 0;
    std::uint32_t passedOver = 0; // by the deleted or extension filter, or kept on replace
    std::uint32_t failed = 0;     // could not be created or written, or bad cluster data
    std::uint32_t stopped = 0;    // cut short by Skip or Stop (partial file kept)
    // Written whole, but with parts the medium could not read, saved as zeros (also
    // counted in `written`; each is named in the problems).
    std::uint32_t withUnreadable = 0;
    // Written, but from clusters guessed (the contiguous rule), or beginning with bytes
    // their extension's format never has: the content may belong to another file (also
    // counted in `written`).
    std::uint32_t uncertain = 0;
    // The paths of the uncertain files, in the order they were written.
    std::vector<std::string> uncertainFiles;
    // Written under a numbered name ("name (2).ext") because an earlier file of this save
    // took its own (also counted in `written`; each is named in the problems).
    std::uint32_t renamed = 0;
    // Why nothing was written when the save was refused before its first file (the
    // destination is unsafe or has too little free space); empty otherwise.
    std::string refused;
    // The medium stopped answering during the save (at this sector, when known): the
    // file being written was removed and no further file was written.
    std::optional<std::uint64_t> mediumLostAt;
};

struct SaveState {
    // "Save As".
    std::string destinationFolder;
    bool destinationCancelled = false;

    SaveSettings settings;
    std::uint16_t saveSource = kSaveSourceNone;

    ReplacePolicy replacePolicy = ReplacePolicy::Replace;
    // Set by the dialogs on the interface thread, polled by the worker before every read.
    std::atomic<bool> skipCurrent{false};
    std::atomic<bool> stopSaving{false};
    // Set when the program ends during a save: a file stopped half-way is removed rather
    // than left under a recovered file's name.
    std::atomic<bool> discardPartial{false};

    SaveCounters counters;
    // The files the counting pass admitted, in walk order; the writing pass writes them.
    std::vector<SaveItem> plan;
    // Folders whose directory the counting pass could not read: their files could not
    // be listed, and the writing pass names them as failed.
    std::vector<model::TreeItem> unreadableFolders;
    SaveSummary summary;
    // One line per file that could not be saved whole ("path: reason"), for the summary.
    std::vector<std::string> problems;
    std::chrono::steady_clock::time_point startTime{};

    // Reported to and asked from the worker thread; null: no view, and the questions
    // answer Replace / Skip. Owned by whoever shows the dialogs.
    SaveProgressView* progress = nullptr;
    CountProgressView* countView = nullptr;
    ReplaceQuestion* replaceQuestion = nullptr;
    WriteErrorQuestion* writeErrorQuestion = nullptr;
};

} // namespace qr::output
