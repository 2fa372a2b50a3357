// A check box drawn the same way in light and dark palettes: a rounded box that fills
// with the accent colour and shows a white check mark when on, or a dash when mixed.
// The application lists draw their boxes with the same function.
#pragma once

#include <QCheckBox>

namespace lendmode {

class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    static constexpr int kIndicatorSize = 14;
    static constexpr int kSpacing = 7;

    explicit CheckBox(QWidget* parent = nullptr);
    explicit CheckBox(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Draws the box of a check box in `rect`.
    static void drawIndicator(QPainter* painter, const QRectF& rect, Qt::CheckState state,
                              const QPalette& palette, bool enabled, bool pressed = false);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect indicatorRect() const;
};

}  // namespace lendmode
