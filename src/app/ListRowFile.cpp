#include "app/ListRowFile.h"

#include "model/RecordTable.h"

namespace qr::app {

volume::FolderFile ListRowFile(const model::FileListRow& row) {
    using namespace model::file_col;
    volume::FolderFile file;
    file.name = row.cells[Name];
    file.size = static_cast<std::uint64_t>(model::parseCellNumber64(row.cells[Size]));
    file.validLength = file.size;
    file.location = static_cast<std::uint64_t>(model::parseCellNumber64(row.cells[DebugInfo1]));
    // NTFS rows carry the record number; other engines leave the cell empty.
    file.selfKey = static_cast<std::uint32_t>(model::parseCellNumber(row.cells[DebugInfo3]));
    file.deleted = row.cells[Type].rfind("Deleted", 0) == 0;
    return file;
}

} // namespace qr::app
