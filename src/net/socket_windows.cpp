// The sockets' system calls on Winsock, and this machine's addresses and random bytes.
#include "net/socket_system.h"
// bcrypt.h needs the types windows.h declares
#include <bcrypt.h>

#include <stdexcept>

namespace torvelkan::net {

namespace os {

int LastError() { return WSAGetLastError(); }

std::string ErrorText(int code) { return "Winsock error " + std::to_string(code); }

// getaddrinfo answers with a Winsock error code.
std::string ResolveErrorText(int status) { return ErrorText(status); }

bool WouldBlock(int code) { return code == WSAEWOULDBLOCK; }

bool ConnectStarted(int code) { return code == WSAEWOULDBLOCK; }

void SetNonBlocking(SocketHandle socket) {
  u_long on = 1;
  ioctlsocket(socket, FIONBIO, &on);
}

void ClaimPort(SocketHandle listener) {
  // No other program may take the port from under the game.
  const BOOL on = TRUE;
  setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
             sizeof on);
}

int AwaitConnection(SocketHandle socket, int timeoutMs) {
  WSAPOLLFD waiting{socket, POLLOUT, 0};
  const int ready = WSAPoll(&waiting, 1, timeoutMs);
  if (ready == 1 && (waiting.revents & POLLOUT) != 0) {
    return 0;
  }
  if (ready == 0) {
    return WSAETIMEDOUT;
  }
  if (ready == SOCKET_ERROR) {
    return WSAGetLastError();
  }
  // A connect that failed is reported as an error or a hang-up, with its
  // reason kept in the socket.
  int problem = 0;
  int length = sizeof problem;
  getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&problem), &length);
  return problem != 0 ? problem : WSAECONNREFUSED;
}

long Send(SocketHandle socket, std::span<const std::uint8_t> bytes) {
  return send(socket, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
              0);
}

long Receive(SocketHandle socket, std::span<std::uint8_t> buffer) {
  return recv(socket, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
}

int Poll(std::span<PollRecord> records, int timeoutMs) {
  // WSAPoll refuses an empty set; the wait is then a plain sleep.
  if (records.empty()) {
    if (timeoutMs > 0) {
      Sleep(static_cast<DWORD>(timeoutMs));
    }
    return 0;
  }
  return WSAPoll(records.data(), static_cast<ULONG>(records.size()), timeoutMs);
}

void Close(SocketHandle socket) { closesocket(socket); }

std::vector<std::string> InterfaceAddresses() {
  std::vector<std::string> addresses;
  char name[256] = "";
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (gethostname(name, sizeof name) == 0 && getaddrinfo(name, nullptr, &hints, &found) == 0) {
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
      const std::string text =
          NumericAddress(entry->ai_addr, static_cast<socklen_t>(entry->ai_addrlen));
      if (!text.starts_with("127.")) {
        addresses.push_back(text);
      }
    }
    freeaddrinfo(found);
  }
  return addresses;
}

}  // namespace os

SocketLibrary::SocketLibrary() {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    throw std::runtime_error("cannot start Winsock");
  }
}

SocketLibrary::~SocketLibrary() { WSACleanup(); }

bool SecureRandomBytes(std::span<std::uint8_t> bytes) {
  return BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

// Winsock sets no such limit on a process's sockets.
std::size_t RaiseOpenFileLimit() { return static_cast<std::size_t>(1) << 20; }

}  // namespace torvelkan::net
