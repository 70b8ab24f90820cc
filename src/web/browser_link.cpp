// One browser's side of the game's protocol over its WebSocket.
#include "web/browser_link.h"

#include <utility>

#include "net/grid_diff.h"

namespace torvelkan::web {

BrowserLink::BrowserLink(BrowserRoom& sharedRoom, std::string peer, LinkTimes limits,
                         std::uint32_t now)
    : room(sharedRoom),
      address(std::move(peer)),
      times(limits),
      openedAt(now),
      lastHeard(now),
      lastQueued(now) {}

BrowserLink::~BrowserLink() { Leave(); }

void BrowserLink::Receive(std::span<const std::uint8_t> message, std::uint32_t now) {
  if (state == State::kClosing) {
    return;  // nothing more is listened to
  }
  // Exactly one whole message: the WebSocket already says where it ends.
  reader.FeedWhole(message);
  net::Message parsed;
  if (reader.Next(parsed) != net::MessageReader::Result::kMessage) {
    Close(net::ByeReason::kProtocol, reader.Error());
    return;
  }
  Handle(parsed, now);
}

void BrowserLink::Handle(const net::Message& message, std::uint32_t now) {
  const auto type = static_cast<net::MessageType>(message.type);
  std::string fault;
  if (state == State::kHandshake) {
    if (type != net::MessageType::kHello) {
      Close(net::ByeReason::kProtocol, "no greeting first");
      return;
    }
    net::Hello hello;
    fault = net::ParseHello(message.payload, hello);
    if (fault.empty()) {
      Greet(hello, now);
      return;
    }
  } else if (type == net::MessageType::kHeartbeat) {
    fault = net::ParseEmpty(message.payload);
  } else if (type == net::MessageType::kBye) {
    net::ByeReason reason = net::ByeReason::kLeft;
    fault = net::ParseBye(message.payload, reason);
    if (fault.empty()) {
      room.Note(address + ": " + net::ByeText(reason, false));
      Leave();
      state = State::kClosing;
      return;
    }
  } else if (type == net::MessageType::kKey && state == State::kPlayer) {
    net::KeyEvent key;
    fault = net::ParseKey(message.payload, key, IsBrowserKey);
    if (fault.empty()) {
      room.PlayerKey(key);
    }
  } else {
    fault = "a message out of place";
  }
  if (!fault.empty()) {
    Close(net::ByeReason::kProtocol, fault);
    return;
  }
  lastHeard = now;
}

void BrowserLink::Greet(const net::Hello& hello, std::uint32_t now) {
  if (hello.version != net::kProtocolVersion) {
    Refuse(net::RefuseReason::kVersion, "it speaks protocol version " +
                                            std::to_string(hello.version) + ", this game " +
                                            std::to_string(net::kProtocolVersion));
    return;
  }
  switch (room.JudgeCode(address, hello.code, now)) {
    case net::WrongCodeBackoff::Verdict::kWait:
      Refuse(net::RefuseReason::kTooManyTries, "too many wrong codes");
      return;
    case net::WrongCodeBackoff::Verdict::kWrong:
      Refuse(net::RefuseReason::kWrongCode, "wrong code");
      return;
    case net::WrongCodeBackoff::Verdict::kRight: break;
  }
  if (const auto refused = room.Seat(hello.role); refused.has_value()) {
    Refuse(*refused, hello.role == net::Role::kGuest ? "the player's seat is taken"
                                                     : "no spectator place left");
    return;
  }
  state = hello.role == net::Role::kGuest ? State::kPlayer : State::kSpectator;
  lastHeard = now;
  std::vector<std::uint8_t> welcome;
  net::AppendWelcome(hello.role, welcome);
  Queue(std::move(welcome), now);
  room.Note(address + (state == State::kPlayer ? ": the player joined" : ": watching"));
}

void BrowserLink::Refuse(net::RefuseReason reason, const std::string& why) {
  std::vector<std::uint8_t> refusal;
  net::AppendRefuse(net::Refuse{reason, net::kProtocolVersion}, refusal);
  outgoing.push_back(std::move(refusal));
  room.Note(address + ": refused: " + why);
  state = State::kClosing;
}

void BrowserLink::Close(net::ByeReason reason, const std::string& why) {
  if (state == State::kClosing) {
    return;
  }
  std::vector<std::uint8_t> bye;
  net::AppendBye(reason, bye);
  outgoing.push_back(std::move(bye));
  room.Note(address + ": closed: " + why);
  Leave();
  state = State::kClosing;
}

void BrowserLink::Lost(const std::string& why) {
  if (state != State::kClosing) {
    room.Note(address + ": " + why + (state == State::kPlayer ? " (the player)" : ""));
  }
  Leave();
  state = State::kClosing;
}

void BrowserLink::Leave() {
  if (state == State::kPlayer) {
    room.Unseat(net::Role::kGuest);
  } else if (state == State::kSpectator) {
    room.Unseat(net::Role::kSpectator);
  }
  if (Joined()) {
    state = State::kClosing;
  }
}

void BrowserLink::Frame(const CellGrid& wire, std::size_t unsentBytes, std::uint32_t now) {
  // A browser that is behind skips frames; the next one it gets carries
  // every difference from what it last received.
  if (!Joined() || unsentBytes > times.frameSkipBytes) {
    return;
  }
  std::vector<std::uint8_t> frame;
  net::AppendFrame(shown, wire, frame);
  shown = wire;
  if (!frame.empty()) {
    Queue(std::move(frame), now);
  }
}

void BrowserLink::Check(std::size_t unsentBytes, std::uint32_t now) {
  if (state == State::kHandshake) {
    if (now - openedAt > times.handshakeMs) {
      Close(net::ByeReason::kTimeout, "no greeting in time");
    }
    return;
  }
  if (!Joined()) {
    return;
  }
  if (now - lastHeard > times.silenceMs) {
    Close(net::ByeReason::kTimeout, "silent for too long");
    return;
  }
  if (unsentBytes > times.frameSkipBytes) {
    if (!backedUp) {
      backedUp = true;
      backedUpSince = now;
    } else if (now - backedUpSince > times.stallMs) {
      Close(net::ByeReason::kTooSlow, "not reading");
      return;
    }
  } else {
    backedUp = false;
  }
  if (now - lastQueued >= times.heartbeatMs) {
    std::vector<std::uint8_t> heartbeat;
    net::AppendHeartbeat(heartbeat);
    Queue(std::move(heartbeat), now);
  }
}

std::vector<std::vector<std::uint8_t>> BrowserLink::TakeOutgoing() {
  return std::exchange(outgoing, {});
}

void BrowserLink::Queue(std::vector<std::uint8_t> message, std::uint32_t now) {
  outgoing.push_back(std::move(message));
  lastQueued = now;
}

}  // namespace torvelkan::web
