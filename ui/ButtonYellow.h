// A custom-drawn on/off button. Two of them side by side make a two-part switch: the
// one with tag 1 has its left corners curved, any other its right corners. Its look is
// a function of its tag and state, worked out again at every drawing:
// on -> "ButtonYellowON" with "ButtonYellowTextON"; off or mixed -> "ButtonYellowOFF"
// with "ButtonYellowTextOFF"; border "ButtonYellowBorder" in both.
// A click does not change the state: whoever handles the click sets it.
#pragma once

#include <QAbstractButton>
#include <QColor>

namespace lendmode {

class ButtonYellow : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(int tag READ tag WRITE setTag)

public:
    // Corner bits, as a layer's masked corners number them.
    enum Corner { MinXMinY = 1, MaxXMinY = 2, MinXMaxY = 4, MaxXMaxY = 8 };
    static constexpr qreal kCornerRadius = 7.0;
    static constexpr qreal kBorderWidth = 1.0;

    explicit ButtonYellow(QWidget* parent = nullptr);
    explicit ButtonYellow(const QString& title, QWidget* parent = nullptr);

    int tag() const { return tag_; }
    void setTag(int tag);

    // Qt::Checked is on, Qt::Unchecked off, Qt::PartiallyChecked mixed.
    Qt::CheckState state() const { return state_; }
    void setState(Qt::CheckState state);
    void setState(bool on) { setState(on ? Qt::Checked : Qt::Unchecked); }

    // Changes the colour of the title only; its text and font stay as they are.
    void setTitleColor(const QColor& color);
    QColor titleColor() const { return titleColor_; }

    // The curved corners: MinXMinY|MinXMaxY (5) for tag 1, MaxXMinY|MaxXMaxY (10) else.
    int maskedCorners() const;
    // The fill for the present state and palette.
    QColor backgroundColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int tag_ = 0;
    Qt::CheckState state_ = Qt::Unchecked;
    QColor titleColor_;
};

}  // namespace lendmode
