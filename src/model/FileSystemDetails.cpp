#include "model/FileSystemDetails.h"

#include "model/RecordTable.h"

namespace qr::model {

std::string FileSystemItemText(const RecordTable& fileSystems, int index) {
    return "File System " + std::to_string(index + 1) + " - " +
           fileSystems.cell(index, boot_col::PartType);
}

std::vector<std::string> FileSystemDetailsRows(const RecordTable& fileSystems, int index) {
    if (index < 0 || index >= fileSystems.rowCount())
        return {};
    return {"File System - " + std::to_string(index + 1),
            "Partition Type : " + fileSystems.cell(index, boot_col::PartType),
            "File System Start : " + fileSystems.cell(index, boot_col::Cluster0Start),
            "Sectors Per Clusters : " + fileSystems.cell(index, boot_col::Spc)};
}

} // namespace qr::model
