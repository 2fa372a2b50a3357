#include "ui/ImageView.h"

#include <QPainter>

namespace lendmode {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setFixedSize(20, 20);
}

void ImageView::setImage(const QIcon& image) {
    image_ = image;
    update();
}

void ImageView::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter p(this);
    image_.paint(&p, rect());
}

}  // namespace lendmode
