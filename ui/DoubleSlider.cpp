#include "ui/DoubleSlider.h"

#include <algorithm>
#include <cmath>

namespace lendmode {

DoubleSlider::DoubleSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, kSteps);
}

double DoubleSlider::doubleValue() const {
    if (!(max_ > min_)) return min_;
    return min_ + (max_ - min_) * value() / kSteps;
}

void DoubleSlider::setMinValue(double value) {
    const double keep = doubleValue();
    if (std::isfinite(value)) min_ = value;
    setDoubleValue(keep);
}

void DoubleSlider::setMaxValue(double value) {
    const double keep = doubleValue();
    if (std::isfinite(value)) max_ = value;
    setDoubleValue(keep);
}

void DoubleSlider::setDoubleValue(double value) {
    if (!std::isfinite(value) || !(max_ > min_)) {
        setValue(0);
        return;
    }
    const double t = std::clamp((value - min_) / (max_ - min_), 0.0, 1.0);
    setValue(static_cast<int>(std::lround(t * kSteps)));
}

}  // namespace lendmode
