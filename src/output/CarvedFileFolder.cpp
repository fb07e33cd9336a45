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
    settle();
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
    open_ = file_->open(path_);
    return open_;
}

bool CarvedFileFolder::write(disk::ByteView bytes) {
    return open_ && file_->write(bytes.data(), bytes.size());
}

bool CarvedFileFolder::finish() {
    if (!open_)
        return false;
    open_ = false;
    finished_.push_back(std::move(file_));
    file_ = std::make_unique<OutputFile>();
    return true;
}

std::vector<bool> CarvedFileFolder::settle() {
    std::vector<bool> durable;
    if (finished_.empty())
        return durable;
    // Every file's write-back under way before the first flush waits, so that the
    // first flush commits what the others need and theirs cost little.
    for (const auto& file : finished_)
        file->startWriteBack();
    for (const auto& file : finished_) {
        const bool synced = file->sync();
        durable.push_back(file->close() && synced);
    }
    finished_.clear();
    return durable;
}

void CarvedFileFolder::discard() {
    if (!open_)
        return;
    open_ = false;
    file_->close();
    std::remove(path_.c_str());
}

void CarvedFileFolder::abandon() {
    open_ = false;
    file_->close();
}

} // namespace qr::output
