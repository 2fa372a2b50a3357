// One Lendmode at a time: a second start while one runs changes nothing, asks the
// running one to show its popover, and leaves. The channel between them, in this
// process: nested commands, clients that misbehave, stale sockets, long folders.
#include "app/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "app/SignalNotifier.h"
#include "model/BuildInfo.h"
#include "tests/support/AppProcess.h"
#include "tests/support/TestSupport.h"

using lendmode::CommandReply;
using lendmode::SingleInstance;
using testing_support::AppProcess;
using testing_support::TempDir;
using testing_support::TempMac;
using namespace std::chrono_literals;

TEST(SingleInstance, ASecondStartChangesNothingAndAsksTheFirstToShowItself) {
    TempMac t;
    AppProcess first(t.root());
    ASSERT_EQ(first.waitForLine("READY"), "READY");
    first.signal(SIGUSR1);
    ASSERT_EQ(first.waitForLine("ON"), "ON");
    const auto domain = t.mac().readDomain(lendmode::build::kBundleIdentifier);
    const auto dock = t.mac().readDomain("com.apple.dock");

    const auto second =
        testing_support::runShell(t.root(), "QT_QPA_PLATFORM=offscreen exec lendmode-testable");
    EXPECT_EQ(second.exitStatus, 0);
    EXPECT_NE(second.err.find("Lendmode is already running; it shows its popover.\n"), std::string::npos)
        << second.err;
    EXPECT_EQ(second.out, "") << "it never started up";
    EXPECT_EQ(first.waitForLine("POPOVER").rfind("POPOVER ", 0), 0u);
    // Neither a restore nor a new snapshot behind the first one's back.
    EXPECT_EQ(t.mac().readDomain(lendmode::build::kBundleIdentifier), domain);
    EXPECT_EQ(t.mac().readDomain("com.apple.dock"), dock);

    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(), 0);
    // Once the first has gone, a new start is the one.
    AppProcess third(t.root());
    EXPECT_EQ(third.waitForLine("READY"), "READY");
}

namespace lendmode {
void PrintTo(const CommandReply& reply, std::ostream* out) {
    *out << "exit " << reply.exitCode;
    for (const auto& line : reply.out) *out << " | out " << line;
    for (const auto& line : reply.err) *out << " | err " << line;
}
}  // namespace lendmode

namespace {

// Runs the event loop until `done` holds, at most `limit`; whether it holds.
bool serveUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || std::chrono::steady_clock::now() > deadline) loop.quit();
    });
    poll.start(5);
    if (!done()) loop.exec();
    return done();
}

template <typename T>
bool ready(const std::future<T>& future) {
    return future.valid() && future.wait_for(0s) == std::future_status::ready;
}

