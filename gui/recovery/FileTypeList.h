#pragma once
// The raw mode's file-type list, filled from the formats table: the classic kinds, or
// every kind when asked. The ticks of the rows already shown stay as they are.
class QListWidget;

namespace qr::gui {

void FillFileTypes(QListWidget& list, bool everyKind);

} // namespace qr::gui
