#include "ui/EndingSoonNotice.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/QtPorts.h"
#include "ui/Resources.h"
#include "ui/Theme.h"

namespace lendmode::ui {

EndingSoonNotice::EndingSoonNotice(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("endingSoonNotice"));
    setWindowTitle(QString::fromUtf8(kTitle));
    // Shown above the borrower's work without taking it from them.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // A tool window on the Mac hides while its application is not the active one, and
    // Lendmode never is.
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    setAutoFillBackground(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(menuIcon(true).pixmap(28, 28));
    auto* title = new QLabel(QString::fromUtf8(kTitle), this);
    makeTitle(title, 1.1, QFont::DemiBold);
    auto* text = new QLabel(QString::fromUtf8(kText), this);
    text->setWordWrap(true);
    makeSecondary(text);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setFocusPolicy(Qt::NoFocus);
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);

    auto* words = new QVBoxLayout;
    words->setSpacing(2);
    words->addWidget(title);
    words->addWidget(text);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(words, 1);
    layout->addWidget(ok, 0, Qt::AlignBottom);
    setFixedWidth(360);
}

void EndingSoonNotice::showOnScreen() {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        move(free.right() - width() - 12, free.top() + 12);
    }
    show();
    if (const auto& keepInSight = platform::qt::qtPorts().floatAboveOtherApplications) keepInSight(*this);
}

}  // namespace lendmode::ui
