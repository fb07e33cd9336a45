#pragma once
// How the browse step orders and filters the rows of a folder: numbers as numbers,
// dates and times as such, and the filter's tests on a row.
#include "model/FileList.h"

#include <cstdint>
#include <string>

namespace qr::model {

// True when row `a` goes before row `b` by `column` (ascending). Sizes compare as
// numbers, dates ("dd-Mon-yyyy", "d-Mon-yyyy") by day with unreadable ones first,
// times ("hh:mm", "h:m:s") by seconds, other columns by their text in any case.
bool RowBefore(const FileListRow& a, const FileListRow& b, int column);

// What the filter box asks of a row. An empty text lets every row through; otherwise
// a row passes when its name contains the text, or the text is ".ext" and its name
// ends so, or its type label contains the text (any case).
struct RowFilter {
    std::string text;
    bool deletedOnly = false;
    bool recoverableOnly = false; // overwritten files are kept out
};

// `recoverability`: the row's judgement text ("overwritten", ...; empty when none).
bool RowPasses(const FileListRow& row, const std::string& typeLabel,
               const std::string& recoverability, const RowFilter& filter);

} // namespace qr::model
