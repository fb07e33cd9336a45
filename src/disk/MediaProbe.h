#pragma once
// The media probe of the 'F' family: runs the companion program NoDisk from the
// installation folder and reads the one-character answer it leaves in the scratch
// folder ("CARDINFO.TXT").
#include <chrono>
#include <filesystem>
#include <string>

namespace qr::disk {

inline const std::string kProbeProgram = "NoDisk";
// The probe is given this long; one that has not ended by then is stopped.
inline constexpr std::chrono::milliseconds kProbeLimit{20000};

struct ProbeOutcome {
    // The first byte of the answer file; '1' when there is none; 0 off the 'F' family.
    char answer = 0;
    // The probe was still running at the limit and was stopped.
    bool stopped = false;
};

// Runs the probe when `familyF`; otherwise answers 0 at once. The answer file of an
// earlier probe is removed first, so a stale answer is never read.
ProbeOutcome ProbeMedia(bool familyF, const std::string& installationPath,
                        const std::filesystem::path& scratchFolder,
                        std::chrono::milliseconds limit = kProbeLimit);

// The message shown when a companion program had to be stopped at `limit`.
std::string ProgramStoppedMessage(const std::string& program, std::chrono::milliseconds limit);
// The message shown when the probe had to be stopped.
std::string ProbeStoppedMessage(std::chrono::milliseconds limit);

} // namespace qr::disk
