// The sockets' system calls on POSIX, and this machine's addresses and random bytes.
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "net/socket_system.h"

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

}  // namespace

namespace os {

int LastError() { return errno; }

std::string ErrorText(int code) { return std::strerror(code); }

std::string ResolveErrorText(int status) { return gai_strerror(status); }

bool WouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK || code == EINTR; }

bool ConnectStarted(int code) { return code == EINPROGRESS; }

void SetNonBlocking(SocketHandle socket) {
  const int flags = fcntl(socket, F_GETFL, 0);
  fcntl(socket, F_SETFL, flags | O_NONBLOCK);
  fcntl(socket, F_SETFD, FD_CLOEXEC);
#ifdef SO_NOSIGPIPE
  const int on = 1;
  setsockopt(socket, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
}

void ClaimPort(SocketHandle listener) {
  // A port the last game left in TIME_WAIT can be listened on again at once.
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

int AwaitConnection(SocketHandle socket, int timeoutMs) {
  pollfd waiting{socket, POLLOUT, 0};
  if (poll(&waiting, 1, timeoutMs) != 1) {
    return ETIMEDOUT;
  }
  int problem = 0;
  socklen_t length = sizeof problem;
  getsockopt(socket, SOL_SOCKET, SO_ERROR, &problem, &length);
  return problem;
}

long Send(SocketHandle socket, std::span<const std::uint8_t> bytes) {
  return static_cast<long>(send(socket, bytes.data(), bytes.size(), kSendFlags));
}

long Receive(SocketHandle socket, std::span<std::uint8_t> buffer) {
  return static_cast<long>(recv(socket, buffer.data(), buffer.size(), 0));
}

int Poll(std::span<PollRecord> records, int timeoutMs) {
  return poll(records.data(), records.size(), timeoutMs);
}

void Close(SocketHandle socket) { close(socket); }

std::vector<std::string> InterfaceAddresses() {
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
  return addresses;
}

}  // namespace os

SocketLibrary::SocketLibrary() = default;
SocketLibrary::~SocketLibrary() = default;

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

std::size_t RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
    return 1024;  // what systems give by default
  }
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
      limit = raised;
    }
  }
  return limit.rlim_cur == RLIM_INFINITY ? static_cast<std::size_t>(1) << 20
                                         : static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace torvelkan::net
