// A scroll view without scroll bars that ignores the scroll wheel: wheel and trackpad
// scrolling over it move neither it nor any view around it. The windows size it to
// show all its content; where the screen is too short for that, they turn its vertical
// scroller on, and then it scrolls.
#pragma once

#include <QScrollArea>

namespace lendmode {

class FixedScrollView : public QScrollArea {
    Q_OBJECT
public:
    explicit FixedScrollView(QWidget* parent = nullptr);
    void hideScrollers();

protected:
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace lendmode
