#include "ui/Theme.h"

#include <QLabel>
#include <QPainter>

#include "ui/NamedColor.h"

namespace lendmode::ui {
namespace {

void scaleFont(QLabel* label, qreal scale, QFont::Weight weight) {
    QFont font = label->font();
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * scale);
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(qRound(font.pixelSize() * scale));
    }
    font.setWeight(weight);
    label->setFont(font);
}

}  // namespace

void makeSecondary(QLabel* label) {
    if (!label) return;
    scaleFont(label, 0.9, QFont::Normal);
    label->setForegroundRole(QPalette::PlaceholderText);
}

void makeCaption(QLabel* label) {
    if (!label) return;
    scaleFont(label, 0.8, QFont::DemiBold);
    QFont font = label->font();
    font.setCapitalization(QFont::AllUppercase);
    font.setLetterSpacing(QFont::PercentageSpacing, 104);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
}

void makeTitle(QLabel* label, qreal scale, QFont::Weight weight) {
    if (!label) return;
    scaleFont(label, scale, weight);
}

QColor separatorColor(const QPalette& palette) {
    QColor c = palette.color(QPalette::WindowText);
    c.setAlphaF(isDark(palette) ? 0.16f : 0.12f);
    return c;
}

Separator::Separator(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Separator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), separatorColor(palette()));
}

}  // namespace lendmode::ui
