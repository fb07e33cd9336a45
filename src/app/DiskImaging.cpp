#include "app/DiskImaging.h"

#include "app/RecoveryContext.h"
#include "disk/DeviceFile.h"
#include "disk/SectorReader.h"
#include "rescue/ImageDestination.h"
#include "rescue/ImageMapFile.h"
#include "rescue/RescueStatusText.h"

#include <filesystem>
#include <fstream>

namespace qr::app {

namespace fs = std::filesystem;

std::string DiskImaging::prepare(RecoveryContext& ctx, std::uint16_t disk,
                                 const std::string& image) {
    ctx.selectedDiskNumber = disk;
    medium_ = ctx.reader->selectedDeviceName();
    image_ = image;
    mapPath_ = rescue::MapPathFor(image);
    input_ = std::make_unique<rescue::DeviceRescueInput>(
        std::make_shared<disk::PosixDeviceOpener>(), medium_);
    const std::uint64_t size = input_->openedSize();
    if (!input_->opened() || size == 0)
        return "Disk" + std::to_string(disk) + " (" + medium_ + ") cannot be read";

    // The map first: a refused one leaves the image untouched.
    map_ = rescue::RescueMap(size);
    std::error_code ec;
    resuming_ = fs::exists(mapPath_, ec) && fs::exists(image_, ec);
    if (resuming_) {
        std::ifstream in(mapPath_);
        rescue::MapRead read = rescue::ReadRescueMap(in, size);
        if (!read.map)
            return mapPath_ + ":" + std::to_string(read.refusal.line) + ": " + read.refusal.why;
        map_ = std::move(*read.map);
    }
    if (std::string refusal =
            rescue::ImageDestinationRefusal(medium_, image_, mapPath_, size, resuming_);
        !refusal.empty())
        return refusal;
    if (std::string problem = output_.open(image_, size, !resuming_); !problem.empty())
        return "cannot write the image '" + image_ + "': " + problem;
    return {};
}

rescue::RescueEnd DiskImaging::run(const std::atomic<bool>& stop,
                                   const std::function<void(const ImagingProgress&)>& progress) {
    const std::string command = "recovery image of " + medium_;
    rescue::RescueHooks hooks;
    hooks.saveMap = [&](const rescue::RescueMap& map) {
        return rescue::SaveRescueMap(mapPath_, map, command);
    };
    const rescue::Rescuer* running = nullptr;
    hooks.progress = [&](const rescue::RescueStatus& status) {
        if (running)
            slow_ = running->slowAreas();
        if (progress)
            progress({status, cells()});
    };
    rescue::Rescuer rescuer(*input_, output_, map_, rescue::RescueOptions{}, hooks);
    running = &rescuer;
    const rescue::RescueEnd end = rescuer.run(stop);
    slow_ = rescuer.slowAreas();
    return end;
}

std::vector<rescue::MapCell> DiskImaging::cells() const {
    return rescue::MapCells(map_, slow_, kCells);
}

std::string DiskImaging::endText(rescue::RescueEnd end) const {
    return rescue::RescueEndText(end, map_);
}

} // namespace qr::app
