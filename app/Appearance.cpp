#include "app/Appearance.h"

#include <QApplication>
#include <QStyleFactory>

#include "platform/QtPorts.h"

namespace lendmode {
namespace {

QPalette palette(const QColor& window, const QColor& base, const QColor& alternate, const QColor& text,
                 const QColor& secondary, const QColor& button, const QColor& highlight) {
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, alternate);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, secondary);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, highlight);
    p.setColor(QPalette::Light, button.lighter(120));
    p.setColor(QPalette::Midlight, button.lighter(110));
    p.setColor(QPalette::Mid, window.darker(130));
    p.setColor(QPalette::Dark, window.darker(160));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0, 90));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, secondary);
    }
    return p;
}

}  // namespace

QPalette lightPalette() {
    return palette(QColor(0xEC, 0xEC, 0xEC), Qt::white, QColor(0xF5, 0xF5, 0xF7), QColor(0x1D, 0x1D, 0x1F),
                   QColor(0x86, 0x86, 0x8B), QColor(0xFB, 0xFB, 0xFD), QColor(0x0A, 0x64, 0xD6));
}

QPalette darkPalette() {
    return palette(QColor(0x2A, 0x2A, 0x2C), QColor(0x1E, 0x1E, 0x20), QColor(0x26, 0x26, 0x28),
                   QColor(0xF2, 0xF2, 0xF7), QColor(0x98, 0x98, 0x9D), QColor(0x3A, 0x3A, 0x3C),
                   QColor(0x0A, 0x84, 0xFF));
}

void applySystemAppearance() {
    static bool styled = false;
    if (!styled) {
        // One style on every desktop, so the windows look alike wherever they run.
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
        styled = true;
    }
    const auto& dark = platform::qt::qtPorts().darkAppearance;
    QApplication::setPalette(dark && dark() ? darkPalette() : lightPalette());
}

}  // namespace lendmode