// A client of the test's own on a plain blocking socket; or, with `bindOnly`, what a
// killed Lendmode leaves: a socket file nobody listens on.
struct RawClient {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    explicit RawClient(const std::string& path, bool bindOnly = false) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(static_cast<char*>(address.sun_path), path.c_str(), sizeof address.sun_path - 1);
        const auto* generic = reinterpret_cast<const sockaddr*>(&address);  // NOLINT: the sockets API
        EXPECT_EQ(bindOnly ? ::bind(fd, generic, sizeof address) : ::connect(fd, generic, sizeof address), 0);
    }
    ~RawClient() { close(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;
    void send(const std::string& text) const { ::send(fd, text.data(), text.size(), MSG_NOSIGNAL); }
    // One read's worth, or everything until the other end closes.
    std::string read(bool toEnd = false) const {
        std::string text;
        std::array<char, 4096> chunk{};
        for (ssize_t got = 0; (got = ::recv(fd, chunk.data(), chunk.size(), 0)) > 0;) {
            text.append(chunk.data(), static_cast<std::size_t>(got));
            if (!toEnd) break;
        }
        return text;
    }
    void close() { ::close(std::exchange(fd, -1)); }
};

std::size_t openDescriptors() {
    const auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// The timers this thread has running for `channel`: its own, its children's, and the
// single-shot ones (QTimer::singleShot), which Qt keeps as children of the thread's
// event dispatcher.
std::size_t runningTimers(SingleInstance& channel) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QObjectList owners = dispatcher->children();
    owners.append(&channel);
    for (QObject* child : channel.findChildren<QObject*>()) owners.append(child);
    std::size_t count = 0;
    for (QObject* owner : owners)
        count += static_cast<std::size_t>(dispatcher->registeredTimers(owner).size());
    return count;
}

std::future<std::optional<CommandReply>> ask(const std::string& folder, const std::string& request) {
    return std::async(std::launch::async,
                      [folder, request] { return SingleInstance(folder).askRunning(request); });
}

CommandReply did(const std::string& request) {
    return CommandReply{CommandReply::kDone, {"did " + request}, {}};
}

// A running one listening in a fresh state folder; its commands answer "did REQUEST"
// unless the test says otherwise.
struct Channel : ::testing::Test {
    TempDir dir;
    SingleInstance running{dir.path()};
    std::function<CommandReply(const std::string&)> handler = did;

    void SetUp() override {
        ASSERT_TRUE(running.acquire());
        ASSERT_TRUE(running.listen([] {}, [this](const std::string& request) { return handler(request); }));
        ASSERT_EQ(running.socketPath(), dir.path() + "/lendmode.sock");
    }
    std::optional<CommandReply> answer(std::future<std::optional<CommandReply>> asked) const {
        EXPECT_TRUE(serveUntil([&] { return ready(asked); })) << "no answer";
        return asked.get();
    }
};

}  // namespace

TEST_F(Channel, ACommandWaitingInANestedLoopLetsOthersInAndEachIsAnsweredWhenItsHandlerReturns) {
    std::future<std::optional<CommandReply>> first;
    std::future<std::optional<CommandReply>> second;
    bool secondAnsweredFirst = false;
    handler = [&](const std::string& request) {
        if (request != "first") return CommandReply{CommandReply::kRefused, {"a\nb"}, {"why"}};
        // As while the owner types a password.
        second = ask(dir.path(), "second");
        secondAnsweredFirst = serveUntil([&] { return ready(second); }) && !ready(first);
        return did(request);
    };
    first = ask(dir.path(), "first");
    EXPECT_TRUE(serveUntil([&] { return ready(first); }));
    EXPECT_EQ(first.get(), did("first"));
    EXPECT_TRUE(secondAnsweredFirst);
    EXPECT_EQ(second.get(), (CommandReply{CommandReply::kRefused, {"a", "b"}, {"why"}}));
}

TEST_F(Channel, ClientsThatStopReadingOrLeaveEarlyHoldUpNobodyAndLeaveNothingBehind) {
    const std::size_t before = openDescriptors();
    RawClient neverReads(running.socketPath());
    RawClient leavesMidCommand(running.socketPath());
    handler = [&](const std::string& request) {
        // Far more than the socket takes, for a client that never reads it.
        if (request == "big")
            return CommandReply{
                CommandReply::kDone, std::vector<std::string>(50000, std::string(100, 'x')), {}};
        if (request == "leave") {
            EXPECT_EQ(leavesMidCommand.read(), "accepted\n");
            leavesMidCommand.close();
            serveUntil([] { return false; }, 50ms);
        }
        return did(request);
    };
    neverReads.send("big\n");
    leavesMidCommand.send("leave\n");
    {
        RawClient halfRequest(running.socketPath());
        halfRequest.send("sta");
        RawClient leavesAtOnce(running.socketPath());
        RawClient endlessLine(running.socketPath());
        endlessLine.send(std::string(10000, 'x'));
        auto dropped = std::async(std::launch::async, [&] { return endlessLine.read(true); });
        EXPECT_TRUE(serveUntil([&] { return ready(dropped); }));
        EXPECT_EQ(dropped.get(), "");
    }
    // Answering the client that left must not end this process (SIGPIPE).
    EXPECT_EQ(answer(ask(dir.path(), "status")), did("status"));
    EXPECT_TRUE(serveUntil([&] { return openDescriptors() == before + 2; }))
        << openDescriptors() << " open: only both ends of the client that never reads should be";
    neverReads.close();
    EXPECT_TRUE(serveUntil([&] { return openDescriptors() == before; }));
}

