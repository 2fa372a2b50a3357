// Watches a loan for a while as the program runs: the time left for the status item,
// the borrower told a minute before the end, and at the end the switch-off, exactly as
// OFF does it, then the screen locked. It looks once a second while Lendmode is on.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace lendmode {

class Preferences;

class LoanWatch : public QObject {
    Q_OBJECT
public:
    explicit LoanWatch(Preferences& prefs, QObject* parent = nullptr);

    // Looks while Lendmode is on, not while it is off.
    void update();
    // One look: what the timer does each time (tests call it by hand).
    void tick();
    // The time left as the status item says it ("29 min"); empty without a loan.
    const QString& timeLeft() const { return shown_; }

signals:
    void timeLeftChanged();
    // A minute before the end of a loan longer than a minute.
    void endingSoon();
    // Switched off at the end (or refused, and left on) and the screen locked.
    void ended();

private:
    void end();

    Preferences& prefs_;
    QTimer timer_;
    QString shown_;
};

}  // namespace lendmode
