#include "platform/qt/MessageBoxAlert.h"

#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>

#include "platform/qt/SymbolCanvas.h"

namespace platform::qt {
namespace {

// The alert's symbol as current desktops draw it: a flat rounded shape with a white
// mark (a warning triangle, a stop circle, an information circle), sharp at any scale.
QPixmap alertSymbol(Alert::Style style, qreal pixelRatio) {
    QPixmap pixmap = symbolCanvas(pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    QColor fill;
    QRectF mark;  // where the "!" or "i" goes
    if (style == Alert::Style::Warning) {
        // A triangle with rounded corners: the straight sides through three arcs.
        shape.moveTo(28, 5);
        shape.cubicTo(31, 5, 32.5, 6.5, 34, 9);
        shape.lineTo(53, 44);
        shape.cubicTo(55, 48, 53, 51, 49, 51);
        shape.lineTo(7, 51);
        shape.cubicTo(3, 51, 1, 48, 3, 44);
        shape.lineTo(22, 9);
        shape.cubicTo(23.5, 6.5, 25, 5, 28, 5);
        fill = QColor(0xF5, 0xB2, 0x00);
        mark = QRectF(25, 17, 6, 24);
    } else {
        shape.addEllipse(QRectF(4, 4, 48, 48));
        fill = style == Alert::Style::Critical ? QColor(0xE5, 0x48, 0x3E) : QColor(0x0A, 0x84, 0xFF);
        mark = QRectF(25, 12, 6, 28);
    }
    p.fillPath(shape, fill);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const qreal dot = mark.width();
    if (style == Alert::Style::Informational) {
        // "i": the dot above the stem.
        p.drawEllipse(QRectF(mark.left(), mark.top(), dot, dot));
        p.drawRoundedRect(QRectF(mark.left(), mark.top() + dot + 3, dot, mark.height() - dot - 3), 3, 3);
    } else {
        // "!": the stem above the dot.
        p.drawRoundedRect(QRectF(mark.left(), mark.top(), dot, mark.height() - dot - 3), 3, 3);
        p.drawEllipse(QRectF(mark.left(), mark.bottom() - dot, dot, dot));
    }
    return pixmap;
}

}  // namespace

int MessageBoxAlert::runModal(const Alert& alert) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Lendmode"));
    box.setIconPixmap(alertSymbol(alert.style, box.devicePixelRatioF()));
    box.setText(QString::fromStdString(alert.messageText));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // The headline in bold and a little larger; both texts in a column wide enough
    // that the explanation takes two or three lines, not six.
    if (auto* headline = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont bold = headline->font();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.1);
        headline->setFont(bold);
        headline->setMinimumWidth(360);
    }
    if (auto* details = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        details->setMinimumWidth(360);
    }
    std::vector<QPushButton*> buttons;
    for (const std::string& title : alert.buttons) {
        buttons.push_back(box.addButton(QString::fromStdString(title), QMessageBox::AcceptRole));
    }
    if (buttons.empty()) buttons.push_back(box.addButton(QMessageBox::Ok));
    for (QPushButton* button : buttons) button->setMinimumWidth(88);
    box.setDefaultButton(buttons.front());
    box.raise();
    box.activateWindow();
    if (whenShown_) QTimer::singleShot(0, &box, [this, &box] { whenShown_(box); });
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    }
    return 0;
}

}  // namespace platform::qt
