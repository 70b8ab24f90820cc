// The few socket calls the game needs, on POSIX.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "net/socket.h"

#if defined(__linux__)
#include <sys/random.h>
#endif

namespace torvelkan::net {

namespace {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed peer is an error, not SIGPIPE
#else
constexpr int kSendFlags = 0;
#endif

void MakeNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
#ifdef SO_NOSIGPIPE
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
}

void NoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Frames a slow peer cannot take should be skipped, not queued in the kernel
// where they would only arrive late.
void SmallSendBuffer(int fd) {
  const int bytes = kSendBufferBytes;
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

std::string NumericAddress(const sockaddr* address, socklen_t length) {
  char host[NI_MAXHOST] = "";
  if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
    return "?";
  }
  std::string text = host;
  if (text.starts_with("::ffff:") && text.find('.') != std::string::npos) {
    text.erase(0, 7);
  }
  return text;
}

int BindAndListen(const sockaddr* address, socklen_t length, int family, std::string& error) {
  const int fd = socket(family, SOCK_STREAM, 0);
  if (fd < 0) {
    error = std::strerror(errno);
    return -1;
  }
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (family == AF_INET6) {
    const int off = 0;  // IPv4 too, where the system allows it
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  }
  if (bind(fd, address, length) != 0 || listen(fd, 64) != 0) {
    error = std::strerror(errno);
    close(fd);
    return -1;
  }
  MakeNonBlocking(fd);
  return fd;
}

}  // namespace

SocketLibrary::SocketLibrary() = default;
SocketLibrary::~SocketLibrary() = default;

SocketHandle Listen(const std::string& host, std::uint16_t port) {
  std::string error = "no address to listen on";
  if (host.empty()) {
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_addr = in6addr_any;
    any6.sin6_port = htons(port);
    int fd = BindAndListen(reinterpret_cast<const sockaddr*>(&any6), sizeof any6, AF_INET6, error);
    if (fd < 0) {
      sockaddr_in any4{};
      any4.sin_family = AF_INET;
      any4.sin_addr.s_addr = htonl(INADDR_ANY);
      any4.sin_port = htons(port);
      fd = BindAndListen(reinterpret_cast<const sockaddr*>(&any4), sizeof any4, AF_INET, error);
    }
    if (fd < 0) {
      throw std::runtime_error("cannot listen on port " + std::to_string(port) + ": " + error);
    }
    return fd;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0) {
    throw std::runtime_error("cannot listen on " + host + ": " + gai_strerror(status));
  }
  int fd = -1;
  for (const addrinfo* entry = found; entry != nullptr && fd < 0; entry = entry->ai_next) {
    fd = BindAndListen(entry->ai_addr, entry->ai_addrlen, entry->ai_family, error);
  }
  freeaddrinfo(found);
  if (fd < 0) {
    throw std::runtime_error("cannot listen on " + host + " port " + std::to_string(port) + ": " +
                             error);
  }
  return fd;
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return 0;
  }
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

SocketHandle Accept(SocketHandle listener, std::string& peerAddress) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  const int fd = accept(listener, reinterpret_cast<sockaddr*>(&address), &length);
  if (fd < 0) {
    return kNoSocket;
  }
  MakeNonBlocking(fd);
  NoDelay(fd);
  SmallSendBuffer(fd);
  peerAddress = NumericAddress(reinterpret_cast<const sockaddr*>(&address), length);
  return fd;
}

SocketHandle Connect(const std::string& host, std::uint16_t port, int timeoutMs,
                     std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0) {
    error = "cannot find " + host + ": " + gai_strerror(status);
    return kNoSocket;
  }
  int connected = -1;
  error = "cannot reach " + host;
  for (const addrinfo* entry = found; entry != nullptr && connected < 0; entry = entry->ai_next) {
    const int fd = socket(entry->ai_family, SOCK_STREAM, 0);
    if (fd < 0) {
      continue;
    }
    MakeNonBlocking(fd);
    int status = connect(fd, entry->ai_addr, entry->ai_addrlen);
    if (status != 0 && errno == EINPROGRESS) {
      pollfd waiting{fd, POLLOUT, 0};
      status = poll(&waiting, 1, timeoutMs) == 1 ? 0 : -1;
      int problem = status == 0 ? 0 : ETIMEDOUT;
      socklen_t length = sizeof problem;
      if (status == 0) {
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &problem, &length);
      }
      errno = problem;
      status = problem == 0 ? 0 : -1;
    }
    if (status == 0) {
      NoDelay(fd);
      connected = fd;
    } else {
      error = "cannot reach " + host;
      error += " port " + service + ": ";
      error += std::strerror(errno);
      close(fd);
    }
  }
  freeaddrinfo(found);
  return connected;
}

long SendSome(SocketHandle socket, std::span<const std::uint8_t> bytes) {
  const ssize_t sent = send(socket, bytes.data(), bytes.size(), kSendFlags);
  if (sent > 0) {
    return static_cast<long>(sent);
  }
  if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    return kWouldBlock;
  }
  return bytes.empty() ? 0 : kClosed;
}

long ReceiveSome(SocketHandle socket, std::span<std::uint8_t> buffer) {
  const ssize_t received = recv(socket, buffer.data(), buffer.size(), 0);
  if (received > 0) {
    return static_cast<long>(received);
  }
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    return kWouldBlock;
  }
  return kClosed;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) {
    close(socket);
  }
}

void PollSockets(std::span<PollEntry> entries, int timeoutMs) {
  std::vector<pollfd> fds(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    fds[i].fd = entries[i].socket;
    fds[i].events = static_cast<short>(entries[i].wantWrite ? (POLLIN | POLLOUT) : POLLIN);
  }
  const int ready = poll(fds.data(), fds.size(), timeoutMs);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const int seen = ready > 0 ? fds[i].revents : 0;
    entries[i].readable = (seen & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) != 0;
    entries[i].writable = (seen & POLLOUT) != 0;
  }
}

std::vector<std::string> LocalAddresses() {
  std::vector<std::string> addresses;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) {
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
      if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
          (entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) {
        continue;
      }
      addresses.push_back(NumericAddress(entry->ifa_addr, sizeof(sockaddr_in)));
    }
    freeifaddrs(list);
  }
  if (addresses.empty()) {
    addresses.emplace_back("127.0.0.1");
  }
  return addresses;
}

bool SecureRandomBytes(std::span<std::uint8_t> bytes) {
#if defined(__linux__)
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    filled += static_cast<std::size_t>(got);
  }
  return true;
#else
  arc4random_buf(bytes.data(), bytes.size());
  return true;
#endif
}

}  // namespace torvelkan::net
