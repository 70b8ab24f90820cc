// The few socket calls the game needs, the same on POSIX and Winsock.
//
// socket.cpp holds the logic (finding addresses, listening, accepting,
// connecting within a time, what a failure says); socket_posix.cpp and
// socket_windows.cpp hold only the system's own calls. The rest of the network
// code sees sockets, byte counts and one-line errors. Sockets are non-blocking
// once open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace torvelkan::net {

#ifdef _WIN32
using SocketHandle = std::uintptr_t;  // SOCKET
inline constexpr SocketHandle kNoSocket = ~static_cast<SocketHandle>(0);
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
#endif

// Closes a handle that no Socket owns any more (see Socket::Release).
void CloseSocket(SocketHandle socket) noexcept;

struct SocketTraits {
  using Handle = SocketHandle;
  static constexpr Handle None() noexcept { return kNoSocket; }
  static void Close(Handle socket) noexcept { CloseSocket(socket); }
};

// An open socket, closed when its last owner lets go of it.
using Socket = UniqueHandle<SocketTraits>;

// Winsock must be started before its first call and stopped after the last;
// elsewhere this does nothing. One lives as long as any socket.
class SocketLibrary {
 public:
  SocketLibrary();
  ~SocketLibrary();  // NOLINT(performance-trivially-destructible): Winsock is stopped here
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
};

// A listening socket on host (empty: every address, IPv6 and IPv4) and port
// (0: any free one). Throws std::runtime_error with a one-line reason.
Socket Listen(const std::string& host, std::uint16_t port);
std::uint16_t LocalPort(SocketHandle socket);

// What an accepted connection's kernel may hold unsent: a few whole frames.
inline constexpr int kSendBufferBytes = 32768;

// A waiting connection, or none. The peer's address is numeric, IPv4
// addresses mapped into IPv6 written as IPv4.
Socket Accept(SocketHandle listener, std::string& peerAddress);

// Connects within timeoutMs for each of host's addresses in turn; on failure
// none, and a one-line reason in error.
Socket Connect(const std::string& host, std::uint16_t port, int timeoutMs, std::string& error);

// Bytes moved (at least 1), kWouldBlock, or kClosed for an orderly end or an error.
inline constexpr long kWouldBlock = -1;
inline constexpr long kClosed = -2;
long SendSome(SocketHandle socket, std::span<const std::uint8_t> bytes);
long ReceiveSome(SocketHandle socket, std::span<std::uint8_t> buffer);

struct PollEntry {
  SocketHandle socket = kNoSocket;
  bool wantWrite = false;
  bool readable = false;  // also set on an error or hang-up, so that a read finds it
  bool writable = false;
  // The peer has closed (or reset) the connection: nothing it sent after what
  // is already here will come, though that may still wait to be read.
  bool hungUp = false;
  // Waits for reading too. Off only for a socket that another loop reads
  // (the web server's), while nothing is reading it: what waits there would
  // end every wait at once.
  bool wantRead = true;
};

// Waits at most timeoutMs (0: just looks) for any entry to be ready.
void PollSockets(std::span<PollEntry> entries, int timeoutMs);

// This machine's addresses another machine could reach it at: IPv4 first,
// loopback only when there is nothing else.
std::vector<std::string> LocalAddresses();

// How many files and sockets this process may hold open at once, its limit
// first raised as far as the system lets an unprivileged process: a server
// keeps its connections below it.
std::size_t RaiseOpenFileLimit();

// Fills bytes from the system's secure random source; false if it failed.
bool SecureRandomBytes(std::span<std::uint8_t> bytes);

}  // namespace torvelkan::net
