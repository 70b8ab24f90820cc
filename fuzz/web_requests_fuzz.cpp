// Fuzzes what a browser sends that the game's own code reads: a request's
// line and headers (the target with its code, the Host, the Origin) and the
// WebSocket messages of one browser's link.
//
// The input's first byte holds the request's flags (bit 0: it asks for a
// WebSocket; bit 1: the server listens on loopback only); then the method,
// target, Host and Origin, each ended by a newline; then the WebSocket
// messages, each a length byte and that many bytes (a length of 255 lets
// the next byte's worth of 20 ms go by instead). Whatever they hold: only the
// page's files and its WebSocket are served, and only under a code-shaped
// code (at an arena's door, under none); the WebSocket only to its own
// origin; no header can be broken; no key but the browser's reaches the game,
// and none stays held once the link is gone. At an arena's door the same
// messages reach a PeerLink through its pipe: exactly a whole message is
// read as one, anything else breaks the stream, and what goes back leaves
// one message to a WebSocket message.
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/message_pipe.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "net/peer_link.h"
#include "web/browser_link.h"
#include "web/browser_room.h"
#include "web/request_rules.h"

namespace torvelkan::web {
namespace {

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "web requests: %s\n", what);
    std::abort();
  }
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

void CheckRequest(const Request& request, const Served& served) {
  const Judgement judgement = JudgeRequest(request, served);
  if (!judgement.code.empty()) {
    Require(judgement.code.size() <= net::kMaxCodeLength, "a code too long");
    for (const char c : judgement.code) {
      Require(net::IsCodeCharacter(c), "a code character no code has");
    }
    Require(judgement.answer == Answer::kPage || judgement.answer == Answer::kScript ||
                judgement.answer == Answer::kStyle || judgement.answer == Answer::kPlay ||
                judgement.answer == Answer::kAddSlash,
            "a code judged for something not served");
    Require(request.method == "GET", "a code judged for another method");
  } else {
    Require(judgement.answer != Answer::kPage && judgement.answer != Answer::kScript &&
                judgement.answer != Answer::kStyle && judgement.answer != Answer::kPlay,
            "something served without a code");
  }
  if (judgement.answer == Answer::kPlay) {
    Require(request.upgrade, "a WebSocket that was not asked for");
    Require(request.origin.size() == request.host.size() + 7 &&
                SameLetters(request.origin.substr(7), request.host),
            "a WebSocket for another origin");
  }
  const Response response = ResponseFor(judgement);
  Require(response.status >= 200 && response.status < 600, "no status");
  for (const auto& [name, value] : response.headers) {
    for (const char c : name + value) {
      Require(c >= 0x20 && c < 0x7F, "a header that could break the answer");
    }
  }
}

// The same request at an arena's door: no code, the page's three files and
// its WebSocket at the top, the WebSocket only to its own page (by http, or
// https behind a proxy).
void CheckDoorRequest(const Request& request) {
  const Judgement judgement = JudgeDoorRequest(request);
  Require(judgement.code.empty(), "a code at the door");
  const bool served = judgement.answer == Answer::kPage || judgement.answer == Answer::kScript ||
                      judgement.answer == Answer::kStyle || judgement.answer == Answer::kPlay;
  if (served) {
    Require(request.method == "GET", "something served at the door for another method");
    const std::string_view target = request.target;
    Require(target == "/" || target == "/page.js" || target == "/page.css" || target == "/play",
            "something served at the door at another path");
  }
  if (judgement.answer == Answer::kPlay) {
    const std::string_view origin = request.origin;
    const std::size_t scheme = origin.starts_with("https://") ? 8 : 7;
    Require(request.upgrade && origin.size() == request.host.size() + scheme &&
                (origin.starts_with("http://") || origin.starts_with("https://")) &&
                SameLetters(origin.substr(scheme), request.host),
            "a WebSocket at the door for another origin");
  }
}

