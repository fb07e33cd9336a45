#pragma once
// A line printer for one print job: fixed-pitch text with half-inch margins, a page
// header on every page (title, page number, red rule) and a new page whenever the next
// line would start below the bottom margin. Lines are neither wrapped nor clipped.
#include <QFont>
#include <QPainter>
#include <QString>

class QPagedPaintDevice;

namespace qr::gui {

class TextPrinter {
public:
    static constexpr const char* kTitle = "Quarrixdale Recovery-Memory Card";

    explicit TextPrinter(QPagedPaintDevice& device);
    ~TextPrinter();
    TextPrinter(const TextPrinter&) = delete;
    TextPrinter& operator=(const TextPrinter&) = delete;

    // Takes the font metrics and the device's sizes; the document itself begins with
    // the first line, so a job without lines prints no page.
    void startPrinting();
    void printLine(const QString& text);
    // Ends the page and the document.
    void endPrinting();

    int pageNumber() const { return pageNumber_; }
    int linesPerPage() const;

private:
    void openPage();
    void drawHeader();

    QPagedPaintDevice& device_;
    QPainter painter_;
    QFont font_;
    int topMargin_ = 0;
    int leftMargin_ = 0;
    int pageHeight_ = 0;
    int pageWidth_ = 0;
    int currentY_ = 0;
    int lineHeight_ = 1;
    int ascent_ = 0;
    int penWidth_ = 1;
    bool pageOpen_ = false;
    bool printing_ = false;
    int pageNumber_ = 0;
};

} // namespace qr::gui
