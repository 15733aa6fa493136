#include "platform/display_connection.h"

#include "base/unique_fd.h"

#include <condition_variable>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <vector>

namespace tarvix {

namespace {

// The three functions of libxcb the check needs, declared as libxcb declares them (the
// connection is opaque), so that neither its headers nor the library itself are needed to
// build.
struct Xcb {
    using Connection = void*;
    Connection (*Connect)(const char* display, int* screen) = nullptr;
    int (*HasError)(Connection connection) = nullptr;
    void (*Disconnect)(Connection connection) = nullptr;
};

std::optional<Xcb> LoadXcb()
{
    // Never closed: a check that ran out of time may still be inside it, and the xcb plugin
    // loads the same library anyway.
    void* library = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return std::nullopt;
    Xcb xcb;
    xcb.Connect = reinterpret_cast<decltype(xcb.Connect)>(::dlsym(library, "xcb_connect"));
    xcb.HasError = reinterpret_cast<decltype(xcb.HasError)>(::dlsym(library, "xcb_connection_has_error"));
    xcb.Disconnect = reinterpret_cast<decltype(xcb.Disconnect)>(::dlsym(library, "xcb_disconnect"));
    if (!xcb.Connect || !xcb.HasError || !xcb.Disconnect)
        return std::nullopt;
    return xcb;
}

void KeepOpen(Xcb::Connection connection)
{
    static std::mutex lock;
    static auto* const kept = new std::vector<Xcb::Connection>; // reachable to the very end
    const std::lock_guard<std::mutex> guard(lock);
    kept->push_back(connection);
}

bool XcbConnects(const Xcb& xcb, const std::string& display)
{
    // A server that closes the connection at once must not end the process with SIGPIPE
    // while the setup is written: blocked here, the signal stays with this thread and the
    // write fails instead.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const Xcb::Connection connection = xcb.Connect(display.c_str(), nullptr);
    if (!connection)
        return false;
    if (xcb.HasError(connection) != 0) {
        xcb.Disconnect(connection);
        return false;
    }
    // Kept open, idle, until the process ends: a server that starts over when its last
    // client leaves (a bare Xvfb, xvfb-run) would otherwise be starting over just when the
    // platform plugin connects, and refuse it.
    KeepOpen(connection);
    return true;
}

} // namespace

bool XDisplayAnswers(const QByteArray& display, std::chrono::milliseconds timeout)
{
    if (display.isEmpty())
        return false;
    const std::optional<Xcb> xcb = LoadXcb();
    if (!xcb)
        return false;
    // xcb_connect has no time limit of its own (name lookup, TCP connect, the setup reply),
    // so it runs on a thread of its own that is left behind when it takes too long; it holds
    // nothing but its own connection and the state shared here.
    struct Outcome {
        std::mutex Lock;
        std::condition_variable Done;
        std::optional<bool> Connected;
    };
    const auto outcome = std::make_shared<Outcome>();
    try {
        std::thread([outcome, xcb = *xcb, name = display.toStdString()] {
            const bool connected = XcbConnects(xcb, name);
            const std::lock_guard<std::mutex> lock(outcome->Lock);
            outcome->Connected = connected;
            outcome->Done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    std::unique_lock<std::mutex> lock(outcome->Lock);
    return outcome->Done.wait_for(lock, timeout, [&] { return outcome->Connected.has_value(); }) && *outcome->Connected;
}

bool WaylandDisplayAnswers(
    const QByteArray& display, const QByteArray& runtimeFolder, std::chrono::milliseconds timeout)
{
    if (display.isEmpty())
        return false;
    QByteArray path = display;
    if (!display.startsWith('/')) {
        if (runtimeFolder.isEmpty())
            return false;
        path = runtimeFolder + '/' + display;
    }
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false; // libwayland refuses a name that does not fit, too
    std::memcpy(address.sun_path, path.constData(), path.size());
    const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.Valid())
        return false;
    // A blocking connect, as libwayland's, bounded by the send time-out (a compositor whose
    // queue of new clients is full makes it wait).
    const auto microseconds = std::chrono::duration_cast<std::chrono::microseconds>(timeout).count();
    timeval limit { static_cast<time_t>(microseconds / 1000000), static_cast<suseconds_t>(microseconds % 1000000) };
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    return ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace tarvix
