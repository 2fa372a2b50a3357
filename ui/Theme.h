// The look shared by the windows: text roles and the separator line. Colours are taken
// from the palette when drawn, so light and dark palettes both work without a refresh.
#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

class QLabel;

namespace lendmode::ui {

// Secondary text (sub-captions, notes): a smaller font in the palette's placeholder
// colour.
void makeSecondary(QLabel* label);
// Section captions: small, semi-bold, upper case, secondary colour.
void makeCaption(QLabel* label);
// Row titles and headings.
void makeTitle(QLabel* label, qreal scale = 1.0, QFont::Weight weight = QFont::Normal);

QColor separatorColor(const QPalette& palette);

// A one-pixel horizontal line in the separator colour.
class Separator : public QWidget {
    Q_OBJECT
public:
    explicit Separator(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace lendmode::ui
