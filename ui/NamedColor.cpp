#include "ui/NamedColor.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWidget>

#include "ui/Resources.h"

namespace lendmode::ui {
namespace {

struct Variants {
    QColor light;
    QColor dark;
};

// Reads the catalogue once. A damaged or missing entry is left out, so its name falls
// back like an unknown one.
const QHash<QString, Variants>& catalogue() {
    static const QHash<QString, Variants> table = [] {
        initResources();
        QHash<QString, Variants> colors;
        QFile file(QStringLiteral(":/colors/NamedColors.json"));
        if (!file.open(QIODevice::ReadOnly)) return colors;
        const QJsonObject all =
            QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("colors")).toObject();
        for (auto it = all.begin(); it != all.end(); ++it) {
            const QJsonObject entry = it.value().toObject();
            const QColor light = QColor::fromString(entry.value(QLatin1String("light")).toString());
            const QColor dark = QColor::fromString(entry.value(QLatin1String("dark")).toString());
            if (light.isValid() && dark.isValid()) colors.insert(it.key(), {light, dark});
        }
        return colors;
    }();
    return table;
}

}  // namespace

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor NamedColor::get(QStringView name) {
    return get(name, QGuiApplication::palette());
}

QColor NamedColor::get(QStringView name, const QWidget* widget) {
    return widget ? get(name, widget->palette()) : get(name);
}

QColor NamedColor::get(QStringView name, const QPalette& palette) {
    return get(name, isDark(palette));
}

QColor NamedColor::get(QStringView name, bool dark) {
    const auto& table = catalogue();
    const auto it = table.constFind(name.toString());
    if (it == table.constEnd()) return dark ? QColor(Qt::white) : QColor(Qt::black);
    return dark ? it->dark : it->light;
}

bool NamedColor::contains(QStringView name) {
    return catalogue().contains(name.toString());
}

QStringList NamedColor::names() {
    QStringList list = catalogue().keys();
    list.sort();
    return list;
}

}  // namespace lendmode::ui
