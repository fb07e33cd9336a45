#pragma once
// A progress bar that draws its own text: the control's text, or the percentage when
// that is empty, shown inverted over the filled part.
#include <QColor>
#include <QWidget>

namespace qr::gui {

class TextProgress : public QWidget {
    Q_OBJECT
public:
    explicit TextProgress(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Returns the previous position; repaints when the bar's length in pixels changes.
    int setPosition(int position);
    int position() const { return position_; }
    int moveBy(int delta) { return setPosition(position_ + delta); }
    int setStep(int step);
    int step() { return setPosition(position_ + step_); }
    void setShowText(bool show);
    void setBarColour(const QColor& colour);
    void setBackColour(const QColor& colour);
    void setTextColour(const QColor& colour);
    void setText(const QString& text);
    QString text() const { return text_; }
    // What the bar shows: its own text, or the percentage ("" when nothing is drawn).
    QString shownText() const;

    QSize sizeHint() const override { return {200, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int barLength() const;

    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    int step_ = 1;
    bool showText_ = true;
    QColor bar_, back_, textColour_;
    QString text_;
    int cachedLength_ = -1;
};

} // namespace qr::gui
