// What the borrower sees a minute before a loan ends: a small window at the top right
// of the screen that takes neither the keyboard nor the front, and waits for no answer
// (nobody may be at the screen). It goes by itself when the loan ends.
#pragma once

#include <QWidget>

namespace lendmode::ui {

class EndingSoonNotice : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Lendmode ends in a minute";
    static constexpr const char* kText =
        "The owner\u2019s settings come back and the screen locks. Save what you are working on.";

    explicit EndingSoonNotice(QWidget* parent = nullptr);
    // Shown at the top right of the screen's free area, under the menu bar.
    void showOnScreen();
};

}  // namespace lendmode::ui
