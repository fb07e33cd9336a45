#include "disk/MediaProbe.h"

#include "disk/ScratchFolder.h"
#include "platform/Programs.h"

#include <fstream>

namespace qr::disk {

ProbeOutcome ProbeMedia(bool familyF, const std::string& installationPath,
                        const std::filesystem::path& scratchFolder,
                        std::chrono::milliseconds limit) {
    ProbeOutcome outcome;
    if (!familyF)
        return outcome;
    const std::filesystem::path answer = scratchFolder / kProbeAnswerFile;
    std::error_code ec;
    std::filesystem::remove(answer, ec);
    if (!installationPath.empty()) {
        const std::string program =
            (std::filesystem::path(installationPath) / kProbeProgram).string();
        outcome.stopped = platform::RunAndWaitAtMost({program, ""}, limit).timedOut;
    }
    outcome.answer = '1';
    std::ifstream in(answer, std::ios::binary);
    char byte = 0;
    if (in && in.get(byte))
        outcome.answer = byte;
    return outcome;
}

std::string ProgramStoppedMessage(const std::string& program, std::chrono::milliseconds limit) {
    return program + " did not finish within " + std::to_string(limit.count() / 1000) +
           " seconds and was stopped";
}

std::string ProbeStoppedMessage(std::chrono::milliseconds limit) {
    return ProgramStoppedMessage(kProbeProgram, limit);
}

} // namespace qr::disk
