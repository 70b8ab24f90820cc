// One peer of a server (the host's, or the arena's): the messages it sends,
// the bytes queued for it, its times and the grid it holds.
//
// Only Receive and Write touch the transport; the rest deals in whole
// protocol messages in and bytes out. The transport is a socket, or a pipe of
// whole messages (a browser's WebSocket, which the web server carries): then
// Receive feeds the reader the messages that came, one whole message each,
// and Write hands the messages queued here to the pipe, each to go alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "console/console_types.h"
#include "net/message_pipe.h"
#include "net/message_stream.h"
#include "net/socket.h"

namespace torvelkan::net {

// How long a peer may take and how far behind it may fall.
struct LinkSettings {
  std::uint32_t handshakeMs = 5000;
  std::uint32_t silenceMs = 3000;
  std::uint32_t heartbeatMs = 500;
  std::uint32_t framePeriodMs = 10;    // at most 100 frames a second, as the terminal gets
  std::size_t frameSkipBytes = 4096;   // unsent bytes past which frames are skipped
  std::uint32_t stallMs = 3000;        // how long a peer may stay past it
  std::size_t maxUnsentBytes = 65536;  // never held for one peer
};

class PeerLink {
 public:
  enum class Stage {
    kHandshake,  // connected, not yet greeted
    kJoined,     // greeted and answered: heartbeats and frames flow
    kClosing,    // its last message (a refusal or farewell) is leaving
    kGone,       // to be removed; nothing more is read or sent
  };
  // Why a joined peer has to go, as CheckTimes finds it.
  enum class Lapse { kNone, kNoGreeting, kSilent, kTooMuchUnsent, kNotReading };

  // A closing peer's last message gets this long to leave.
  static constexpr std::uint32_t kClosingMs = 1000;

  PeerLink(Socket given, std::string peerAddress, std::uint32_t now);
  // A peer whose transport carries whole messages; its end of the pipe is
  // let go with the link.
  PeerLink(std::shared_ptr<MessagePipe> carrier, std::string peerAddress, std::uint32_t now);

  // The socket to wait on; none for a pipe, whose transport is waited on by
  // its own server (see Ready).
  SocketHandle Handle() const { return socket.Get(); }
  // A pipe holds something for Receive (messages, or the peer's end): read
  // it without waiting. A socket says so by polling.
  bool Ready() const;
  const std::string& Address() const { return address; }
  Stage GetStage() const { return stage; }
  bool Gone() const { return stage == Stage::kGone; }
  // A handshake or a goodbye: what a crowd of idle connections holds.
  bool Unfinished() const { return stage == Stage::kHandshake || stage == Stage::kClosing; }
  // How long it has been unfinished: a handshake from its connection, a
  // goodbye from its start.
  std::uint32_t UnfinishedFor(std::uint32_t now) const {
    return now - (stage == Stage::kClosing ? closingSince : openedAt);
  }

  // One read of what the socket holds into the message reader; false (and
  // the link gone) once the peer has closed. A closing link reads and drops.
  bool Receive(std::span<std::uint8_t> buffer);
  // The next whole message; kError (see ReaderError) once the stream broke.
  MessageReader::Result Next(Message& message) { return reader.Next(message); }
  const std::string& ReaderError() const { return reader.Error(); }

  // Whole messages are appended here, then written.
  std::vector<std::uint8_t>& Output() { return output; }
  // Bytes queued here and not yet handed to the transport (a pipe takes all
  // at each Write).
  std::size_t Pending() const { return output.size() - outputSent; }
  // Bytes not yet sent: Pending, and what a pipe's transport still holds.
  // Frames are skipped, and a peer dropped, by this.
  std::size_t Behind() const;
  // Sends what the socket takes now and returns how many bytes that was; the
  // link is gone if the peer has closed.
  std::size_t Write(const LinkSettings& settings);

  // Greeted and answered: heard and queued now, the first frame at once.
  void Join(std::uint32_t now, const LinkSettings& settings);
  void Heard(std::uint32_t now) { lastHeard = now; }
  // Its last message is queued: it leaves with it.
  void Close(std::uint32_t now, const LinkSettings& settings);
  void Drop() { stage = Stage::kGone; }

  // Queues a frame from the grid the peer holds to wire when one is due for
  // it and it is not behind; a peer that is behind skips frames, and the
  // next one it gets carries every difference. Where the first row of text
  // (kRows: none) is not the one the peer was last told, TextRows goes just
  // before that frame: only to a peer welcomed with version 2.
  void QueueFrame(const CellGrid& wire, std::uint32_t now, const LinkSettings& settings,
                  int textFrom = kRows);

  // The handshake's time, heartbeats and a joined peer's silence and
  // stalls. A closing link is gone once its bytes have left or its time is
  // up; a handshake that ran out of time is gone (kNoGreeting); a joined
  // peer that has to go is left to the caller, which says why or drops it.
  Lapse CheckTimes(std::uint32_t now, const LinkSettings& settings);

 private:
  Socket socket;
  PipeHold pipe;
  std::string address;
  Stage stage = Stage::kHandshake;
  std::uint32_t openedAt;
  std::uint32_t closingSince = 0;
  std::uint32_t lastHeard;
  std::uint32_t lastQueued;
  std::uint32_t lastFrame = 0;
  std::uint32_t backedUpSince = 0;
  bool backedUp = false;
  MessageReader reader;
  std::vector<std::uint8_t> output;
  std::size_t outputSent = 0;
  CellGrid shown{};       // what the peer's grid holds
  int textShown = kRows;  // and where its text begins
};

}  // namespace torvelkan::net
