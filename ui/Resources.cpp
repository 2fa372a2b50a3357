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

QIcon menuIcon(bool lendmodeOn) {
    initResources();
    const QString base =
        lendmodeOn ? QStringLiteral(":/images/MenuIconOn") : QStringLiteral(":/images/MenuIcon");
    QIcon icon;
    for (const char* suffix : {"-16.png", ".png", "-32.png", "@2x.png", "-64.png"}) {
        const QString path = base + QLatin1String(suffix);
        if (QFile::exists(path)) icon.addFile(path);
    }
    return icon;
}

}  // namespace lendmode::ui
