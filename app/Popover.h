// The popover under the status item: a transient popup that closes by itself when
// the user clicks anywhere outside it, placed under its anchor and kept on screen.
#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QRect>
#include <optional>

namespace lendmode {

class Popover : public QFrame {
    Q_OBJECT
public:
    explicit Popover(QWidget* content, QWidget* parent = nullptr);
    // Shows the popover below the anchor (a status item's place on screen), centred on
    // it and moved sideways as far as needed to stay on the screen; above it when the
    // anchor sits in the lower half of the screen (a tray at the bottom). Never over
    // the anchor: when the room is short, the popover gets shorter. An empty anchor
    // puts it at the top right of the screen, where a menu bar's items are.
    void showRelativeToRect(const QRect& anchor);
    bool isShown() const { return isVisible(); }
    // A click outside closes the popup; when that click landed on the status item
    // (within `anchor`) and the item also receives it, the item must not reopen the
    // popover for that same click. Answers once.
    bool takeClosedByClickOn(const QRect& anchor);

    // Where the popover goes for an anchor on a screen area, and its height: the
    // wanted height, cut to the room on the anchor's open side but not below
    // `minimumHeight` (kept separate to be tested).
    static QRect placement(const QRect& anchor, const QSize& wanted, int minimumHeight,
                           const QRect& available);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QElapsedTimer sinceClosed_;
    std::optional<QPoint> closedByPressAt_;
};

}  // namespace lendmode
