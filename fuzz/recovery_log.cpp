// The recovery-log loader over arbitrary files: the parse, the disk-model check, and
// for a file that parses, the restore into the tables and the folder tree and a listing
// of its first folders with the layout the log gave (on a disk that repeats the
// file's bytes). A log that parses must read back the same once written again.
#include "app/FolderCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/RecoveryLogCommands.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "output/RecoveryLogFormat.h"
#include "support/VolumeDisks.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qr;
    constexpr std::uint64_t kDiskSectors = 1ull << 24;
    const std::span<const unsigned char> bytes(data, size);
    output::ReadLogDiskModel(bytes);
    const output::LogParseResult parsed = output::ParseRecoveryLog(bytes);
    if (!parsed.snapshot)
        return 0;
    const output::LogParseResult again =
        output::ParseRecoveryLog(output::EncodeRecoveryLog(*parsed.snapshot));
    if (!again.snapshot || !(*again.snapshot == *parsed.snapshot))
        std::abort(); // a log that loads does not survive being saved again

    test::RepeatingDisk disk(data, size, kDiskSectors);
    app::RecoveryContext ctx;
    ctx.reader = app::MakeSectorReader(
        ctx, std::make_shared<test::VolumeDiskOpener<test::RepeatingDisk>>(disk, kDiskSectors));
    app::RestoreRecoveryLog(ctx, *parsed.snapshot);
    std::size_t listed = 0;
    for (const model::FolderNode& node : ctx.folderNodes) {
        if (++listed > 8)
            break;
        app::ListFolder(ctx, node.treeItem, model::kMouseFolderLabels);
    }
    return 0;
}
