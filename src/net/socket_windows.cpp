// The few socket calls the game needs, on Winsock.
#include "common/windows_api.h"

#include <bcrypt.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

#include "net/socket.h"

namespace torvelkan::net {

namespace {

std::string LastError() { return "Winsock error " + std::to_string(WSAGetLastError()); }

void MakeNonBlocking(SOCKET socket) {
  u_long on = 1;
  ioctlsocket(socket, FIONBIO, &on);
}

void NoDelay(SOCKET socket) {
  const BOOL on = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

// Frames a slow peer cannot take should be skipped, not queued in the kernel
// where they would only arrive late.
void SmallSendBuffer(SOCKET socket) {
  const int bytes = kSendBufferBytes;
  setsockopt(socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

std::string NumericAddress(const sockaddr* address, int length) {
  char host[NI_MAXHOST] = "";
  if (getnameinfo(address, static_cast<socklen_t>(length), host, sizeof host, nullptr, 0,
                  NI_NUMERICHOST) != 0) {
    return "?";
  }
  std::string text = host;
  if (text.starts_with("::ffff:") && text.find('.') != std::string::npos) {
    text.erase(0, 7);
  }
  return text;
}

SOCKET BindAndListen(const sockaddr* address, int length, int family, std::string& error) {
  const SOCKET socket = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) {
    error = LastError();
    return INVALID_SOCKET;
  }
  // No other program may take the port from under the game.
  const BOOL on = TRUE;
  setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
             sizeof on);
  if (family == AF_INET6) {
    const DWORD off = 0;
    setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&off), sizeof off);
  }
  if (bind(socket, address, length) != 0 || listen(socket, 64) != 0) {
    error = LastError();
    closesocket(socket);
    return INVALID_SOCKET;
  }
  MakeNonBlocking(socket);
  return socket;
}

}  // namespace

SocketLibrary::SocketLibrary() {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    throw std::runtime_error("cannot start Winsock");
  }
}

SocketLibrary::~SocketLibrary() { WSACleanup(); }

SocketHandle Listen(const std::string& host, std::uint16_t port) {
  std::string error = "no address to listen on";
  SOCKET socket = INVALID_SOCKET;
  if (host.empty()) {
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_addr = in6addr_any;
    any6.sin6_port = htons(port);
    socket = BindAndListen(reinterpret_cast<const sockaddr*>(&any6), sizeof any6, AF_INET6, error);
    if (socket == INVALID_SOCKET) {
      sockaddr_in any4{};
      any4.sin_family = AF_INET;
      any4.sin_addr.s_addr = htonl(INADDR_ANY);
      any4.sin_port = htons(port);
      socket = BindAndListen(reinterpret_cast<const sockaddr*>(&any4), sizeof any4, AF_INET, error);
    }
  } else {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
      throw std::runtime_error("cannot listen on " + host + ": " + LastError());
    }
    for (const addrinfo* entry = found; entry != nullptr && socket == INVALID_SOCKET;
         entry = entry->ai_next) {
      socket = BindAndListen(entry->ai_addr, static_cast<int>(entry->ai_addrlen), entry->ai_family,
                             error);
    }
    freeaddrinfo(found);
  }
  if (socket == INVALID_SOCKET) {
    throw std::runtime_error("cannot listen on port " + std::to_string(port) + ": " + error);
  }
  return socket;
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_storage address{};
  int length = sizeof address;
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
  int length = sizeof address;
  const SOCKET socket = accept(listener, reinterpret_cast<sockaddr*>(&address), &length);
  if (socket == INVALID_SOCKET) {
    return kNoSocket;
  }
  MakeNonBlocking(socket);
  NoDelay(socket);
  SmallSendBuffer(socket);
  peerAddress = NumericAddress(reinterpret_cast<const sockaddr*>(&address), length);
  return socket;
}

SocketHandle Connect(const std::string& host, std::uint16_t port, int timeoutMs,
                     std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
    error = "cannot find " + host + ": " + LastError();
    return kNoSocket;
  }
  SOCKET connected = INVALID_SOCKET;
  error = "cannot reach " + host;
  for (const addrinfo* entry = found; entry != nullptr && connected == INVALID_SOCKET;
       entry = entry->ai_next) {
    const SOCKET socket = ::socket(entry->ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
      continue;
    }
    MakeNonBlocking(socket);
    bool ok = connect(socket, entry->ai_addr, static_cast<int>(entry->ai_addrlen)) == 0;
    if (!ok && WSAGetLastError() == WSAEWOULDBLOCK) {
      WSAPOLLFD waiting{socket, POLLOUT, 0};
      ok = WSAPoll(&waiting, 1, timeoutMs) == 1 && (waiting.revents & POLLOUT) != 0;
    }
    if (ok) {
      NoDelay(socket);
      connected = socket;
    } else {
      error = "cannot reach " + host + " port " + service;
      closesocket(socket);
    }
  }
  freeaddrinfo(found);
  return connected == INVALID_SOCKET ? kNoSocket : connected;
}

long SendSome(SocketHandle socket, std::span<const std::uint8_t> bytes) {
  const int sent =
      send(socket, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
  if (sent > 0) {
    return sent;
  }
  if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
    return kWouldBlock;
  }
  return bytes.empty() ? 0 : kClosed;
}

long ReceiveSome(SocketHandle socket, std::span<std::uint8_t> buffer) {
  const int received =
      recv(socket, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
  if (received > 0) {
    return received;
  }
  if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
    return kWouldBlock;
  }
  return kClosed;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) {
    closesocket(socket);
  }
}

void PollSockets(std::span<PollEntry> entries, int timeoutMs) {
  std::vector<WSAPOLLFD> fds(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    fds[i].fd = entries[i].socket;
    fds[i].events = static_cast<SHORT>(POLLRDNORM | (entries[i].wantWrite ? POLLWRNORM : 0));
  }
  const int ready =
      fds.empty() ? 0 : WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeoutMs);
  if (fds.empty() && timeoutMs > 0) {
    Sleep(static_cast<DWORD>(timeoutMs));
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const SHORT seen = ready > 0 ? fds[i].revents : 0;
    entries[i].readable = (seen & (POLLRDNORM | POLLERR | POLLHUP | POLLNVAL)) != 0;
    entries[i].writable = (seen & POLLWRNORM) != 0;
  }
}

std::vector<std::string> LocalAddresses() {
  std::vector<std::string> addresses;
  char name[256] = "";
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (gethostname(name, sizeof name) == 0 && getaddrinfo(name, nullptr, &hints, &found) == 0) {
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
      const std::string text = NumericAddress(entry->ai_addr, static_cast<int>(entry->ai_addrlen));
      if (!text.starts_with("127.")) {
        addresses.push_back(text);
      }
    }
    freeaddrinfo(found);
  }
  if (addresses.empty()) {
    addresses.emplace_back("127.0.0.1");
  }
  return addresses;
}

bool SecureRandomBytes(std::span<std::uint8_t> bytes) {
  return BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

}  // namespace torvelkan::net
