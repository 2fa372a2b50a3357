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
    // Taken and dropped: accepting keeps the event from reaching the views around.
    event->accept();
}

}  // namespace lendmode
