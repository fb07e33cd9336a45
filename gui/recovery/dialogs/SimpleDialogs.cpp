#include "dialogs/SimpleDialogs.h"

#include "FontScale.h"
#include "skin/ImageButton.h"

#include <QLabel>

namespace qr::gui {

SplashWindow::SplashWindow(QWidget* parent) : SkinnedDialog(parent, "splash") {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    if (backgroundSize().isValid()) {
        setFixedSize(backgroundSize());
        return;
    }
    // Without its picture the splash still names the program.
    setFixedSize(420, 260);
    auto* name = placeLabel("Quarrixdale Recovery - Memory Card", this, rect(), true, true);
    name->setAlignment(Qt::AlignCenter);
}

WaitPopup::WaitPopup(QWidget* parent) : PictureDialog(parent) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setBackground(skinImage("wait"));
    setMode(Stretch);
    setFixedSize(380, 65);
    auto* text = placeLabel("Getting Directory Information, Please Wait...", this,
                            QRect(10, 5, 360, 55), true, true);
    text->setAlignment(Qt::AlignCenter);
    fitToFont(this);
    if (parent)
        move(parent->mapToGlobal(parent->rect().center()) - rect().center());
}

NoMediaDialog::NoMediaDialog(QWidget* parent) : PictureDialog(parent) {
    setBackground(skinImage("tile"));
    setWindowTitle("Quarrixdale Recovery - Memory Card");
    setFixedSize(400, 170);
    placeLabel("Quarrixdale Recovery could not find any Removal Media connected to your system.",
               this, QRect(20, 25, 360, 60), true, true);
    auto* retry = placeButton("Retry", "Retry", this, 84, 115);
    auto* exit = placeButton("Exit", "Exit", this, 220, 115);
    connect(retry, &QPushButton::clicked, this, &QDialog::accept);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    fitToFont(this);
}

AboutDialog::AboutDialog(QWidget* parent, const QString& ownerText)
    : SkinnedDialog(parent, "about") {
    setWindowTitle("About Quarrixdale Recovery - Memory Card");
    setFixedSize(420, 250);
    auto* title = new ColourLabel("Quarrixdale Recovery - Memory Card Version 2.0.1.5", this);
    title->setGeometry(20, 20, 380, 24);
    title->setBackColour(QColor(0xd7, 0xd7, 0xd7));
    title->setTextColour(QColor(0, 0, 0x7f));
    placeLabel("Quarrixdale Software\nRecovery tools for memory cards, pen drives and disks\n"
               "www.quarrixdale.example  -  support@quarrixdale.example",
               this, QRect(20, 55, 380, 60));
    placeLabel("This product is licensed to:", this, QRect(20, 120, 380, 20));
    auto* owner = new QLabel(QString(ownerText).replace("\r\n", "\n"), this);
    owner->setObjectName("item1005");
    owner->setGeometry(20, 142, 380, 44);
    owner->setFrameShape(QFrame::StyledPanel);
    auto* ok = placeButton("OK", "OK", this, 162, 205);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    fitToFont(this);
}

ReplaceDialog::ReplaceDialog(QWidget* parent, const QString& path) : PictureDialog(parent) {
    setBackground(skinImage("tile"));
    setWindowTitle("Replace File Confirmation");
    setFixedSize(440, 190);
    placeLabel("The File Already Exists.", this, QRect(20, 15, 400, 22), true, true);
    auto* p = placeLabel(path, this, QRect(20, 40, 400, 36), true);
    p->setTextInteractionFlags(Qt::TextSelectableByMouse);
    placeLabel("Do you want to replace existing file.", this, QRect(20, 85, 400, 22));
    struct Choice {
        const char* caption;
        output::ReplacePolicy answer;
    } choices[] = {{"&Yes", output::ReplacePolicy::Replace},
                   {"&No", output::ReplacePolicy::Keep},
                   {"Yes to &All", output::ReplacePolicy::ReplaceAll},
                   {"No &to All", output::ReplacePolicy::KeepAll}};
    int x = 14;
    for (const auto& c : choices) {
        auto* b = placeButton(c.caption, QString(c.caption).remove('&'), this, x, 140);
        auto answer = c.answer;
        connect(b, &QPushButton::clicked, this, [this, answer] {
            answer_ = answer;
            answer == output::ReplacePolicy::Replace ? accept() : done(int(answer) + 10);
        });
        x += 104;
    }
    fitToFont(this);
}

WriteErrorDialog::WriteErrorDialog(QWidget* parent, const QString& path, const QString& reason)
    : SkinnedDialog(parent, "error") {
    setWindowTitle("Error Writing Destination");
    setFixedSize(420, 220);
    placeLabel("Error copying current file :", this, QRect(20, 15, 380, 22), true, true);
    placeLabel(path, this, QRect(20, 38, 380, 36), true);
    placeLabel(
        "There may be bad sector or error in file system or not enough space in destination.", this,
        QRect(20, 78, 380, 40), true);
    auto* why = placeLabel(reason, this, QRect(20, 120, 380, 36), true);
    why->setStyleSheet("color: #5a5a5a;");
    auto* abort = placeButton("&Abort", "Abort", this, 96, 172);
    auto* skip = placeButton("&Skip", "Skip", this, 228, 172);
    connect(abort, &QPushButton::clicked, this, [this] {
        answer_ = ui::WriteErrorAnswer::Abort;
        accept();
    });
    connect(skip, &QPushButton::clicked, this, [this] {
        answer_ = ui::WriteErrorAnswer::Skip;
        reject();
    });
    fitToFont(this);
}

} // namespace qr::gui
