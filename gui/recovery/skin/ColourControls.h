#pragma once
// An edit box and a text label with their own background and text colours (initially
// the button-face colour and black). Setting a colour repaints at once.
#include <QColor>
#include <QLabel>
#include <QLineEdit>

namespace qr::gui {

class ColourEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ColourEdit(QWidget* parent = nullptr);
    void setBackColour(const QColor& colour);
    void setTextColour(const QColor& colour);
    QColor backColour() const;
    QColor textColour() const;
};

class ColourLabel : public QLabel {
    Q_OBJECT
public:
    explicit ColourLabel(const QString& text, QWidget* parent = nullptr);
    void setBackColour(const QColor& colour);
    void setTextColour(const QColor& colour);
    QColor backColour() const;
    QColor textColour() const;
};

} // namespace qr::gui
