#pragma once
// Where the raw search writes the files it finds: a folder on another drive in the
// program, memory in tests. The output layer implements it; the search never opens
// files itself.
#include "disk/ByteView.h"

#include <string>
#include <vector>

namespace qr::raw {

class CarvedFileOutput {
public:
    virtual ~CarvedFileOutput() = default;
    // Creates `name` in the destination, replacing a file of that name. False when it
    // cannot be created; the file is then skipped.
    virtual bool create(const std::string& name) = 0;
    // The file's next bytes; false on a write failure (the file is then closed and
    // stays as far as it was written).
    virtual bool write(disk::ByteView bytes) = 0;
    // Ends the file being written; false when that failed (the file is then removed).
    // It is made durable by the next settle().
    virtual bool finish() = 0;
    // Makes every file finished since the last settle durable at once (one flush of the
    // destination rather than one per file); says for each, in the order they were
    // finished, whether it is. A file that is not is removed.
    virtual std::vector<bool> settle() = 0;
    // Closes the file being written and removes it (a stop in the middle of it).
    virtual void discard() = 0;
    // Closes the file being written and keeps what was written (a write failure).
    virtual void abandon() = 0;
};

} // namespace qr::raw