// A same-user program that connects and closes as fast as it can: whatever the number
// of connections, the running one keeps one timer for them all, serves its other events
// (here a signal, as SIGTERM reaches the program) while the flood goes on, and answers
// a real client afterwards.
TEST_F(Channel, AConnectAndCloseFloodKeepsOneTimerAndLetsSignalsAndLaterClientsThrough) {
    constexpr long kSignalAfter = 2000;  // connections
    constexpr long kMost = 200000;       // the flood gives up here if the signal is never served
    std::atomic<bool> signalServed{false};
    std::atomic<bool> floodEnded{false};
    std::atomic<long> connections{0};
    bool servedDuringFlood = false;
    long connectionsBeforeSignal = 0;
    std::size_t timersDuringFlood = 0;
    std::size_t descriptorsDuringFlood = 0;
    const lendmode::SignalNotifier notifier({SIGUSR2}, [&](int) {
        servedDuringFlood = !floodEnded;
        connectionsBeforeSignal = connections;
        timersDuringFlood = runningTimers(running);
        descriptorsDuringFlood = openDescriptors();
        signalServed = true;
    });
    const std::size_t before = openDescriptors();
    const std::string path = running.socketPath();
    std::thread flood([&] {
        while (!signalServed && connections < kMost) {
            { const RawClient once(path); }
            if (++connections == kSignalAfter) ::kill(::getpid(), SIGUSR2);
        }
        floodEnded = true;
    });
    EXPECT_TRUE(serveUntil([&] { return signalServed || floodEnded; }));
    // Until the flood has stopped (a connect waits while the backlog is full).
    EXPECT_TRUE(serveUntil([&] { return floodEnded.load(); }));
    flood.join();

    EXPECT_TRUE(servedDuringFlood) << "the signal waited for the flood to end, after " << connections;
    EXPECT_GE(connectionsBeforeSignal, kSignalAfter);
    EXPECT_LE(timersDuringFlood, 1u) << "after " << connectionsBeforeSignal << " connections";
    EXPECT_LE(runningTimers(running), 1u) << "after " << connections << " connections";
    EXPECT_LE(descriptorsDuringFlood, before + 64u + 2) << "at most 64 clients at once";
    EXPECT_EQ(answer(ask(dir.path(), "status")), did("status"));
    EXPECT_TRUE(serveUntil([&] { return openDescriptors() == before; }));
}

// All places taken: the client turned away is told that Lendmode is busy, at once,
// and so is the command line; a place that comes free is taken again.
TEST_F(Channel, AClientTurnedAwayWhileEveryPlaceIsTakenIsToldLendmodeIsBusy) {
    running.setClientTimeout(std::chrono::hours(1));  // the places stay taken for the test
    const std::size_t before = openDescriptors();
    std::vector<std::unique_ptr<RawClient>> waiting;
    waiting.reserve(64);
    for (int i = 0; i < 64; ++i) waiting.push_back(std::make_unique<RawClient>(running.socketPath()));
    const std::string busy = "Lendmode is busy with other requests; try again in a moment.";

    EXPECT_EQ(answer(ask(dir.path(), "status")), (CommandReply{CommandReply::kRefused, {}, {busy}}));
    auto commandLine = std::async(std::launch::async, [&] {
        return testing_support::runShell(dir.path(), "exec lendmode-testable status");
    });
    EXPECT_TRUE(serveUntil([&] { return ready(commandLine); }));
    const auto run = commandLine.get();
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, busy + "\n");
    EXPECT_EQ(run.out, "");
    // A client of an older version reads a line it does not know, and the end: it stops.
    const RawClient older(running.socketPath());
    older.send("status\n");
    auto olderReads = std::async(std::launch::async, [&] { return older.read(true); });
    EXPECT_TRUE(serveUntil([&] { return ready(olderReads); }));
    EXPECT_EQ(olderReads.get(), "busy\n");

    waiting.pop_back();
    EXPECT_TRUE(serveUntil([&] { return openDescriptors() == before + 63 + 63 + 1; }));
    EXPECT_EQ(answer(ask(dir.path(), "status")), did("status"));
}

