#include "dialogs/SaveSummaryDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qr::gui {

SaveSummaryDialog::SaveSummaryDialog(QWidget* parent, const std::vector<std::string>& lines,
                                     std::function<void()> openFolder)
    : QDialog(parent) {
    setWindowTitle("Save Summary");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    QStringList text;
    for (const std::string& line : lines)
        text << QString::fromStdString(line);
    auto* label = new QLabel(text.join('\n'), this);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(this);
    open_ = buttons->addButton("Open Destination Folder", QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(open_, &QPushButton::clicked, this, [openFolder = std::move(openFolder)] {
        if (openFolder)
            openFolder();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

} // namespace qr::gui
