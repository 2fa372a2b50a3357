#include "ui/FixedScrollView.h"

#include <QWheelEvent>

namespace lendmode {

FixedScrollView::FixedScrollView(QWidget* parent) : QScrollArea(parent) {
    hideScrollers();
}

void FixedScrollView::hideScrollers() {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void FixedScrollView::wheelEvent(QWheelEvent* event) {
    // A window too short for its content turns the scroller on: then the view scrolls.
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) QScrollArea::wheelEvent(event);
    // Taken either way: accepting keeps the event from reaching the views around.
    event->accept();
}

}  // namespace lendmode
