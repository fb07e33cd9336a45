#pragma once
// A progress bar that draws its own text: the control's text, or the percentage when
// that is empty, shown inverted over the filled part. Vertical bars fill from the bottom
// and carry no text. Nothing is drawn while the minimum is not below the maximum.
#include <QColor>
#include <QWidget>

namespace qr::gui {

class TextProgress : public QWidget {
    Q_OBJECT
public:
    explicit TextProgress(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    // The minimum (or the maximum when `minimum` is false); both into the optional pair.
    int range(bool minimum, std::pair<int, int>* both = nullptr) const;
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Each returns the previous position; the bar repaints when its length in pixels changes.
    int setPos(int position);
    int deltaPos(int delta) { return setPos(position_ + delta); }
    int stepIt() { return setPos(position_ + step_); }
    int pos() const { return position_; }
    // Returns the previous step.
    int setStep(int step);
    // Colours: an invalid colour means the default. Each returns the previous one.
    QColor setBarColour(const QColor& colour);
    QColor setBackColour(const QColor& colour);
    QColor setTextColour(const QColor& colour);
    void showText(bool show);
    void setVertical(bool vertical);
    // The bar's own text; empty shows the percentage again.
    void setText(const QString& text);
    QString text() const { return text_; }
    // What the bar shows: its own text, or the percentage ("" when no text is drawn).
    QString shownText() const;

    QSize sizeHint() const override { return {200, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double fraction() const;
    int barLength() const;

    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    int step_ = 1;
    bool showText_ = true;
    bool vertical_ = false;
    QColor bar_, back_, textColour_;
    QString text_;
    int cachedLength_ = -1;
};

} // namespace qr::gui