// One timer serves every client's deadline: a client that sends no request, or takes
// no answer, goes when its time is up; one whose command is still running stays.
TEST_F(Channel, ClientsThatSendNothingOrReadNothingGoWhenTheirTimeIsUpButARunningCommandKeepsItsClient) {
    running.setClientTimeout(50ms);
    const std::size_t before = openDescriptors();
    RawClient silent(running.socketPath());
    RawClient halfRequest(running.socketPath());
    halfRequest.send("sta");
    RawClient neverReads(running.socketPath());
    neverReads.send("big\n");
    bool lateClientWentWhileRunning = false;
    handler = [&](const std::string& request) {
        if (request == "big")
            return CommandReply{
                CommandReply::kDone, std::vector<std::string>(50000, std::string(100, 'x')), {}};
        // As while the owner takes longer over the password than a client may stay
        // silent: a client that came after this one has had its time and gone.
        const RawClient late(running.socketPath());
        auto gone = std::async(std::launch::async, [&] { return late.read(true); });
        lateClientWentWhileRunning = serveUntil([&] { return ready(gone); }) && gone.get().empty();
        return did(request);
    };
    auto ended =
        std::async(std::launch::async, [&] { return silent.read(true) + "|" + halfRequest.read(true); });
    EXPECT_TRUE(serveUntil([&] { return ready(ended); }));
    EXPECT_EQ(ended.get(), "|");
    EXPECT_EQ(answer(ask(dir.path(), "slow")), did("slow"));
    EXPECT_TRUE(lateClientWentWhileRunning);
    // Dropped before it had it all: what it reads now ends short of the answer.
    auto rest = std::async(std::launch::async, [&] { return neverReads.read(true); });
    EXPECT_TRUE(serveUntil([&] { return ready(rest); }));
    EXPECT_LT(rest.get().size(), 50000u * 105);
    silent.close();
    halfRequest.close();
    neverReads.close();
    EXPECT_TRUE(serveUntil([&] { return openDescriptors() == before; }));
}

TEST(SingleInstanceSocket, AFolderTooDeepForASocketAddressUsesTmpWhereOnlyTheLockHolderReplacesAStaleSocket) {
    TempDir base;
    const std::string deep = base.path() + "/" + std::string(60, 'a') + "/" + std::string(60, 'b');
    auto running = std::make_unique<SingleInstance>(deep);
    const std::string path = running->socketPath();
    EXPECT_EQ(path.rfind("/tmp/lendmode-" + std::to_string(::getuid()) + "-", 0), 0u) << path;
    EXPECT_LT(path.size(), 104u) << "fits a socket address on macOS too";
    EXPECT_NE(SingleInstance(deep + "c").socketPath(), path) << "one name per state folder";

    { RawClient stale(path, true); }
    SingleInstance later(deep);
    EXPECT_EQ(later.askRunning("status"), std::nullopt) << "not running";
    EXPECT_FALSE(later.askRunningToShow());

    ASSERT_TRUE(running->acquire());
    int shows = 0;
    ASSERT_TRUE(running->listen([&] { ++shows; }));
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "for its user only";
    auto shown = std::async(std::launch::async, [&later] { return later.askRunningToShow(); });
    EXPECT_TRUE(serveUntil([&] { return shows == 1; }));
    EXPECT_TRUE(shown.get());

    running.reset();
    EXPECT_FALSE(std::filesystem::exists(path)) << "removed when the running one ends";
}
