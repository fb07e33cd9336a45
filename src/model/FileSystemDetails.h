#pragma once
// What the file-systems step shows of the file systems an advanced search found: one
// tree item per FileSystemTable row and, for the picked one, its details rows.
#include <string>
#include <vector>

namespace qr::model {

class RecordTable;

// "File System " + (index + 1) + " - " + the row's "PartType".
std::string FileSystemItemText(const RecordTable& fileSystems, int index);

// The four details rows of file system `index` (0-based): "File System - " + number,
// "Partition Type : " + "PartType", "File System Start : " + "Cluster0Start",
// "Sectors Per Clusters : " + "SPC". Empty for an index without a row.
std::vector<std::string> FileSystemDetailsRows(const RecordTable& fileSystems, int index);

} // namespace qr::model
