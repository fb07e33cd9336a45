#include "widgets/LayoutCheck.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

namespace qr::test::widgets {

namespace {

// The controls a user reads or operates; containers and a control's inner parts are not.
bool isControl(QWidget* w, const std::function<bool(QWidget*)>& alsoControl) {
    if (qobject_cast<QAbstractScrollArea*>(w->parentWidget()) ||
        qobject_cast<QComboBox*>(w->parentWidget()) ||
        qobject_cast<QComboBox*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
        return false;
    // Pictures (the banner, the corner animation) are the skin, drawn under the controls.
    if (auto* label = qobject_cast<QLabel*>(w);
        label && (!label->pixmap().isNull() || label->movie()))
        return false;
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
           qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QProgressBar*>(w) ||
           (alsoControl && alsoControl(w));
}

std::string nameOf(QWidget* w) {
    std::string name = w->objectName().toStdString();
    if (name.empty()) {
        if (auto* label = qobject_cast<QLabel*>(w))
            name = "\"" + label->text().toStdString() + "\"";
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            name = "\"" + button->text().toStdString() + "\"";
        else
            name = w->metaObject()->className();
    }
    return name;
}

} // namespace

std::vector<std::string> layoutProblems(QWidget* top,
                                        const std::function<bool(QWidget*)>& alsoControl) {
    std::vector<std::string> problems;
    std::vector<std::pair<QWidget*, QRect>> controls;
    // A window that is itself a label (a wait window) is checked as one.
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    if (qobject_cast<QLabel*>(top))
        widgets.prepend(top);
    for (QWidget* w : widgets) {
        if (w != top && (!w->isVisibleTo(top) || w->isWindow() || !isControl(w, alsoControl)))
            continue;
        QString text;
        int room = w->width();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->pixmap().isNull()) {
                text = label->text();
                room -= 2 * label->margin() + 2 * label->frameWidth() + label->indent();
                if (label->wordWrap()) {
                    QRect need = label->fontMetrics().boundingRect(QRect(0, 0, room, 10000),
                                                                   Qt::TextWordWrap, label->text());
                    if (need.height() > label->height() - 2 * label->margin())
                        problems.push_back("clipped: " + nameOf(w));
                    text.clear();
                }
            }
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            text = button->text();
            room -= 8;
        } else if (auto* list = qobject_cast<QAbstractItemView*>(w)) {
            // Rows wider than their list are cut or hidden behind a scroll bar.
            if (auto* scroller = qobject_cast<QAbstractScrollArea*>(list);
                scroller->horizontalScrollBar()->isVisible())
                problems.push_back("rows wider than the list: " + nameOf(w));
            // A column narrower than its texts shows them elided.
            if (auto* tree = qobject_cast<QTreeView*>(list); tree && tree->model())
                for (int c = 0; c < tree->model()->columnCount(); ++c)
                    if (!tree->isColumnHidden(c) &&
                        tree->columnWidth(c) < list->sizeHintForColumn(c))
                        problems.push_back("column " + std::to_string(c) + " cut: " + nameOf(w));
        } else if (auto* radio = qobject_cast<QAbstractButton*>(w)) {
            text = radio->text();
            room -= 24;
        }
        text.remove('&');
        for (const QString& line : text.split('\n'))
            if (!line.isEmpty() && w->fontMetrics().horizontalAdvance(line) > room)
                problems.push_back("clipped: \"" + line.toStdString() + "\" in " + nameOf(w));
        // A control in a titled frame sits below the title and inside the frame's lines.
        if (auto* group = qobject_cast<QGroupBox*>(w->parentWidget());
            group && !group->contentsRect().contains(w->geometry()))
            problems.push_back("outside its frame: " + nameOf(w) + " in \"" +
                               group->title().toStdString() + "\"");
        const QRect where(w->mapTo(top, QPoint(0, 0)), w->size());
        if (w != top && !top->rect().contains(where))
            problems.push_back("outside the window: " + nameOf(w));
        controls.push_back({w, where});
    }
    for (std::size_t i = 0; i < controls.size(); ++i)
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i].first;
            QWidget* b = controls[j].first;
            if (a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            if (controls[i].second.intersects(controls[j].second))
                problems.push_back("overlap: " + nameOf(a) + " and " + nameOf(b));
        }
    return problems;
}

} // namespace qr::test::widgets
