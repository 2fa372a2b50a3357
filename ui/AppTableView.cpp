#include "ui/AppTableView.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/NamedColor.h"
#include "ui/Theme.h"

namespace lendmode {

AppTableView::AppTableView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The scroll bar always shows, so that a long list looks long.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setMouseTracking(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    contrastScrollBar();
}

QString AppTableView::emptyText() {
    return tr("No applications were found.");
}

void AppTableView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (model() && model()->rowCount() > 0) return;
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(viewport()->rect().adjusted(12, 0, -12, 0), Qt::AlignCenter | Qt::TextWordWrap, emptyText());
}

void AppTableView::focusInEvent(QFocusEvent* event) {
    // Coming in by the keyboard lands on the first row, so Space has a row to toggle
    // (a click chooses its own row).
    const bool byKeyboard =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (byKeyboard && !currentIndex().isValid() && model() && model()->rowCount() > 0) {
        setCurrentIndex(model()->index(0, 0));
    }
    QListView::focusInEvent(event);
}

void AppTableView::changeEvent(QEvent* event) {
    QListView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) contrastScrollBar();
}

void AppTableView::contrastScrollBar() {
    // The style draws the thumb in the button colour, which in the light appearance is
    // nearly the white of the list: a grey that stands out in either appearance.
    QPalette bar = palette();
    const bool dark = ui::isDark(bar);
    bar.setColor(QPalette::Button, dark ? QColor(0x6C, 0x6C, 0x70) : QColor(0xB8, 0xB8, 0xBE));
    verticalScrollBar()->setPalette(bar);
}

void AppTableView::reloadData() {
    viewport()->update();
}

bool AppTableView::event(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        // The frame: a soft one-pixel line rather than the style's dark box.
        QPainter p(this);
        QColor line = ui::separatorColor(palette());
        line.setAlphaF(std::min(1.0f, line.alphaF() * 1.8f));
        p.setPen(line);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        return true;
    }
    return QListView::event(event);
}

}  // namespace lendmode
