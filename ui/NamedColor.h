// The named colours of the windows, each with a light and a dark variant. The values
// live in the bundled file NamedColors.json (our asset catalogue); a colour is looked
// up by name each time it is drawn, so it follows the palette as it changes.
#pragma once

#include <QColor>
#include <QPalette>
#include <QStringList>
#include <QStringView>

class QWidget;

namespace lendmode::ui {

class NamedColor {
public:
    // The variant for the application's palette.
    static QColor get(QStringView name);
    // The variant for a widget's palette, or for a palette.
    static QColor get(QStringView name, const QWidget* widget);
    static QColor get(QStringView name, const QPalette& palette);
    // The light or the dark variant. An unknown name gives the palette's text colour
    // for the chosen darkness (black or white), so that something visible is drawn.
    static QColor get(QStringView name, bool dark);

    static bool contains(QStringView name);
    static QStringList names();
};

// Dark when the palette's window colour is closer to black than to white.
bool isDark(const QPalette& palette);

}  // namespace lendmode::ui
