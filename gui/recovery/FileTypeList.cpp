#include "FileTypeList.h"

#include "raw/CarvedFormats.h"

#include <QListWidget>

namespace qr::gui {

void FillFileTypes(QListWidget& list, bool everyKind) {
    // Row k is kind k: the classic kinds lead the table, the others follow them.
    int rows = 0;
    while (rows < static_cast<int>(raw::kRawKinds) &&
           (everyKind || raw::RawKindTable[static_cast<std::size_t>(rows)].classic))
        ++rows;
    while (list.count() > rows)
        delete list.takeItem(list.count() - 1);
    for (int row = list.count(); row < rows; ++row) {
        const raw::RawKindInfo& kind = raw::RawKindTable[static_cast<std::size_t>(row)];
        auto* item = new QListWidgetItem(
            QString::fromUtf8(kind.listText.data(), static_cast<qsizetype>(kind.listText.size())),
            &list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(kind.tickedAtFirst ? Qt::Checked : Qt::Unchecked);
    }
}

} // namespace qr::gui
