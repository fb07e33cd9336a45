#include "Artwork.h"

#include "FontScale.h"
#include "setup/InstallerFiles.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace qr::setupgui {

namespace {

const QColor kInk(32, 48, 72);
const QColor kTitleBlue(31, 78, 140);

QFont font(int pixels, bool bold = false) {
    QFont f("DejaVu Sans");
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A transparent picture of `size` (the layout's) grown by `scale`.
QPixmap canvas(QSize size, ArtScale scale) {
    const QSize shown = gui::scaled(size, scale.layout);
    QPixmap pix(shown * scale.device);
    pix.setDevicePixelRatio(scale.device);
    pix.fill(Qt::transparent);
    return pix;
}

// Lets `p` draw on a grown picture in the layout's coordinates, `size` being the
// layout's size of the whole picture.
void fitPainter(QPainter& p, const QPixmap& pix, QSize size) {
    const QSizeF shown = pix.deviceIndependentSize();
    if (size.isEmpty())
        return;
    p.scale(shown.width() / size.width(), shown.height() / size.height());
}

void fillSky(QPainter& p, const QRect& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0xE8, 0xF0, 0xFA));
    g.setColorAt(1, QColor(0xC8, 0xDC, 0xEF));
    p.fillRect(r, g);
}

void banner(QPainter& p, int width, const QString& heading) {
    QLinearGradient g(0, 0, width, 0);
    g.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    g.setColorAt(1, QColor(0x3A, 0x78, 0xC2));
    p.fillRect(QRect(0, 0, width, 56), g);
    p.setPen(Qt::white);
    p.setFont(font(17, true));
    p.drawText(QRect(16, 6, width - 32, 26), Qt::AlignLeft | Qt::AlignVCenter,
               "Quarrixdale Recovery (Evaluation)");
    p.setFont(font(12));
    p.drawText(QRect(16, 30, width - 32, 20), Qt::AlignLeft | Qt::AlignVCenter,
               "Memory Card Setup");
    p.setFont(font(13, true));
    p.drawText(QRect(16, 30, width - 32, 20), Qt::AlignRight | Qt::AlignVCenter, heading);
}

// A memory card: a dark body with a cut corner, a label and gold contacts.
void memoryCard(QPainter& p, const QRect& r) {
    QPainterPath body;
    const int cut = r.width() / 4;
    body.moveTo(r.left() + cut, r.top());
    body.lineTo(r.right(), r.top());
    body.lineTo(r.right(), r.bottom());
    body.lineTo(r.left(), r.bottom());
    body.lineTo(r.left(), r.top() + cut);
    body.closeSubpath();
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x44, 0x4C, 0x58));
    g.setColorAt(1, QColor(0x1E, 0x24, 0x2C));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x10, 0x14, 0x18), 1));
    p.setBrush(g);
    p.drawPath(body);
    const int w = r.width();
    for (int i = 0; i < 5; ++i)
        p.fillRect(QRect(r.left() + cut + 4 + i * (w - cut - 8) / 5, r.top() + 4,
                         (w - cut - 8) / 5 - 3, r.height() / 5),
                   QColor(0xD9, 0xB3, 0x4C));
    p.fillRect(QRect(r.left() + 8, r.top() + r.height() / 2, w - 16, r.height() / 3),
               QColor(0x3A, 0x78, 0xC2));
    p.setPen(Qt::white);
    p.setFont(font(11, true));
    p.drawText(QRect(r.left() + 8, r.top() + r.height() / 2, w - 16, r.height() / 3),
               Qt::AlignCenter, "QR");
    p.setRenderHint(QPainter::Antialiasing, false);
}

// The left column: the card and the list of steps, the current one marked.
void stepsColumn(QPainter& p, int current) {
    const QRect column(12, 66, 148, 238);
    p.setPen(QColor(0x9F, 0xB8, 0xD4));
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawRoundedRect(column, 6, 6);
    memoryCard(p, QRect(46, 80, 80, 100));
    const char* steps[] = {"Welcome", "Licence", "Destination", "Installing", "Finish"};
    for (int i = 0; i < 5; ++i) {
        const QRect line(24, 196 + i * 20, 130, 18);
        const bool here = i + 1 == current;
        const bool done = i + 1 < current;
        p.setPen(here ? kTitleBlue : done ? QColor(0x4A, 0x86, 0x4A) : QColor(0x70, 0x80, 0x90));
        p.setFont(font(11, here));
        p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                   QString(done   ? "\u2713 "
                           : here ? "\u25B6 "
                                  : "   ") +
                       steps[i]);
    }
}

void panel(QPainter& p) {
    p.setPen(QColor(0xA8, 0xAC, 0xB0));
    p.setBrush(kPanelGrey);
    p.drawRect(kPanel.adjusted(0, 0, -1, -1));
}

void paragraph(QPainter& p, const QRect& r, const QString& text, int pixels = 11, bool bold = false,
               const QColor& colour = kInk) {
    p.setPen(colour);
    p.setFont(font(pixels, bold));
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

QPixmap wizardFrame(int step, const QString& heading, ArtScale scale) {
    QPixmap pix = canvas(kWizardSize, scale);
    QPainter p(&pix);
    fitPainter(p, pix, kWizardSize);
    fillSky(p, QRect(QPoint(0, 0), kWizardSize));
    banner(p, kWizardSize.width(), heading);
    stepsColumn(p, step);
    panel(p);
    p.setPen(QColor(0x9F, 0xB8, 0xD4));
    p.drawLine(12, 314, kWizardSize.width() - 12, 314);
    p.setPen(QColor(0x60, 0x70, 0x84));
    p.setFont(font(10));
    p.drawText(QRect(12, 318, 240, 40), Qt::AlignLeft | Qt::AlignVCenter,
               "Quarrixdale Recovery (Evaluation)\nMemory Card");
    return pix;
}

} // namespace

