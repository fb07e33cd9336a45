#include "output/SaveProgressView.h"

#include <algorithm>

namespace qr::output {

std::string MegabytesText(std::uint64_t bytes) {
    return std::to_string(bytes / 1024 / 1024) + " MB";
}

std::string MinutesSecondsText(std::uint64_t secs) {
    return std::to_string(secs / 60) + " Min " + std::to_string(secs % 60) + " Sec";
}

int SavedPercent(const SaveCounters& c) {
    const std::uint64_t total = c.bytesToSave == 0 ? 1 : c.bytesToSave;
    return static_cast<int>(std::min<std::uint64_t>(100, c.bytesDone * 100 / total));
}

SavingTexts MakeSavingTexts(const SaveCounters& c, const std::string& outputPath,
                            const std::string& name, std::uint64_t written, std::uint64_t size,
                            std::uint64_t elapsedSeconds) {
    SavingTexts t;
    t.fileName = name;
    t.filePath = outputPath;
    t.totalFiles = std::to_string(c.filesDone) + " / " + std::to_string(c.filesToSave);
    t.currentFile = std::to_string(written) + " / " + std::to_string(size);
    t.dataDone = MegabytesText(c.bytesDone);
    t.dataTotal = MegabytesText(c.bytesToSave == 0 ? 1 : c.bytesToSave);
    t.percent = SavedPercent(c);
    t.percentText = std::to_string(t.percent) + "% Completed";
    if (elapsedSeconds >= 1) {
        const std::uint64_t rate = c.bytesDone / elapsedSeconds;
        if (rate != 0) {
            const std::uint64_t left =
                c.bytesToSave > c.bytesDone ? c.bytesToSave - c.bytesDone : 0;
            t.timeRemaining = MinutesSecondsText(left / rate);
            t.timeElapsed = MinutesSecondsText(elapsedSeconds);
        }
    }
    return t;
}

} // namespace qr::output
