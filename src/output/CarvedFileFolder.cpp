#include "output/CarvedFileFolder.h"

#include <cstdio>
#include <filesystem>

namespace qr::output {

CarvedFileFolder::CarvedFileFolder(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
}

CarvedFileFolder::~CarvedFileFolder() {
    if (open_)
        discard();
}

bool CarvedFileFolder::create(const std::string& name) {
    if (open_)
        discard();
    path_ = folder_ + name;
    // A name may lead into a folder of its kind.
    if (name.find('/') != std::string::npos) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    }
    open_ = file_.open(path_);
    return open_;
}

bool CarvedFileFolder::write(disk::ByteView bytes) {
    return open_ && file_.write(bytes.data(), bytes.size());
}

bool CarvedFileFolder::finish() {
    if (!open_)
        return false;
    open_ = false;
    const bool synced = file_.sync();
    return file_.close() && synced;
}

void CarvedFileFolder::discard() {
    if (!open_)
        return;
    open_ = false;
    file_.close();
    std::remove(path_.c_str());
}

void CarvedFileFolder::abandon() {
    open_ = false;
    file_.close();
}

} // namespace qr::output
