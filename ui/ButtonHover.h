// A flat button that highlights itself while the pointer is over it, as a menu item
// does: background "HighliteButtonColor" and content tint "HighliteTextColor" while
// hovered, a clear background and the control text colour otherwise.
//
// The hover region (trackingArea) is made at the first drawing from the rectangle that
// drawing covers, and kept as it is afterwards, even when the button is resized.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRect>
#include <optional>

namespace lendmode {

class ButtonHover : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString shortcutText READ shortcutText WRITE setShortcutText)

public:
    explicit ButtonHover(QWidget* parent = nullptr);
    explicit ButtonHover(const QString& title, QWidget* parent = nullptr);

    std::optional<QRect> trackingArea() const { return trackingArea_; }
    void setTrackingArea(std::optional<QRect> area) { trackingArea_ = area; }

    // The two looks; called as the pointer enters and leaves the tracking area.
    void mouseEntered();
    void mouseExited();
    bool isHighlighted() const { return highlighted_; }

    // The colours of the present look, for the present palette.
    QColor backgroundColor() const;
    QColor contentTintColor() const;

    // A key hint drawn at the right edge, as a menu shows one ("⌘Q").
    QString shortcutText() const { return shortcutText_; }
    void setShortcutText(const QString& text);

    // A column before the title for a check mark, as a menu keeps one for all its
    // items when one of them can be checked: the title never moves when the mark comes
    // and goes. The mark shows while the button is checkable and checked.
    void setReservesCheckColumn(bool reserves);
    // Where the title is drawn.
    QRect titleRect() const;

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void track(const QPoint& position);

    std::optional<QRect> trackingArea_;
    bool highlighted_ = false;
    QString shortcutText_;
    bool reservesCheckColumn_ = false;
};

}  // namespace lendmode
