#pragma once
// "Save Summary": what the save did (files saved, failed, uncertain, with unreadable
// sectors) and a button that opens the destination folder. Not modal: the window
// stays usable while it is read.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QPushButton;

namespace qr::gui {

class SaveSummaryDialog : public QDialog {
    Q_OBJECT
public:
    // `openFolder` is called by "Open Destination Folder".
    SaveSummaryDialog(QWidget* parent, const std::vector<std::string>& lines,
                      std::function<void()> openFolder);
    QPushButton* openButton() const { return open_; }

private:
    QPushButton* open_;
};

} // namespace qr::gui
