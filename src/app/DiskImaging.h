#pragma once
// "Create Disk Image": copies the selected disk into an image file, keeping the rescue
// map beside it (IMAGE.map). An image begun before, whose map is there, is resumed from
// that map. run() copies on the thread that calls it; the wizard calls it on a worker
// and is told the figures and the map's picture as the copy goes.
#include "rescue/MapCells.h"
#include "rescue/RescueMap.h"
#include "rescue/RescueMedium.h"
#include "rescue/Rescuer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qr::app {

struct RecoveryContext;

struct ImagingProgress {
    rescue::RescueStatus status;
    std::vector<rescue::MapCell> cells;
};

class DiskImaging {
public:
    // Cells of the map's picture.
    static constexpr std::size_t kCells = 1024;

    // Opens disk `disk` of the context and the image `image`; empty when the copy can
    // start, else why not (the refusals of recovery-cli image).
    std::string prepare(RecoveryContext& ctx, std::uint16_t disk, const std::string& image);
    // Copies until the end or `stop`; `progress` is called on this thread.
    rescue::RescueEnd run(const std::atomic<bool>& stop,
                          const std::function<void(const ImagingProgress&)>& progress);

    const std::string& medium() const { return medium_; }
    const std::string& image() const { return image_; }
    const std::string& mapPath() const { return mapPath_; }
    bool resuming() const { return resuming_; }
    // The picture as it is now (before a run: the map read back, or all not tried).
    std::vector<rescue::MapCell> cells() const;
    // Why the run ended, in words, once run() has returned.
    std::string endText(rescue::RescueEnd end) const;

private:
    std::string medium_;
    std::string image_;
    std::string mapPath_;
    bool resuming_ = false;
    std::unique_ptr<rescue::DeviceRescueInput> input_;
    rescue::ImageFileOutput output_;
    rescue::RescueMap map_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> slow_;
};

} // namespace qr::app
