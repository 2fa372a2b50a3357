#include "app/LoanWatch.h"

#include <QApplication>
#include <QDialog>
#include <algorithm>

#include "base/Log.h"
#include "model/Preferences.h"

namespace lendmode {

LoanWatch::LoanWatch(Preferences& prefs, QObject* parent) : QObject(parent), prefs_(prefs) {
    // Qt's timers count on the monotonic clock, as the loan does.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LoanWatch::tick);
}

void LoanWatch::update() {
    if (!prefs_.lendmode()) {
        timer_.stop();
        tick();  // the time left goes from the status item
        return;
    }
    timer_.setInterval(std::min(prefs_.loan().second(), Loan::Milliseconds(1000)));
    if (!timer_.isActive()) timer_.start();
    tick();
}

void LoanWatch::tick() {
    Loan& loan = prefs_.loan();
    const auto left = prefs_.lendmode() ? loan.left() : std::nullopt;
    // A switch under way ends first; the loan's end waits for it.
    if (left && left->count() == 0 && !prefs_.switchProgress().underWay()) return end();
    if (left && !loan.warned() && *left <= Loan::kWarning && loan.length() > Loan::kWarning) {
        loan.setWarned();
        log::info("told the borrower that Lendmode ends in a minute");
        emit endingSoon();
    }
    const QString text = left ? QString::fromStdString(timeLeftText(*left)) : QString();
    if (text != shown_) {
        shown_ = text;
        emit timeLeftChanged();
    }
}

void LoanWatch::end() {
    timer_.stop();
    log::info("the loan's time is up: switching off");
    // A question still open (the owner's password to switch off, an alert) is moot
    // now: it goes, so that the owner does not find it over the locked screen.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(top); dialog && dialog->isVisible() && dialog->isModal())
            dialog->reject();
    }
    prefs_.switchLendmode(false, nullptr);
    // Left on (the switch-off was refused, with an alert that says why): no second try
    // every second; the owner finds the alert once the screen is unlocked.
    if (prefs_.lendmode()) prefs_.loan().end();
    prefs_.lockScreen();
    shown_.clear();
    emit timeLeftChanged();
    emit ended();
}

}  // namespace lendmode