QPixmap WizardBackground(int page, ArtScale scale) {
    static const char* headings[] = {"Welcome", "Licence Agreement", "Destination Location",
                                     "Installing"};
    page = std::clamp(page, 1, 4);
    QPixmap pix = wizardFrame(page, headings[page - 1], scale);
    QPainter p(&pix);
    fitPainter(p, pix, kWizardSize);
    const int x = kPanel.left() + 10, w = kPanel.width() - 20;
    switch (page) {
    case 1:
        paragraph(p, QRect(x, 76, w, 54),
                  "Welcome to the Quarrixdale Recovery (Evaluation) - Memory Card Setup "
                  "program. This program will install the recovery program on your computer.",
                  12, true, kTitleBlue);
        paragraph(p, QRect(x, 134, w, 34),
                  "It is strongly recommended that you exit all programs before running this "
                  "Setup program.");
        paragraph(p, QRect(x, 172, w, 48),
                  "Click CANCEL to quit Setup and then any program that you have running. "
                  "Click next to continue with this setup program.");
        paragraph(p, QRect(x, 230, w, 70),
                  "WARNING: This program is protected by copyright law. Unauthorised copying "
                  "or distribution of this program, or of any part of it, is not allowed and "
                  "may be prosecuted.",
                  10, false, QColor(0x8A, 0x20, 0x20));
        break;
    case 2:
        break; // the licence controls fill the panel
    case 3:
        paragraph(p, QRect(x, 76, w, 50),
                  "Setup will install Quarrixdale Recovery (Evaluation) - Memory Card in the "
                  "following folder. To install into a different folder, click Browse and "
                  "select another folder.");
        break;
    case 4:
        paragraph(p, QRect(x, 90, w, 50),
                  "Please wait while Setup copies the files of Quarrixdale Recovery "
                  "(Evaluation) - Memory Card to your computer.");
        break;
    }
    return pix;
}

QPixmap FinishBackground(ArtScale scale) {
    QPixmap pix = wizardFrame(5, "Setup Complete", scale);
    QPainter p(&pix);
    fitPainter(p, pix, kWizardSize);
    const int x = kPanel.left() + 10, w = kPanel.width() - 20;
    paragraph(p, QRect(x, 80, w, 40), "Setup has finished copying files to your computer", 13, true,
              kTitleBlue);
    paragraph(p, QRect(x, 124, w, 20), "Setup will now launch the program", 12);
    paragraph(p, QRect(x, 148, w, 20), "Click finish to complete the setup.", 12);
    paragraph(p, QRect(x + 24, 202, w - 24, 40),
              "Yes, launch Quarrixdale Recovery (Evaluation) - Memory Card now.", 11, true);
    return pix;
}

QPixmap ExitBackground(ArtScale scale) {
    QPixmap pix = canvas(kExitSize, scale);
    QPainter p(&pix);
    fitPainter(p, pix, kExitSize);
    fillSky(p, QRect(QPoint(0, 0), kExitSize));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3A, 0x78, 0xC2));
    p.drawEllipse(QRect(16, 18, 36, 36));
    p.setPen(Qt::white);
    p.setFont(font(24, true));
    p.drawText(QRect(16, 18, 36, 36), Qt::AlignCenter, "?");
    p.setRenderHint(QPainter::Antialiasing, false);
    paragraph(p, QRect(66, 14, 316, 30),
              "If you quit the setup program now, the program will not be install.", 11, true);
    paragraph(p, QRect(66, 50, 316, 58),
              "You may run setup program at a later time to complete the installation. To "
              "continue installing the program, click Resume. To Quit the setup program, click "
              "Exit.",
              11);
    return pix;
}

std::vector<QPixmap> ButtonImages(const QString& words, ButtonTone tone, QSize size,
                                  ArtScale scale) {
    const QColor top =
        tone == ButtonTone::Blue ? QColor(0x5A, 0x96, 0xD8) : QColor(0x7A, 0x8F, 0xA9);
    const QColor bottom =
        tone == ButtonTone::Blue ? QColor(0x1F, 0x4E, 0x8C) : QColor(0x3C, 0x4F, 0x66);
    auto draw = [&](QColor a, QColor b, QColor ink, int shift) {
        QPixmap pix = canvas(size, scale);
        QPainter p(&pix);
        fitPainter(p, pix, size);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, size.height());
        g.setColorAt(0, a);
        g.setColorAt(1, b);
        p.setPen(QPen(b.darker(140), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 5, 5);
        p.setPen(ink);
        p.setFont(font(11, true));
        p.drawText(QRect(shift, shift, size.width(), size.height()), Qt::AlignCenter, words);
        return pix;
    };
    return {draw(top, bottom, Qt::white, 0), draw(bottom, top.darker(110), Qt::white, 1),
            draw(QColor(0xC8, 0xCC, 0xD0), QColor(0x9C, 0xA2, 0xA8), QColor(0xE8, 0xEA, 0xEC), 0)};
}

} // namespace qr::setupgui
