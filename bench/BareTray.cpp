// The yardstick for Lendmode's memory: a Qt program that does nothing but show an icon
// in the tray, built with the same flags. It prints READY once the icon is up.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::black);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    std::printf("READY\n");
    std::fflush(stdout);
    return QApplication::exec();
}