// One WebSocket message through a pipe to a PeerLink, as at an arena's door.
void CheckPiped(const std::uint8_t* bytes, std::size_t size) {
  auto pipe = std::make_shared<torvelkan::net::MessagePipe>();
  torvelkan::net::PeerLink link(pipe, "127.0.0.1", 1000);
  pipe->Arrive(torvelkan::net::MessagePipe::Bytes(bytes, bytes + size));
  std::array<std::uint8_t, 1> unused{};
  Require(link.Ready() && link.Receive(unused), "a message that arrived was not read");
  const std::size_t length = size >= 2 ? (static_cast<std::size_t>(bytes[0]) << 8) | bytes[1] : 0;
  const bool whole = size >= 3 && length == size - 2 && length <= net::kMaxMessageBytes;
  net::Message message;
  const net::MessageReader::Result result = link.Next(message);
  if (whole) {
    Require(result == net::MessageReader::Result::kMessage && message.type == bytes[2] &&
                message.payload.size() == size - 3,
            "a whole message not read as itself");
    Require(link.Next(message) == net::MessageReader::Result::kNone, "more than one message read");
  } else {
    Require(result == net::MessageReader::Result::kError, "a piece of a message read");
  }
  // What goes back: the message itself, and a heartbeat, one to each.
  if (whole) {
    link.Output().assign(bytes, bytes + size);
    net::AppendHeartbeat(link.Output());
    link.Write(torvelkan::net::LinkSettings{});
    for (int n = 0; n < 2; ++n) {
      const torvelkan::net::MessagePipe::Bytes* next = pipe->NextOutgoing();
      Require(next != nullptr && next->size() == (n == 0 ? size : 3),
              "a message out split wrongly");
      pipe->Sent();
    }
    Require(pipe->NextOutgoing() == nullptr && link.Behind() == 0, "more out than was queued");
  }
}

void CheckOutgoing(BrowserLink& link) {
  for (const std::vector<std::uint8_t>& message : link.TakeOutgoing()) {
    net::MessageReader reader;
    reader.Feed(message);
    net::Message parsed;
    Require(reader.Next(parsed) == net::MessageReader::Result::kMessage && reader.Held() == 0,
            "a message out that is not one whole message");
  }
}

}  // namespace
}  // namespace torvelkan::web

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvelkan::web;
  if (size == 0) {
    return 0;
  }
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (fields.size() < 4 && at <= input.size()) {
    const std::size_t end = std::min(input.find('\n', at), input.size());
    fields.push_back(input.substr(at, end - at));
    at = end + 1;
  }
  fields.resize(4);
  const Served served{41961, (data[0] & 2) != 0};
  const Request request{fields[0], fields[1], fields[2], fields[3], (data[0] & 1) != 0};
  CheckRequest(request, served);
  CheckDoorRequest(request);

  // The rest as one browser's WebSocket messages, on a room whose code a
  // valid greeting may bring.
  BrowserRoom room("k7m2q9xp");
  std::uint32_t now = 1000;
  {
    BrowserLink link(room, "127.0.0.1", LinkTimes{}, now);
    torvelkan::CellGrid grid{};
    while (at < input.size()) {
      const auto length = static_cast<std::uint8_t>(input[at++]);
      if (length == 255) {
        now += at < input.size() ? static_cast<std::uint8_t>(input[at++]) * 20u : 20u;
        link.Check(0, now);
      } else {
        const std::size_t taken = std::min<std::size_t>(length, input.size() - at);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data() + at);
        link.Receive(std::span(bytes, taken), now);
        CheckPiped(bytes, taken);
        at += taken;
        grid[now % grid.size()].Char.UnicodeChar = static_cast<char16_t>(length);
        link.Frame(grid, length, now);
      }
      CheckOutgoing(link);
      Require(room.PlayerHere() == (link.CurrentState() == BrowserLink::State::kPlayer),
              "the player's seat and the link disagree");
      for (const torvelkan::net::KeyEvent& key : room.TakeKeys()) {
        Require(IsBrowserKey(key.code), "a key the browser does not play with");
      }
    }
  }
  // Gone, the link holds nothing down and its seat is free.
  for (const torvelkan::net::KeyEvent& key : room.TakeKeys()) {
    Require(!key.down, "a key held by a link that is gone");
  }
  Require(!room.PlayerHere() && room.Spectators() == 0, "a seat kept by a link that is gone");
  return 0;
}
