#include "skin/Skin.h"

#include "skin/ImageButton.h"

#include <QLineEdit>
#include <QPainter>

// The skin's images are compiled into this static library; register them once.
static void initSkinResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace qr::gui {

QPixmap skinImage(const char* name) {
    initSkinResources();
    return QPixmap(QStringLiteral(":/images/%1.png").arg(QLatin1String(name)));
}

ImageButton* makeImageButton(const QString& caption, const QString& tooltip, QWidget* parent) {
    auto* button = new ImageButton(caption, parent);
    button->setImages(skinImage("button"), skinImage("button_down"), skinImage("button_off"));
    button->setTooltipText(tooltip, true);
    return button;
}

ImageButton* placeButton(const QString& caption, const QString& tooltip, QWidget* parent, int x,
                         int y) {
    auto* button = makeImageButton(caption, tooltip, parent);
    button->setGeometry(x, y, 96, 28);
    return button;
}

QLabel* placeLabel(const QString& text, QWidget* parent, const QRect& geometry, bool wrap,
                   bool bold) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setWordWrap(wrap);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

QLineEdit* placeEdit(QWidget* parent, const QRect& geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    return edit;
}

} // namespace qr::gui
