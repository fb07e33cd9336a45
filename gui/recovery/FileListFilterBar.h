#pragma once
// The filter box above the browse step's file list: a text that matches part of a
// name, an extension (".jpg") or a type, and two checks for deleted files only and
// for files that are not overwritten.
#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace qr::gui {

class FileListProxy;

class FileListFilterBar : public QWidget {
    Q_OBJECT
public:
    FileListFilterBar(FileListProxy* proxy, QWidget* parent);
    // Empties the box and clears the checks (a new search, another step).
    void clear();
    // Places the three controls across `width` x `height` (the window's scale).
    void place(int width, int height);

    QLineEdit* text() const { return text_; }
    QCheckBox* deletedOnly() const { return deletedOnly_; }
    QCheckBox* recoverableOnly() const { return recoverableOnly_; }

private:
    void apply();

    FileListProxy* proxy_;
    QLineEdit* text_;
    QCheckBox* deletedOnly_;
    QCheckBox* recoverableOnly_;
};

} // namespace qr::gui
