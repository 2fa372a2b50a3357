// A horizontal slider over a floating-point range, as a row's "sliderMin",
// "sliderMax" and "sliderValue" describe it. The range is divided into kSteps steps.
#pragma once

#include <QSlider>

namespace lendmode {

class DoubleSlider : public QSlider {
    Q_OBJECT
    Q_PROPERTY(int tag READ tag WRITE setTag)

public:
    static constexpr int kSteps = 1000;
    explicit DoubleSlider(QWidget* parent = nullptr);

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    double minValue() const { return min_; }
    double maxValue() const { return max_; }
    double doubleValue() const;
    // A maximum not above the minimum gives an empty range (every value is the minimum).
    void setMinValue(double value);
    void setMaxValue(double value);
    void setDoubleValue(double value);

private:
    int tag_ = 0;
    double min_ = 0.0;
    double max_ = 1.0;
};

}  // namespace lendmode
