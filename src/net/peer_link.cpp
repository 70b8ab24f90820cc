// One peer of a server: its messages in, its bytes out, its times.
#include "net/peer_link.h"

#include <utility>

#include "net/grid_diff.h"
#include "net/messages.h"

namespace torvelkan::net {

PeerLink::PeerLink(Socket given, std::string peerAddress, std::uint32_t now)
    : socket(std::move(given)),
      address(std::move(peerAddress)),
      openedAt(now),
      lastHeard(now),
      lastQueued(now) {}

PeerLink::PeerLink(std::shared_ptr<MessagePipe> carrier, std::string peerAddress, std::uint32_t now)
    : pipe(std::move(carrier)),
      address(std::move(peerAddress)),
      openedAt(now),
      lastHeard(now),
      lastQueued(now) {}

bool PeerLink::Ready() const {
  const MessagePipe* piped = pipe.Get();
  return piped != nullptr && stage != Stage::kGone && (piped->HasArrived() || piped->PeerGone());
}

std::size_t PeerLink::Behind() const {
  return Pending() + (pipe.Get() != nullptr ? pipe.Get()->Unsent() : 0);
}

bool PeerLink::Receive(std::span<std::uint8_t> buffer) {
  if (MessagePipe* piped = pipe.Get(); piped != nullptr) {
    std::vector<MessagePipe::Bytes> arrived = piped->TakeArrived();
    if (arrived.empty() && piped->PeerGone()) {
      stage = Stage::kGone;
      return false;
    }
    for (const MessagePipe::Bytes& message : arrived) {
      if (stage != Stage::kClosing) {
        reader.FeedWhole(message);
      }
    }
    return true;
  }
  const long received = ReceiveSome(socket.Get(), buffer);
  if (received == kWouldBlock) {
    return true;
  }
  if (received == kClosed) {
    stage = Stage::kGone;
    return false;
  }
  if (stage != Stage::kClosing) {  // nothing more is listened to
    reader.Feed(buffer.first(static_cast<std::size_t>(received)));
  }
  return true;
}

std::size_t PeerLink::Write(const LinkSettings& settings) {
  if (MessagePipe* piped = pipe.Get(); piped != nullptr) {
    if (piped->PeerGone()) {
      stage = Stage::kGone;
    }
    const std::size_t handed = stage == Stage::kGone ? 0 : piped->Send(output);
    output.clear();
    outputSent = 0;
    return handed;
  }
  std::size_t total = 0;
  while (Pending() > 0 && stage != Stage::kGone) {
    const long sent =
        SendSome(socket.Get(), std::span<const std::uint8_t>(output).subspan(outputSent));
    if (sent == kWouldBlock) {
      break;
    }
    if (sent == kClosed) {
      stage = Stage::kGone;
      break;
    }
    outputSent += static_cast<std::size_t>(sent);
    total += static_cast<std::size_t>(sent);
  }
  if (outputSent == output.size()) {
    output.clear();
    outputSent = 0;
  } else if (outputSent > settings.frameSkipBytes) {
    output.erase(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(outputSent));
    outputSent = 0;
  }
  return total;
}

void PeerLink::Join(std::uint32_t now, const LinkSettings& settings) {
  stage = Stage::kJoined;
  lastHeard = now;
  lastQueued = now;
  lastFrame = now - settings.framePeriodMs;  // the first frame goes at once
}

void PeerLink::Close(std::uint32_t now, const LinkSettings& settings) {
  if (stage == Stage::kGone) {
    return;
  }
  stage = Stage::kClosing;
  closingSince = now;
  Write(settings);
}

void PeerLink::QueueFrame(const CellGrid& wire, std::uint32_t now, const LinkSettings& settings,
                          int textFrom) {
  if (stage != Stage::kJoined || now - lastFrame < settings.framePeriodMs ||
      Behind() > settings.frameSkipBytes) {
    return;
  }
  const std::size_t before = output.size();
  if (textFrom != textShown) {
    AppendTextRows(textFrom, output);
    textShown = textFrom;
  }
  AppendFrame(shown, wire, output);
  if (output.size() != before) {
    lastQueued = now;
  }
  shown = wire;
  lastFrame = now;
}

PeerLink::Lapse PeerLink::CheckTimes(std::uint32_t now, const LinkSettings& settings) {
  switch (stage) {
    case Stage::kGone: return Lapse::kNone;
    case Stage::kHandshake:
      if (now - openedAt > settings.handshakeMs) {
        stage = Stage::kGone;
        return Lapse::kNoGreeting;
      }
      return Lapse::kNone;
    case Stage::kClosing:
      if (Behind() == 0 || now - closingSince > kClosingMs) {
        stage = Stage::kGone;
      }
      return Lapse::kNone;
    case Stage::kJoined: break;
  }
  if (now - lastHeard > settings.silenceMs) {
    return Lapse::kSilent;
  }
  if (Behind() > settings.maxUnsentBytes) {
    return Lapse::kTooMuchUnsent;
  }
  if (Behind() > settings.frameSkipBytes) {
    if (!backedUp) {
      backedUp = true;
      backedUpSince = now;
    } else if (now - backedUpSince > settings.stallMs) {
      return Lapse::kNotReading;
    }
  } else {
    backedUp = false;
  }
  if (now - lastQueued >= settings.heartbeatMs) {
    AppendHeartbeat(output);
    lastQueued = now;
    Write(settings);
  }
  return Lapse::kNone;
}

}  // namespace torvelkan::net
