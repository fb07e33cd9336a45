#include "app/ExtractCommands.h"

#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "output/FileExtraction.h"

namespace qr::app {

std::string SourceDeviceName(const RecoveryContext& context) {
    return context.reader ? context.reader->selectedDeviceName() : std::string{};
}

output::ExtractResult ExtractToFile(RecoveryContext& context, const std::string& outputPath,
                                    const std::string& name, std::uint64_t size,
                                    std::uint64_t location, bool saveMode, bool deleted) {
    const std::unique_ptr<volume::VolumeEngine> engine = EngineFor(context);
    if (!engine)
        return output::ExtractResult::Failed;
    volume::FolderFile file;
    file.name = name;
    file.size = size;
    file.validLength = size;
    file.deleted = deleted;
    file.location = location;
    return output::ExtractToFile(context.save, SourceDeviceName(context), *engine, outputPath, file,
                                 saveMode);
}

output::OpenedAs OpenListEntry(RecoveryContext& context, int row,
                               const output::ShellServices& shell) {
    output::ListEntryPorts ports{context.fileList,
                                 context.recoveryTree,
                                 context.wizardStage == 3,
                                 context.workFolder,
                                 context.save,
                                 SourceDeviceName(context),
                                 [&context] { OnFolderEnterKey(context); },
                                 [&context] { return EngineFor(context); }};
    return output::OpenListEntry(ports, row, shell);
}

} // namespace qr::app
