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
// code; the WebSocket only to its own origin; no header can be broken; no key
// but the browser's reaches the game, and none stays held once the link is gone.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/message_stream.h"
#include "net/messages.h"
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
  CheckRequest(Request{fields[0], fields[1], fields[2], fields[3], (data[0] & 1) != 0}, served);

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
        link.Receive(std::span(reinterpret_cast<const std::uint8_t*>(input.data() + at), taken),
                     now);
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
