#include "ui/AppTableView.h"

#include <QEvent>
#include <QPainter>

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
