#include "ui/Resources.h"

#include <QFile>

// The resource initialiser must be named outside any namespace.
static void initLendmodeResources() {
    Q_INIT_RESOURCE(Lendmode);
}

namespace lendmode::ui {

void initResources() {
    static const bool done = [] {
        initLendmodeResources();
        return true;
    }();
    (void)done;
}

namespace {

// Every size the bundle holds of one image.
QIcon iconAtEverySize(const QString& base) {
    initResources();
    QIcon icon;
    for (const char* suffix : {"-16.png", ".png", "-32.png", "@2x.png", "-64.png"}) {
        const QString path = base + QLatin1String(suffix);
        if (QFile::exists(path)) icon.addFile(path);
    }
    return icon;
}

}  // namespace

// Made once each and shared (QIcon is implicitly shared): every switch shows one, and
// a new icon each time would load the images again and keep them. Never destroyed:
// their pixmaps must not outlive the application object at exit.
QIcon menuIcon(bool lendmodeOn) {
    static const QIcon* const on = new QIcon(iconAtEverySize(QStringLiteral(":/images/MenuIconOn")));
    static const QIcon* const off = new QIcon(iconAtEverySize(QStringLiteral(":/images/MenuIcon")));
    return lendmodeOn ? *on : *off;
}

QIcon statusItemIcon(bool lendmodeOn) {
    static const QIcon* const mask = [] {
        auto* icon = new QIcon(iconAtEverySize(QStringLiteral(":/images/MenuIconTemplate")));
        icon->setIsMask(true);
        return icon;
    }();
    return lendmodeOn ? menuIcon(true) : *mask;
}

}  // namespace lendmode::ui
