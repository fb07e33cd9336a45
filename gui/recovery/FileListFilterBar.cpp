#include "FileListFilterBar.h"

#include "FileListProxy.h"

#include <QCheckBox>
#include <QLineEdit>

namespace qr::gui {

FileListFilterBar::FileListFilterBar(FileListProxy* proxy, QWidget* parent)
    : QWidget(parent), proxy_(proxy), text_(new QLineEdit(this)),
      deletedOnly_(new QCheckBox("Deleted only", this)),
      recoverableOnly_(new QCheckBox("Recoverable only", this)) {
    text_->setPlaceholderText("Filter: name, .ext or type");
    text_->setClearButtonEnabled(true);
    text_->setToolTip("Shows the files whose name contains the text, whose name ends in it "
                      "(.jpg) or whose type contains it");
    recoverableOnly_->setToolTip("Hides the deleted files whose clusters other files took");
    connect(text_, &QLineEdit::textChanged, this, [this] { apply(); });
    connect(deletedOnly_, &QCheckBox::toggled, this, [this] { apply(); });
    connect(recoverableOnly_, &QCheckBox::toggled, this, [this] { apply(); });
}

void FileListFilterBar::clear() {
    const QSignalBlocker a(text_), b(deletedOnly_), c(recoverableOnly_);
    text_->clear();
    deletedOnly_->setChecked(false);
    recoverableOnly_->setChecked(false);
    apply();
}

void FileListFilterBar::place(int width, int height) {
    // The checks take what their texts need; the box takes the rest.
    const int gap = height / 3;
    const int recoverable = recoverableOnly_->sizeHint().width();
    const int deleted = deletedOnly_->sizeHint().width();
    const int box = std::max(height * 4, width - recoverable - deleted - 2 * gap);
    text_->setGeometry(0, 0, box, height);
    deletedOnly_->setGeometry(box + gap, 0, deleted, height);
    recoverableOnly_->setGeometry(box + gap + deleted + gap, 0, recoverable, height);
}

void FileListFilterBar::apply() {
    model::RowFilter filter;
    filter.text = text_->text().trimmed().toStdString();
    filter.deletedOnly = deletedOnly_->isChecked();
    filter.recoverableOnly = recoverableOnly_->isChecked();
    proxy_->setFilter(std::move(filter));
}

} // namespace qr::gui
