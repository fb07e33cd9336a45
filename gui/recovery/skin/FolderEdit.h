#pragma once
// A folder box with a small "&Browse" button right beside it. The button opens the
// folder chooser at the box's folder, puts the chosen folder into the box and, chosen
// or not, reports the box's text through folderBrowsed() (the destination folder).
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace qr::gui {

class FolderEdit;

class BrowseButton : public QPushButton {
    Q_OBJECT
public:
    explicit BrowseButton(FolderEdit& edit);
    FolderEdit& edit() const { return edit_; }

private:
    FolderEdit& edit_;
};

class FolderEdit : public QLineEdit {
    Q_OBJECT
public:
    // Asks for a folder as browseForFolder() does.
    using Chooser =
        std::function<bool(QString& folder, QWidget* owner, bool oldStyle, const QString& title)>;

    explicit FolderEdit(QWidget* parent = nullptr);
    // Creates the browse button beside the box (in the box's parent, with its font).
    void attach(bool oldStyle, const QString& title);
    BrowseButton* browseButton() const { return button_; }
    bool oldStyle() const { return oldStyle_; }
    QString chooserTitle() const { return title_; }
    // Replaces the chooser (the default is browseForFolder).
    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }
    // The browse button was clicked.
    void browse();

Q_SIGNALS:
    void folderBrowsed(const QString& folder);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void placeButton();

    BrowseButton* button_ = nullptr;
    bool oldStyle_ = false;
    QString title_;
    Chooser chooser_;
};

} // namespace qr::gui
