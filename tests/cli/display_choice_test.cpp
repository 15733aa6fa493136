// Whether a display can really be opened, and what a run makes of the answer: a stale
// variable must lead to the terminal, never to a platform plugin that aborts.
#include "app/display_choice.h"
#include "platform/display_connection.h"
#include "support/displays.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

#include <QElapsedTimer>
#include <QFile>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace tarvix;
using namespace std::chrono_literals;

namespace {

// A socket that listens and never answers: the kernel completes a connection into its
// queue, and then nothing more comes. Closing at once instead, it is a server that drops
// every client.
class Listener {
public:
    // A TCP listener on the loopback interface.
    Listener()
        : FFd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(FFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(FFd, 4) == 0
            && ::getsockname(FFd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            FPort = ntohs(address.sin_port);
    }
    // A unix socket listener at `path`.
    explicit Listener(const QByteArray& path)
        : FFd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), path.size());
        FPort = ::bind(FFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(FFd, 4) == 0;
    }
    ~Listener() { ::close(FFd); }

    bool Listening() const { return FPort > 0; }
    // The DISPLAY that reaches this listener over TCP (port 6000 + the display number).
    QByteArray XDisplay() const { return "127.0.0.1:" + QByteArray::number(FPort - 6000); }
    // Takes the next client and drops it.
    void DropClients()
    {
        pollfd waiting { FFd, POLLIN, 0 };
        if (::poll(&waiting, 1, 5000) != 1)
            return;
        const int client = ::accept(FFd, nullptr, nullptr);
        if (client >= 0)
            ::close(client);
    }

private:
    int FFd;
    int FPort = 0;
};

} // namespace

TEST(DisplayConnection, AnXDisplayWithoutAServerDoesNotAnswer)
{
    EXPECT_FALSE(XDisplayAnswers(UnusedXDisplay().toLatin1(), 2s));
    EXPECT_FALSE(XDisplayAnswers("unix" + UnusedXDisplay().toLatin1(), 2s));
    EXPECT_FALSE(XDisplayAnswers("", 2s));
    EXPECT_FALSE(XDisplayAnswers("not a display", 2s));
}

TEST(DisplayConnection, AnXServerThatNeverRepliesCostsNoMoreThanTheTimeout)
{
    Listener silent;
    ASSERT_TRUE(silent.Listening());
    ASSERT_GT(silent.XDisplay().mid(10).toInt(), 0) << "an ephemeral port lies above 6000";
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(XDisplayAnswers(silent.XDisplay(), 300ms));
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_GE(clock.elapsed(), 290);
}

TEST(DisplayConnection, AnXServerThatDropsTheClientDoesNotAnswer)
{
    // As a server does that refuses a client it cannot authorise.
    Listener dropping;
    ASSERT_TRUE(dropping.Listening());
    std::thread server([&] { dropping.DropClients(); });
    EXPECT_FALSE(XDisplayAnswers(dropping.XDisplay(), 2s));
    server.join();
}

