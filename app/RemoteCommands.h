// What the running Lendmode does for the command line and for lendmode:// links. It
// switches as the popover's switch does, asking the owner first when the owner lock
// guards the switch-off, and says how things stand. The alerts a switch would show
// come back as the answer's text instead: nobody may be at the screen to click them.
#pragma once

#include <QObject>
#include <QUrl>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/SingleInstance.h"

namespace lendmode {

class OwnerLock;
class Preferences;

// What a lendmode:// link asks for: on, off or toggle. Nothing for any other link,
// with `why` saying what is wrong with it.
std::optional<cli::Command> commandFromUrl(const std::string& url, std::string& why);

class RemoteCommands {
public:
    // `lock`: the owner lock at each use (the program's is OwnerLock::shared()).
    // `windowWaits`: whether a window of Lendmode's waits for an answer (a modal
    // alert or question); no switch starts inside another's alert.
    RemoteCommands(Preferences& prefs, std::function<OwnerLock&()> lock,
                   std::function<bool()> windowWaits = {});

    // A request line from the command line (cli::requestLine).
    CommandReply handle(const std::string& requestLine);
    CommandReply run(const cli::Request& request);
    // lendmode://on, lendmode://off, lendmode://toggle.
    CommandReply openUrl(const std::string& url);
    // A link opened on the Mac: as openUrl, with a refusal told in an alert.
    void followLink(const std::string& url);

private:
    // `forSeconds`: how long it stays on (0 for no time); while on, a new time from now.
    CommandReply switchTo(bool on, long long forSeconds = 0);
    CommandReply changeLoan(long long forSeconds);
    CommandReply status(bool json);

    Preferences& prefs_;
    std::function<OwnerLock&()> lock_;
    std::function<bool()> windowWaits_;
    // A switch is under way: the owner's question lets other requests in meanwhile.
    bool switching_ = false;
};

// Brings lendmode:// links opened on the Mac to one function. Qt delivers them to
// the handler registered for the scheme (QDesktopServices), or, in versions before
// that, as a file-open event to the application; this object takes both. Links that
// come before start() are kept for it.
class LinkEvents : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kScheme = "lendmode";

    explicit LinkEvents(QObject* parent = nullptr);
    ~LinkEvents() override;
    LinkEvents(const LinkEvents&) = delete;
    LinkEvents& operator=(const LinkEvents&) = delete;

    void start(std::function<void(const std::string& url)> follow);
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void openUrl(const QUrl& url);

private:
    std::function<void(const std::string&)> follow_;
    std::vector<std::string> waiting_;
};

}  // namespace lendmode
