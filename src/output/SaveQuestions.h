#pragma once
// Questions the writing pass asks from its worker thread. The GUI shows the dialog on
// its own thread and returns the answer while the worker waits; the CLI answers from
// its options; tests answer from a script.
#include "output/SaveState.h"

#include <string>

namespace qr::output {

// "Replace File Confirmation": "&Yes" Replace, "&No" Keep, "Yes to &All" ReplaceAll,
// "No &to All" KeepAll.
class ReplaceQuestion {
public:
    virtual ~ReplaceQuestion() = default;
    virtual ReplacePolicy askReplace(const std::string& outputPath) = 0;
};

enum class WriteErrorAnswer { Abort, Skip };

// "Error Writing Destination" ("Error copying current file :"). `reason` is the
// system's error text for the developer line under the dialog's own text.
class WriteErrorQuestion {
public:
    virtual ~WriteErrorQuestion() = default;
    virtual WriteErrorAnswer askWriteError(const std::string& outputPath,
                                           const std::string& reason) = 0;
};

// Applies an answer to the flags: Abort sets skip 0 and stop 1; Skip sets skip 1, stop 0.
void ApplyWriteErrorAnswer(SaveState& save, WriteErrorAnswer answer);

} // namespace qr::output