TEST(DisplayConnection, ARunningXServerAnswers)
{
    const PrivateXServer server;
    if (server.Display().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    EXPECT_TRUE(XDisplayAnswers(server.Display(), 5s));
    EXPECT_TRUE(XDisplayAnswers("unix" + server.Display(), 5s));
}

TEST(DisplayConnection, AWaylandDisplayAnswersOnlyWhereACompositorListens)
{
    TempFolder runtime;
    const QByteArray folder = runtime.Path().toLocal8Bit();
    EXPECT_FALSE(WaylandDisplayAnswers("wayland-0", folder, 2s));
    EXPECT_FALSE(WaylandDisplayAnswers("", folder, 2s));
    {
        Listener compositor(folder + "/wayland-7");
        ASSERT_TRUE(compositor.Listening());
        EXPECT_TRUE(WaylandDisplayAnswers("wayland-7", folder, 2s));
        EXPECT_TRUE(WaylandDisplayAnswers(folder + "/wayland-7", "", 2s)); // an absolute path needs no folder
        EXPECT_FALSE(WaylandDisplayAnswers("wayland-7", "", 2s)); // as libwayland without XDG_RUNTIME_DIR
        EXPECT_FALSE(WaylandDisplayAnswers("wayland-8", folder, 2s));
    }
    // The compositor has ended: its socket file stays behind and refuses.
    ASSERT_TRUE(QFile::exists(runtime.File("wayland-7")));
    EXPECT_FALSE(WaylandDisplayAnswers("wayland-7", folder, 2s));
    EXPECT_FALSE(WaylandDisplayAnswers(QByteArray(200, 'w'), folder, 2s)); // longer than a socket address
}

class DisplayChoiceTest : public ::testing::Test {
protected:
    QByteArray Runtime() const { return FRuntime.Path().toLocal8Bit(); }

    TempFolder FRuntime;
    ScopedEnvironment FRuntimeFolder { "XDG_RUNTIME_DIR", Runtime() };
    ScopedEnvironment FPlatform { "QT_QPA_PLATFORM", QByteArray() };
    ScopedEnvironment FX { "DISPLAY", UnusedXDisplay().toLatin1() };
    ScopedEnvironment FWayland { "WAYLAND_DISPLAY", "wayland-gone" };
};

TEST_F(DisplayChoiceTest, StaleDisplaysAreNone)
{
    for (const DisplayUse use : { DisplayUse::Messages, DisplayUse::Window }) {
        const DisplayChoice choice = ChooseDisplay(use);
        EXPECT_FALSE(choice.Usable);
        EXPECT_EQ(choice.Unreachable, UnusedXDisplay() + ", wayland-gone");
    }
    // Only the platform asked for is tried, and named.
    const ScopedEnvironment x("QT_QPA_PLATFORM", "xcb");
    EXPECT_EQ(ChooseDisplay(DisplayUse::Window).Unreachable, UnusedXDisplay());
    const ScopedEnvironment nothing("DISPLAY", QByteArray());
    EXPECT_EQ(ChooseDisplay(DisplayUse::Window).Unreachable, "");
}

TEST_F(DisplayChoiceTest, TheLiveOfTwoDisplaysIsTheOneQtMustTake)
{
    Listener compositor(Runtime() + "/wayland-live");
    ASSERT_TRUE(compositor.Listening());
    const ScopedEnvironment wayland("WAYLAND_DISPLAY", "wayland-live");
    DisplayChoice choice = ChooseDisplay(DisplayUse::Messages);
    EXPECT_TRUE(choice.Usable);
    EXPECT_EQ(choice.Platform, "wayland");
    EXPECT_TRUE(choice.Unreachable.isEmpty());
    {
        // Asked for explicitly, X is what counts, and the live compositor does not help.
        const ScopedEnvironment x("QT_QPA_PLATFORM", "xcb");
        EXPECT_FALSE(ChooseDisplay(DisplayUse::Window).Usable);
        // A list of platforms, each with options after ':', is tried in full.
        const ScopedEnvironment list("QT_QPA_PLATFORM", "xcb;wayland-egl:option=1");
        choice = ChooseDisplay(DisplayUse::Window);
        EXPECT_TRUE(choice.Usable);
        EXPECT_EQ(choice.Platform, "") << "an explicit choice is left alone";
    }
    // Without a stale X display beside it, Qt keeps its own choice.
    const ScopedEnvironment noX("DISPLAY", QByteArray());
    choice = ChooseDisplay(DisplayUse::Window);
    EXPECT_TRUE(choice.Usable);
    EXPECT_EQ(choice.Platform, "");

    const PrivateXServer server;
    if (server.Display().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    const ScopedEnvironment x("DISPLAY", server.Display());
    EXPECT_EQ(ChooseDisplay(DisplayUse::Window).Platform, "") << "both answer";
    const ScopedEnvironment gone("WAYLAND_DISPLAY", "wayland-gone");
    choice = ChooseDisplay(DisplayUse::Messages);
    EXPECT_TRUE(choice.Usable);
    EXPECT_EQ(choice.Platform, "xcb");
}

TEST_F(DisplayChoiceTest, APlatformOfItsOwnNeedsNoDisplay)
{
    // Offscreen in tests, a VNC server or a framebuffer: no display is tried, message boxes
    // are shown where a display is named, and the window is always left to that platform.
    for (const QByteArray platform : { "offscreen", "vnc:size=800x600", "xcb;offscreen" }) {
        const ScopedEnvironment chosen("QT_QPA_PLATFORM", platform);
        EXPECT_TRUE(ChooseDisplay(DisplayUse::Messages).Usable) << platform.constData();
        EXPECT_TRUE(ChooseDisplay(DisplayUse::Window).Usable) << platform.constData();
        const ScopedEnvironment noX("DISPLAY", QByteArray());
        const ScopedEnvironment noWayland("WAYLAND_DISPLAY", QByteArray());
        EXPECT_FALSE(ChooseDisplay(DisplayUse::Messages).Usable) << platform.constData();
        const DisplayChoice window = ChooseDisplay(DisplayUse::Window);
        EXPECT_TRUE(window.Usable) << platform.constData();
        EXPECT_EQ(window.Platform, "") << platform.constData();
    }
}
