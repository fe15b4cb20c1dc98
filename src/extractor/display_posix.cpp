#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "extractor/display.h"

namespace {

// Waits at most this long for a display across the network.
constexpr int kConnectTimeoutMs = 1000;

bool ConnectsTo(const sockaddr* address, socklen_t length, int family) {
  const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  bool connected = ::connect(fd, address, length) == 0;
  if (!connected && errno == EINPROGRESS) {
    pollfd waiting{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    connected = ::poll(&waiting, 1, kConnectTimeoutMs) == 1 &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
  ::close(fd);
  return connected;
}

// A local socket at `path`; with `abstract`, in the abstract namespace, as X servers also offer.
bool LocalSocketAnswers(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                             path.size() + (abstract ? 0 : 1));
  return ConnectsTo(reinterpret_cast<const sockaddr*>(&address), length, AF_UNIX);
}

bool TcpAnswers(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool answers = false;
  for (const addrinfo* a = found; a != nullptr && !answers; a = a->ai_next) {
    answers = ConnectsTo(a->ai_addr, a->ai_addrlen, a->ai_family);
  }
  ::freeaddrinfo(found);
  return answers;
}

// An X display "[host]:number[.screen]".
bool XDisplayAnswers(const std::string& display) {
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = display.substr(0, colon);
  const int number = std::atoi(display.c_str() + colon + 1);
  if (host.empty() || host == "unix") {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    return LocalSocketAnswers(path, true) || LocalSocketAnswers(path, false);
  }
  return TcpAnswers(host, 6000 + number);
}

bool WaylandAnswers(const std::string& display) {
  if (display.empty()) return false;
  if (display.front() == '/') return LocalSocketAnswers(display, false);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime != nullptr && LocalSocketAnswers(std::string(runtime) + "/" + display, false);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

}  // namespace

bool DisplayReachable() {
  const std::string platform = Environment("QT_QPA_PLATFORM");
  const std::string wayland = Environment("WAYLAND_DISPLAY");
  const std::string x = Environment("DISPLAY");
  // Platforms without a server (offscreen, minimal, ...) always answer.
  if (!platform.empty() && !platform.starts_with("xcb") && !platform.starts_with("wayland")) {
    return true;
  }
  if (!platform.starts_with("xcb") && WaylandAnswers(wayland)) return true;
  return !platform.starts_with("wayland") && !x.empty() && XDisplayAnswers(x);
}
