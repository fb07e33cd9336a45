#pragma once
// The directory list: the recovery tree written as one line per parent-child pair,
// "parent label-> child", depth first, each parent before its descendants. The view
// file ends each line with CR LF; the print file separates lines with the byte 230.
#include "model/TreeModel.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qr::output {

inline constexpr const char* kDirectoryListViewFile = "TreeStructView.txt";
inline constexpr const char* kDirectoryListPrintFile = "TreeStructPrint.dat";
inline constexpr char kPrintSeparator = '\xE6';

// The lines of the tree under `root`. The parent label is the root's text for its
// children and the parent's folder path below it; a label starting with "Partition"
// becomes "Root Directory ".
std::vector<std::string> DirectoryListLines(const model::TreeModel& tree, model::TreeItem root);

// Creates `file` anew with each line followed by `terminator`. False when it cannot be
// created or written.
bool WriteDirectoryListFile(const std::filesystem::path& file,
                            const std::vector<std::string>& lines, const std::string& terminator);

// The lines of a print file: bytes up to each separator; a last line without its
// separator is not a line.
std::vector<std::string> ReadPrintFile(const std::filesystem::path& file);

} // namespace qr::output
