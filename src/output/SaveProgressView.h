#pragma once
// What the "Saving" and "Calculating File Size" dialogs display, as the passes report
// it from their worker thread. The GUI copies the texts onto its own thread.
#include "output/SaveState.h"

#include <cstdint>
#include <string>

namespace qr::output {

// The texts of "Saving", already formatted.
struct SavingTexts {
    std::string fileName;      // "File Name :"
    std::string filePath;      // "File Path :" (the output path)
    std::string totalFiles;    // "Total Files Recovered :" files done " / " files to save
    std::string currentFile;   // " Recovered Current File :" written " / " size
    std::string dataDone;      // "Total Data Recovered :" left of "/", e.g. "12 MB"
    std::string dataTotal;     // right of "/"
    int percent = 0;           // progress bar 1145, 0..100
    std::string percentText;   // e.g. "45% Completed"
    std::string timeRemaining; // e.g. "2 Min 5 Sec"; empty until known
    std::string timeElapsed;
};

class SaveProgressView {
public:
    virtual ~SaveProgressView() = default;
    // Called when a file starts and as its data is written.
    virtual void showSaving(const SavingTexts& texts) = 0;
};

// The counter text 1141 of "Calculating File Size".
class CountProgressView {
public:
    virtual ~CountProgressView() = default;
    virtual void showFilesCounted(std::uint32_t filesToSave) = 0;
};

// Formatting used by the texts above.
std::string MegabytesText(std::uint64_t bytes);     // bytes / 1024 / 1024 + " MB"
std::string MinutesSecondsText(std::uint64_t secs); // m + " Min " + s + " Sec"
int SavedPercent(const SaveCounters& counters);     // capped at 100

// The texts for the file being written: `written` of `size` bytes so far, with
// `elapsedSeconds` since the save began.
SavingTexts MakeSavingTexts(const SaveCounters& counters, const std::string& outputPath,
                            const std::string& name, std::uint64_t written, std::uint64_t size,
                            std::uint64_t elapsedSeconds);

} // namespace qr::output
