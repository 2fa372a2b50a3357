#include "app/RemoteCommands.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFileOpenEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <utility>

#include "base/Log.h"
#include "base/Strings.h"
#include "model/AlertTexts.h"
#include "model/CollectedAlerts.h"
#include "model/Preferences.h"
#include "ui/OwnerLock.h"

namespace lendmode {
namespace {

constexpr const char* kLinks = "lendmode://on, lendmode://off or lendmode://toggle";
constexpr const char* kLinkRefused = "Lendmode could not follow the link";

// Set while a request runs that lets other events in (a switch, the owner's question),
// so that a second one is refused meanwhile; cleared however it returns.
struct Busy {
    explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
    ~Busy() { flag_ = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    bool& flag_;
};

CommandReply done(std::string line) {
    return CommandReply{CommandReply::kDone, {std::move(line)}, {}};
}

CommandReply refused(std::string why) {
    return CommandReply{CommandReply::kRefused, {}, {std::move(why)}};
}

std::string oneLine(const platform::Alert& alert) {
    if (alert.informativeText.empty()) return alert.messageText;
    return alert.messageText + ": " + alert.informativeText;
}

// An alert as lines of the answer: an informative text of many lines (one per setting
// that could not be changed) comes under its message, each line indented.
void addLines(std::vector<std::string>& out, const platform::Alert& alert) {
    if (alert.informativeText.find('\n') == std::string::npos) return out.push_back(oneLine(alert));
    out.push_back(alert.messageText + ":");
    for (const std::string& line : lines(alert.informativeText)) out.push_back("  " + line);
}

}  // namespace

std::optional<cli::Command> commandFromUrl(const std::string& url, std::string& why) {
    const QUrl link(QString::fromStdString(url), QUrl::StrictMode);
    if (!link.isValid() || link.scheme() != QLatin1String(LinkEvents::kScheme)) {
        why = "not a Lendmode link: " + url + " (use " + kLinks + ")";
        return std::nullopt;
    }
    const QString action = link.host();
    const bool bare = (link.path().isEmpty() || link.path() == QLatin1String("/")) && !link.hasQuery() &&
                      !link.hasFragment() && link.userInfo().isEmpty() && link.port() == -1;
    if (bare && action == QLatin1String("on")) return cli::Command::On;
    if (bare && action == QLatin1String("off")) return cli::Command::Off;
    if (bare && action == QLatin1String("toggle")) return cli::Command::Toggle;
    why = "unknown Lendmode link: " + url + " (use " + kLinks + ")";
    return std::nullopt;
}

RemoteCommands::RemoteCommands(Preferences& prefs, std::function<OwnerLock&()> lock,
                               std::function<bool()> windowWaits)
    : prefs_(prefs), lock_(std::move(lock)), windowWaits_(std::move(windowWaits)) {}

CommandReply RemoteCommands::handle(const std::string& requestLine) {
    const auto request = cli::parseRequestLine(requestLine);
    if (!request)
        return CommandReply{CommandReply::kUsage, {}, {"Lendmode does not know the command: " + requestLine}};
    return run(*request);
}

CommandReply RemoteCommands::run(const cli::Request& request) {
    switch (request.command) {
        case cli::Command::On: return switchTo(true, request.forSeconds);
        case cli::Command::Off: return switchTo(false);
        case cli::Command::Toggle: return switchTo(!prefs_.lendmode());
        case cli::Command::Status: return status(request.json);
        case cli::Command::OpenUrl: return openUrl(request.url);
    }
    return refused("Lendmode does not know the command.");
}

CommandReply RemoteCommands::openUrl(const std::string& url) {
    std::string why;
    const auto command = commandFromUrl(url, why);
    if (!command) {
        log::error(why);
        return refused(why);
    }
    return run(cli::Request{*command});
}

void RemoteCommands::followLink(const std::string& url) {
    const CommandReply reply = openUrl(url);
    if (reply.exitCode == CommandReply::kDone) return;
    // Nobody reads a terminal when a link was clicked: the reason goes in an alert.
    const auto& alerts = prefs_.ports().alerts;
    if (!alerts) return;
    platform::Alert alert;
    alert.messageText = kLinkRefused;
    alert.informativeText = joined(reply.err, " ");
    alert.buttons = {alerts::kOK};
    alerts->runModal(alert);
}

CommandReply RemoteCommands::switchTo(bool on, long long forSeconds) {
    if (switching_ || prefs_.switchProgress().underWay())
        return refused("Lendmode is busy with another switch; try again when it is done.");
    // A switch whose alert is up has not finished yet.
    if (windowWaits_ && windowWaits_())
        return refused("Lendmode is waiting for an answer in its window; try again once it is given.");
    if (on && forSeconds > 0 && prefs_.lendmode()) return changeLoan(forSeconds);
    if (prefs_.lendmode() == on) return done(on ? "Lendmode is already on." : "Lendmode is already off.");
    const Busy busy(switching_);

    if (!on) {
        // The owner answers in Lendmode's own window; the command waits for it.
        OwnerLock& lock = lock_();
        const OwnerLockGate::Result answer = lock.ask(lock::kTurnOff);
        // The question let other events in: the popover, or a loan's end, may have
        // switched off meanwhile (a loan's end closes the question).
        if (!prefs_.lendmode()) return done("Lendmode is already off.");
        if (answer != OwnerLockGate::Result::Granted) return refused(lock.refusalText(answer));
    }

    if (on) prefs_.loan().choose(forSeconds > 0 ? std::optional(Loan::Seconds(forSeconds)) : std::nullopt);
    CommandReply reply;
    {
        Preferences::CollectedAlerts collected(prefs_);
        prefs_.switchLendmode(on, nullptr);
        for (const platform::Alert& alert : collected.alerts()) addLines(reply.err, alert);
    }
    if (prefs_.lendmode() == on) {
        const auto length = prefs_.loan().length();
        reply.out.emplace_back(!on      ? "Lendmode is off."
                               : length ? "Lendmode is on for " + loanLengthText(*length) + "."
                                        : "Lendmode is on.");
        return reply;
    }
    reply.exitCode = CommandReply::kRefused;
    if (reply.err.empty())
        reply.err.emplace_back(on ? "Lendmode could not switch on." : "Lendmode could not switch off.");
    return reply;
}

CommandReply RemoteCommands::changeLoan(long long forSeconds) {
    const Busy busy(switching_);
    OwnerLock& lock = lock_();
    const OwnerLockGate::Result answer = lock.ask(lock::kChangeLoanTime);
    if (answer != OwnerLockGate::Result::Granted) return refused(lock.refusalText(answer));
    if (!prefs_.lendmode()) return refused("Lendmode was switched off meanwhile.");
    if (!prefs_.setLoanLength(Loan::Seconds(forSeconds)))
        return refused("Lendmode could not store the new time; the loan goes on as it was.");
    return done("Lendmode stays on for " + loanLengthText(Loan::Seconds(forSeconds)) + " from now.");
}

CommandReply RemoteCommands::status(bool json) {
    const bool on = prefs_.lendmode();
    // A switch under way is what Lendmode is doing, whatever the flag says meanwhile.
    const auto& switching = prefs_.switchProgress().now();
    const std::string state =
        switching ? (switching->on ? "switching on" : "switching off") : (on ? "on" : "off");
    std::uint64_t set = prefs_.currentSet();
    if (set >= prefs_.definitionSets().size()) set = 0;  // as a switch-on does
    const std::vector<std::string> blocked = prefs_.disabledApplicationNames();
    const bool lock = prefs_.ownerLockRequired();
    const auto left = on ? prefs_.loan().left() : std::nullopt;

    if (json) {
        QJsonArray names;
        for (const std::string& name : blocked) names.append(QString::fromStdString(name));
        const QJsonObject object{
            {QStringLiteral("lendmode"), QString::fromStdString(state)},
            {QStringLiteral("set"), static_cast<qint64>(set)},
            {QStringLiteral("blocked"), names},
            {QStringLiteral("ownerLock"), lock},
            // Whole seconds, rounded up; null without a time.
            {QStringLiteral("secondsLeft"),
             left ? QJsonValue(static_cast<qint64>((left->count() + 999) / 1000)) : QJsonValue()}};
        return done(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString());
    }
    CommandReply reply;
    reply.out = {
        switching ? "Lendmode is " + state + ": " + switching->step : "Lendmode is " + state + ".",
        "Set in use: " + std::to_string(set) +
            (set == 0 ? ", Lendmode's settings" : ", the owner's own settings"),
        "Blocked applications: " + (blocked.empty() ? std::string("none") : joined(blocked, ", ")),
        std::string("Owner lock: ") + (lock ? "set" : "not set"),
    };
    if (on)
        reply.out.insert(reply.out.begin() + 1, left ? "Time left: " + timeLeftText(*left)
                                                     : std::string("Time left: until switched off"));
    return reply;
}

LinkEvents::LinkEvents(QObject* parent) : QObject(parent) {
    QDesktopServices::setUrlHandler(QString::fromLatin1(kScheme), this, "openUrl");
}

LinkEvents::~LinkEvents() {
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(kScheme));
}

void LinkEvents::start(std::function<void(const std::string&)> follow) {
    follow_ = std::move(follow);
    for (const std::string& url : std::exchange(waiting_, {})) openUrl(QUrl(QString::fromStdString(url)));
}

bool LinkEvents::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FileOpen) {
        const QUrl url = static_cast<QFileOpenEvent*>(event)->url();
        if (url.scheme() == QLatin1String(kScheme)) {
            openUrl(url);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void LinkEvents::openUrl(const QUrl& url) {
    const std::string text = url.toString().toStdString();
    if (!follow_) {
        waiting_.push_back(text);
        return;
    }
    // Followed from the event loop, not inside the system's delivery: a switch takes
    // a while, and the owner may be asked first.
    QTimer::singleShot(0, this, [this, text] { follow_(text); });
}

}  // namespace lendmode
