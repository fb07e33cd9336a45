#pragma once
// The per-run folder of the files the 'F' disk listing exchanges with its companion
// programs: the unit byte for the detector ("drvn1"), the detector's geometry record
// ("DP") and the media probe's answer ("CARDINFO.TXT"). The companion programs learn
// the folder from the environment variable below. The folder and whatever is left
// in it are removed with the object.
#include <filesystem>
#include <string>

namespace qr::disk {

inline constexpr const char* kScratchFolderVariable = "QUARRIXDALE_SCRATCH_DIR";
inline const std::string kUnitFile = "drvn1";
inline const std::string kGeometryFile = "DP";
inline const std::string kProbeAnswerFile = "CARDINFO.TXT";

class ScratchFolder {
public:
    // A fresh folder under the temporary folder; valid() is false when none could
    // be made.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool valid() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Names the folder in the environment of the companion programs started while the
// object lives, and restores the previous value afterwards.
class ScratchFolderEnvironment {
public:
    explicit ScratchFolderEnvironment(const std::filesystem::path& folder);
    ~ScratchFolderEnvironment();
    ScratchFolderEnvironment(const ScratchFolderEnvironment&) = delete;
    ScratchFolderEnvironment& operator=(const ScratchFolderEnvironment&) = delete;

private:
    bool had_ = false;
    std::string previous_;
};

} // namespace qr::disk
