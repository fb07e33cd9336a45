#pragma once
// The steps every extraction takes around its data in save mode: the deleted and
// extension filters, the replace question, the file count, the "Saving" texts, and the
// write-error question. Shared by the FAT and NTFS extractions.
#include <cstdint>
#include <string>

namespace qr::output {

struct SaveState;

// How one extraction ended.
enum class ExtractResult {
    Written,    // the whole file (as far as its size) was written
    PassedOver, // a filter or the replace answer kept it from being written
    Failed,     // output not created or not written, or no data to read
    Stopped,    // Skip or Stop during the file (the part written stays)
    MediumLost, // the medium stopped answering: nothing of the file stays, the save ends
};

// Save mode, before anything is written: true when the file is to be written. Applies
// the filters in order, then the replace policy (asking when needed), then counts the
// file as done and shows it in "Saving".
bool AdmitForSave(SaveState& save, const std::string& outputPath, const std::string& name,
                  bool deleted);

// Refuses an output that is not a regular file or that is the source itself, and asks
// "Error Writing Destination" about it. True when the output may be opened.
// `sourceDevice`: the device name of the medium under recovery (empty: none).
bool OutputAllowed(SaveState& save, const std::string& sourceDevice, const std::string& outputPath);

// Asks "Error Writing Destination" and applies the answer to the flags.
void ReportWriteError(SaveState& save, const std::string& outputPath, const std::string& reason);

// Records why a file could not be saved whole.
void NoteProblem(SaveState& save, const std::string& outputPath, const std::string& reason);

// Adds `bytes` to bytes done and, in save mode, refreshes "Saving" (at most every
// 100 ms unless `force`).
class SavingReporter {
public:
    SavingReporter(SaveState& save, bool saveMode, std::string outputPath, std::string name,
                   std::uint64_t size);
    void written(std::uint64_t bytes, bool force = false);

private:
    SaveState& save_;
    bool saveMode_;
    std::string outputPath_, name_;
    std::uint64_t size_;
    std::uint64_t done_ = 0;
    std::int64_t lastShownMs_ = -1;
};

} // namespace qr::output
