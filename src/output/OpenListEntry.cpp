#include "output/OpenListEntry.h"

#include "model/FileList.h"
#include "model/RecordTable.h"
#include "output/CreateDirectoryPath.h"
#include "output/FileExtraction.h"
#include "output/SafeOutputName.h"

#include <algorithm>
#include <cctype>

namespace qr::output {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

std::string OpenedFilePath(const std::string& workFolder, const std::string& name) {
    std::string path = workFolder;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + SafeOutputName(name, NameMaxOf(workFolder));
}

OpenedAs OpenListEntry(ListEntryPorts& ctx, int rowIndex, const ShellServices& shell) {
    if (!ctx.browsing || rowIndex < 0 || rowIndex >= ctx.fileList.rowCount())
        return OpenedAs::Nothing;
    const model::FileListRow row = ctx.fileList.row(rowIndex);
    const std::string type = upper(row.cells[model::file_col::Type]);
    if (endsWith(type, "FOLDER")) {
        const model::TreeItem item = row.folderItem;
        if (!ctx.recoveryTree.valid(item))
            return OpenedAs::Nothing;
        ctx.recoveryTree.setSelected(item);
        ctx.openSelectedFolder();
        return OpenedAs::Folder;
    }
    if (!endsWith(type, "FILE"))
        return OpenedAs::Nothing;

    const std::string& name = row.file.name;
    CreateDirectoryPath(ctx.workFolder);
    const std::string path = OpenedFilePath(ctx.workFolder, name);
    const std::unique_ptr<volume::VolumeEngine> engine = ctx.engine();
    if (!engine)
        return OpenedAs::Nothing;
    ExtractToFile(ctx.save, ctx.sourceDevice, *engine, path, row.file, false);
    if (shell.launcher)
        OpenWithShell(path, *shell.launcher, shell.chooser);
    return OpenedAs::File;
}

} // namespace qr::output
