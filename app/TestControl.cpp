#include "app/TestControl.h"

#include <csignal>
#include <cstdio>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include "base/Strings.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"

namespace lendmode {
namespace {

// Where each named control of a window is on screen, so that a test can click it.
void printGeometry(const char* what, QWidget* top) {
    std::printf("%s %d %d %d %d\n", what, top->x(), top->y(), top->width(), top->height());
    for (QAbstractButton* button : top->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty()) continue;
        const QPoint at = button->mapToGlobal(QPoint(0, 0));
        std::printf("BUTTON %s|%d %d %d %d\n", button->text().toUtf8().constData(), at.x(), at.y(),
                    button->width(), button->height());
    }
    for (QWidget* child : top->findChildren<QWidget*>()) {
        if (child->objectName().isEmpty() || !child->isVisible()) continue;
        const QPoint at = child->mapToGlobal(QPoint(0, 0));
        std::printf("WIDGET %s %d %d %d %d\n", child->objectName().toUtf8().constData(), at.x(), at.y(),
                    child->width(), child->height());
    }
    if (auto* table = top->findChild<QAbstractItemView*>(QStringLiteral("tableApp"))) {
        QAbstractItemModel* model = table->model();
        for (int row = 0; model && row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            const QRect rect = table->visualRect(index);
            if (!rect.isValid() || !table->viewport()->rect().intersects(rect)) continue;
            const QPoint at = table->viewport()->mapToGlobal(rect.topLeft());
            std::printf("ROW %s|%d %d %d %d\n", index.data(Qt::DisplayRole).toString().toUtf8().constData(),
                        at.x(), at.y(), rect.width(), rect.height());
        }
    }
    std::printf("END\n");
    std::fflush(stdout);
}

// Alerts are reported on standard output; with a display they are also shown, so
// that end-to-end tests can see and photograph them.
class PrintedAlert : public platform::AlertPresenter {
public:
    explicit PrintedAlert(std::shared_ptr<platform::AlertPresenter> shown) : shown_(std::move(shown)) {}
    int runModal(const platform::Alert& alert) override {
        const std::string buttons = joined(alert.buttons, "|");
        std::printf("ALERT %s | %s | %s\n", alert.messageText.c_str(), alert.informativeText.c_str(),
                    buttons.c_str());
        std::fflush(stdout);
        if (!shown_) return 0;
        // Once the alert is up, say where it and its buttons are.
        QTimer::singleShot(400, [] {
            if (QWidget* box = QApplication::activeModalWidget()) printGeometry("ALERTBOX", box);
        });
        return shown_->runModal(alert);
    }

private:
    std::shared_ptr<platform::AlertPresenter> shown_;
};

}  // namespace

void TestControl::instrument(platform::Ports& ports) {
    const bool display = QGuiApplication::platformName() != QStringLiteral("offscreen");
    ports.alerts = std::make_shared<PrintedAlert>(display ? ports.alerts : nullptr);
}

TestControl::TestControl(AppDelegate& delegate) : delegate_(delegate) {
    QObject::connect(&delegate_, &AppDelegate::popoverShown, &delegate_, [this] {
        // After the popover has been laid out and placed.
        QTimer::singleShot(200, &delegate_, [this] {
            if (delegate_.popoverMain) printGeometry("POPOVER", delegate_.popoverMain);
        });
    });
    // The preferences window and the owner's password dialog: reported each time one
    // comes up.
    auto* watch = new QTimer(&delegate_);
    QObject::connect(watch, &QTimer::timeout, &delegate_, [this] {
        QWidget* window = nullptr;
        QWidget* password = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) continue;
            if (top->objectName() == QStringLiteral("PreferencesWC")) window = top;
            if (top->findChild<QWidget*>(QStringLiteral("passwordField"))) password = top;
        }
        if (window && !preferencesShown_) printGeometry("PREFERENCES", window);
        preferencesShown_ = window != nullptr;
        if (password && password != passwordShown_) printGeometry("PASSWORD", password);
        passwordShown_ = password;
    });
    watch->start(250);
    signalNotifier_ =
        std::make_unique<SignalNotifier>(std::initializer_list<int>{SIGUSR1, SIGUSR2}, [this](int signal) {
            const bool on = signal == SIGUSR1;
            Preferences& prefs = *delegate_.prefs;
            prefs.switchLendmode(on, nullptr);
            std::printf("%s\n", on ? "ON" : "OFF");
            std::fflush(stdout);
        });
}

TestControl::~TestControl() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TestControl::ready() {
    // Registered after start-up, as the status item's observer is: the reset of a
    // left-over flag while the settings come up is heard by nobody.
    NotificationCenter::defaultCenter().addObserver(this, notifications::kLendmodeChanged, [this] {
        std::printf("LENDMODE %s\n", delegate_.prefs->lendmode() ? "YES" : "NO");
        std::fflush(stdout);
    });
    // The minute's notice before a loan ends, once it is up.
    if (LoanWatch* loan = delegate_.loanWatch()) {
        QObject::connect(loan, &LoanWatch::endingSoon, &delegate_, [this] {
            const ui::EndingSoonNotice* notice = delegate_.endingSoonNotice();
            if (notice && notice->isVisible())
                std::printf("NOTICE %s\n", notice->windowTitle().toUtf8().constData());
            std::fflush(stdout);
        });
    }
    std::printf("READY\n");
    std::fflush(stdout);
}

}  // namespace lendmode
