#include "display_probe.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace lumatic {

namespace {

std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Only a connection proves a server: a socket file outlives a crashed one.
bool accepts(const sockaddr *address, socklen_t length, int family) {
    const int descriptor = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return false;
    const bool connected = ::connect(descriptor, address, length) == 0;
    ::close(descriptor);
    return connected;
}

// A local socket by its path, or by the same name in Linux's abstract namespace.
bool localSocketAccepts(const std::string &path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t start = abstract ? 1 : 0;
    if (start + path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + start, path.data(), path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + start +
                                               path.size() + (abstract ? 0 : 1));
    return accepts(reinterpret_cast<const sockaddr *>(&address), length, AF_UNIX);
}

bool tcpPortAccepts(std::string host, int port, int family) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return false;
    bool connected = false;
    for (const addrinfo *candidate = found; candidate != nullptr && !connected;
         candidate = candidate->ai_next)
        connected = accepts(candidate->ai_addr, candidate->ai_addrlen, candidate->ai_family);
    ::freeaddrinfo(found);
    return connected;
}

// DISPLAY is [protocol/][host]:number[.screen]; the server is reached as libxcb reaches it:
// without a host, on the local socket (abstract first), otherwise on TCP port 6000 + number.
// What this does not know it leaves to Qt.
bool xServerAccepts(const std::string &display) {
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos)
        return false; // libxcb cannot read it either
    if (display.front() == '/')
        return true; // a socket path, as some systems give: Qt's to try
    std::string host = display.substr(0, colon), protocol;
    if (const std::size_t slash = host.find('/'); slash != std::string::npos) {
        protocol = host.substr(0, slash);
        host.erase(0, slash + 1);
    }
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    if (number.empty() || number.size() > 5 ||
        !std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    if (protocol == "unix" || (protocol.empty() && (host.empty() || host == "unix"))) {
        const std::string path = "/tmp/.X11-unix/X" + number;
        return localSocketAccepts(path, true) || localSocketAccepts(path, false);
    }
    const int port = 6000 + std::stoi(number);
    if (port > 65535)
        return false;
    if (protocol.empty() || protocol == "tcp")
        return tcpPortAccepts(host, port, AF_UNSPEC);
    if (protocol == "inet")
        return tcpPortAccepts(host, port, AF_INET);
    if (protocol == "inet6")
        return tcpPortAccepts(host, port, AF_INET6);
    return true;
}

// WAYLAND_DISPLAY is a socket path, or a name in XDG_RUNTIME_DIR, as libwayland takes it.
bool compositorAccepts(const std::string &display) {
    if (display.front() == '/')
        return localSocketAccepts(display, false);
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    return !runtime.empty() && localSocketAccepts(runtime + "/" + display, false);
}

} // namespace

std::string missingDisplay() {
    // QT_QPA_PLATFORM lists platforms to try in turn ("wayland;xcb"), each with options after
    // a colon. Unset, Qt picks X11 or Wayland itself, so either display will do.
    bool x11 = true, wayland = true;
    const std::string platforms = environment("QT_QPA_PLATFORM");
    if (!platforms.empty()) {
        x11 = wayland = false;
        std::size_t start = 0;
        while (start <= platforms.size()) {
            std::size_t end = platforms.find(';', start);
            if (end == std::string::npos)
                end = platforms.size();
            const std::string entry = platforms.substr(start, end - start);
            const std::string name = entry.substr(0, entry.find(':'));
            if (name == "xcb")
                x11 = true;
            else if (name.rfind("wayland", 0) == 0)
                wayland = true;
            else if (!name.empty())
                return {}; // offscreen, vnc, eglfs...: displays of their own, or none at all
            start = end + 1;
        }
    }

    const std::string x11Display = environment("DISPLAY");
    std::string waylandDisplay = environment("WAYLAND_DISPLAY");
    // Sent to Wayland without a name, libwayland tries this one.
    if (wayland && waylandDisplay.empty() &&
        (!platforms.empty() || environment("XDG_SESSION_TYPE") == "wayland"))
        waylandDisplay = "wayland-0";
    if (wayland && !environment("WAYLAND_SOCKET").empty())
        return {}; // a connection handed down by the compositor that started us

    if (x11 && !x11Display.empty() && xServerAccepts(x11Display))
        return {};
    if (wayland && !waylandDisplay.empty() && compositorAccepts(waylandDisplay))
        return {};

    std::vector<std::string> reasons;
    if (x11)
        reasons.push_back(x11Display.empty() ? "DISPLAY is not set"
                                             : "no X server answers on " + x11Display);
    if (wayland)
        reasons.push_back(waylandDisplay.empty()
                              ? "WAYLAND_DISPLAY is not set"
                              : "no Wayland compositor answers on " + waylandDisplay);
    std::string why = reasons.front();
    for (std::size_t i = 1; i < reasons.size(); ++i)
        why += ", " + reasons[i];
    return "there is no display to show the window on (" + why +
           "); for a virtual one, start it as: xvfb-run -a lumatic";
}

} // namespace lumatic
