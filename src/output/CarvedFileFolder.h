#pragma once
// The folder the raw search writes its files into: each file is created (replacing
// one of the same name), written, kept open when it is finished until the next settle
// makes the finished files durable together, and removed again when the search stops
// in the middle of it.
#include "output/OutputFile.h"
#include "raw/CarvedFileOutput.h"

#include <memory>
#include <string>
#include <vector>

namespace qr::output {

class CarvedFileFolder final : public raw::CarvedFileOutput {
public:
    explicit CarvedFileFolder(std::string folder);
    ~CarvedFileFolder() override;

    bool create(const std::string& name) override;
    bool write(disk::ByteView bytes) override;
    bool finish() override;
    std::vector<bool> settle() override;
    void discard() override;
    void abandon() override;

    // The path of the file last created, and why the last operation failed.
    const std::string& path() const { return path_; }
    const std::string& error() const { return file_->error(); }

private:
    std::string folder_;
    std::string path_;
    std::unique_ptr<OutputFile> file_ = std::make_unique<OutputFile>();
    std::vector<std::unique_ptr<OutputFile>> finished_;
    bool open_ = false;
};

} // namespace qr::output
