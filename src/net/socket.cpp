// The sockets' logic, the same on every system: finding addresses, listening,
// accepting, connecting within a time, and what a failure says.
#include "net/socket.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/socket_system.h"

namespace torvelkan::net {

namespace {

struct FreeAddresses {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, FreeAddresses>;

// getaddrinfo's answer for a TCP socket: 0, or its error status.
int Resolve(const std::string& host, std::uint16_t port, int flags, AddressList& found) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = flags;
  addrinfo* list = nullptr;
  const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
  found.reset(list);
  return status;
}

// Each address in turn until one gives a socket.
template <typename Attempt>
Socket FirstOpened(const AddressList& found, const Attempt& attempt) {
  Socket socket;
  for (const addrinfo* entry = found.get(); entry != nullptr && !socket.IsOpen();
       entry = entry->ai_next) {
    socket = attempt(*entry);
  }
  return socket;
}

std::string ListenFailure(const std::string& host, std::uint16_t port, const std::string& reason) {
  const std::string where = host.empty() ? std::string() : host + " ";
  return "cannot listen on " + where + "port " + std::to_string(port) + ": " + reason;
}

std::string ConnectFailure(const std::string& host, std::uint16_t port, const std::string& reason) {
  return "cannot reach " + host + " port " + std::to_string(port) + ": " + reason;
}

std::string LastErrorText() { return os::ErrorText(os::LastError()); }

// Every option the game sets is an int; Winsock wants it as chars.
void SetOption(SocketHandle socket, int level, int name, int value) {
  setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}

void NoDelay(SocketHandle socket) { SetOption(socket, IPPROTO_TCP, TCP_NODELAY, 1); }

// Frames a slow peer cannot take should be skipped, not queued in the kernel
// where they would only arrive late.
void SmallSendBuffer(SocketHandle socket) {
  SetOption(socket, SOL_SOCKET, SO_SNDBUF, kSendBufferBytes);
}

Socket BindAndListen(const sockaddr* address, socklen_t length, int family, std::string& reason) {
  Socket socket(::socket(family, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.IsOpen()) {
    reason = LastErrorText();
    return {};
  }
  os::ClaimPort(socket.Get());
  if (family == AF_INET6) {
    SetOption(socket.Get(), IPPROTO_IPV6, IPV6_V6ONLY, 0);  // IPv4 too, where the system allows it
  }
  if (bind(socket.Get(), address, length) != 0 || listen(socket.Get(), 64) != 0) {
    reason = LastErrorText();
    return {};
  }
  os::SetNonBlocking(socket.Get());
  return socket;
}

Socket ConnectTo(const addrinfo& entry, int timeoutMs, std::string& reason) {
  Socket socket(::socket(entry.ai_family, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.IsOpen()) {
    reason = LastErrorText();
    return {};
  }
  os::SetNonBlocking(socket.Get());
  int problem = 0;
  if (connect(socket.Get(), entry.ai_addr, static_cast<socklen_t>(entry.ai_addrlen)) != 0) {
    problem = os::LastError();
    if (os::ConnectStarted(problem)) {
      problem = os::AwaitConnection(socket.Get(), timeoutMs);
    }
  }
  if (problem != 0) {
    reason = os::ErrorText(problem);
    return {};
  }
  NoDelay(socket.Get());
  return socket;
}

}  // namespace

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

Socket Listen(const std::string& host, std::uint16_t port) {
  std::string reason = "no address to listen on";
  Socket listener;
  if (host.empty()) {
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_addr = in6addr_any;
    any6.sin6_port = htons(port);
    listener =
        BindAndListen(reinterpret_cast<const sockaddr*>(&any6), sizeof any6, AF_INET6, reason);
    if (!listener.IsOpen()) {
      sockaddr_in any4{};
      any4.sin_family = AF_INET;
      any4.sin_addr.s_addr = htonl(INADDR_ANY);
      any4.sin_port = htons(port);
      listener =
          BindAndListen(reinterpret_cast<const sockaddr*>(&any4), sizeof any4, AF_INET, reason);
    }
  } else {
    AddressList found;
    if (const int status = Resolve(host, port, AI_PASSIVE, found); status != 0) {
      throw std::runtime_error("cannot listen on " + host + ": " + os::ResolveErrorText(status));
    }
    listener = FirstOpened(found, [&reason](const addrinfo& entry) {
      return BindAndListen(entry.ai_addr, static_cast<socklen_t>(entry.ai_addrlen), entry.ai_family,
                           reason);
    });
  }
  if (!listener.IsOpen()) {
    throw std::runtime_error(ListenFailure(host, port, reason));
  }
  return listener;
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

Socket Accept(SocketHandle listener, std::string& peerAddress) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  Socket socket(accept(listener, reinterpret_cast<sockaddr*>(&address), &length));
  if (!socket.IsOpen()) {
    return {};
  }
  os::SetNonBlocking(socket.Get());
  NoDelay(socket.Get());
  SmallSendBuffer(socket.Get());
  peerAddress = NumericAddress(reinterpret_cast<const sockaddr*>(&address), length);
  return socket;
}

Socket Connect(const std::string& host, std::uint16_t port, int timeoutMs, std::string& error) {
  AddressList found;
  if (const int status = Resolve(host, port, 0, found); status != 0) {
    error = "cannot find " + host + ": " + os::ResolveErrorText(status);
    return {};
  }
  std::string reason = "no address to connect to";
  Socket connected = FirstOpened(found, [&reason, timeoutMs](const addrinfo& entry) {
    return ConnectTo(entry, timeoutMs, reason);
  });
  if (!connected.IsOpen()) {
    error = ConnectFailure(host, port, reason);
  }
  return connected;
}

void CloseSocket(SocketHandle socket) noexcept {
  if (socket != kNoSocket) {
    os::Close(socket);
  }
}

void PollSockets(std::span<PollEntry> entries, int timeoutMs) {
  std::vector<os::PollRecord> records(entries.size());
  // cppcheck-suppress badBitmaskCheck ; kPollPeerClosed is 0 only where the system has none
  const int reading = os::kPollRead | os::kPollPeerClosed;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    records[i].fd = entries[i].socket;
    records[i].events = static_cast<short>((entries[i].wantRead ? reading : 0) |
                                           (entries[i].wantWrite ? os::kPollWrite : 0));
  }
  const int ready = os::Poll(records, timeoutMs);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const int seen = ready > 0 ? records[i].revents : 0;
    entries[i].readable = (seen & (os::kPollRead | POLLERR | POLLHUP | POLLNVAL)) != 0;
    entries[i].writable = (seen & os::kPollWrite) != 0;
    // cppcheck-suppress badBitmaskCheck ; as above
    entries[i].hungUp = (seen & (POLLHUP | os::kPollPeerClosed)) != 0;
  }
}

std::vector<std::string> LocalAddresses() {
  std::vector<std::string> addresses = os::InterfaceAddresses();
  if (addresses.empty()) {
    addresses.emplace_back("127.0.0.1");
  }
  return addresses;
}

long SendSome(SocketHandle socket, std::span<const std::uint8_t> bytes) {
  const long sent = os::Send(socket, bytes);
  if (sent > 0) {
    return sent;
  }
  if (sent < 0 && os::WouldBlock(os::LastError())) {
    return kWouldBlock;
  }
  return bytes.empty() ? 0 : kClosed;
}

long ReceiveSome(SocketHandle socket, std::span<std::uint8_t> buffer) {
  const long received = os::Receive(socket, buffer);
  if (received > 0) {
    return received;
  }
  if (received < 0 && os::WouldBlock(os::LastError())) {
    return kWouldBlock;
  }
  return kClosed;
}

}  // namespace torvelkan::net
