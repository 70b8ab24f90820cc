// The system's side of the sockets: its headers, and the calls that differ
// between POSIX and Winsock, which socket_posix.cpp and socket_windows.cpp
// define for socket.cpp.
#pragma once

#ifdef _WIN32
#include "common/windows_api.h"
// winsock2.h must follow windows.h's lean set, which leaves the old winsock.h out
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#endif

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "net/socket.h"

namespace torvelkan::net {

// The numeric form of address, IPv4 mapped into IPv6 written as IPv4; "?" when
// the system cannot say. Defined in socket.cpp.
std::string NumericAddress(const sockaddr* address, socklen_t length);

namespace os {

// What a poll is asked and answers for each socket, and the events for data
// to read and room to write.
#ifdef _WIN32
using PollRecord = WSAPOLLFD;
inline constexpr short kPollRead = POLLRDNORM;
inline constexpr short kPollWrite = POLLWRNORM;
// Asked with the rest where the system can tell that the peer closed its
// side; POLLHUP (both sides closed) is told unasked everywhere.
inline constexpr short kPollPeerClosed = 0;
#else
using PollRecord = pollfd;
inline constexpr short kPollRead = POLLIN;
inline constexpr short kPollWrite = POLLOUT;
#ifdef POLLRDHUP
inline constexpr short kPollPeerClosed = POLLRDHUP;
#else
inline constexpr short kPollPeerClosed = 0;
#endif
#endif

// Waits at most timeoutMs for any record's events: how many are ready, 0, or
// below 0 on a failure.
int Poll(std::span<PollRecord> records, int timeoutMs);

// Closes an open socket (CloseSocket leaves the empty handle out).
void Close(SocketHandle socket);

// The code of the last call that failed on this thread, and its text.
int LastError();
std::string ErrorText(int code);
// getaddrinfo's result when it is not 0.
std::string ResolveErrorText(int status);

// The call could not go on without waiting; it may be tried again later.
bool WouldBlock(int code);
// A non-blocking connect was started and goes on in the background.
bool ConnectStarted(int code);

// What every socket of the game gets once open: never blocking (and, where
// the system has them, closed across exec and no SIGPIPE from it).
void SetNonBlocking(SocketHandle socket);
// Before a listener's bind: how its port is held against other programs.
void ClaimPort(SocketHandle listener);
// Waits at most timeoutMs for a started connect to end: 0 once connected,
// otherwise the error code (a timeout's own when the time ran out).
int AwaitConnection(SocketHandle socket, int timeoutMs);

// One send or recv: the system's count of bytes, 0, or below 0 with the
// reason in LastError.
long Send(SocketHandle socket, std::span<const std::uint8_t> bytes);
long Receive(SocketHandle socket, std::span<std::uint8_t> buffer);

// The IPv4 addresses of this machine's interfaces that are up, loopback left out.
std::vector<std::string> InterfaceAddresses();

}  // namespace os
}  // namespace torvelkan::net
