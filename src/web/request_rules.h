// What a browser may ask of the game's web servers, and how each answer goes:
// the page's three files and its WebSocket (under the join code for a game
// played here), nothing else.
//
// Pure: the server hands over the request's line and the few headers that
// matter, already bounded in size by the HTTP parser, and sends what comes back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace torvelkan::web {

struct Request {
  std::string_view method;
  std::string_view target;
  std::string_view host;    // the Host header
  std::string_view origin;  // the Origin header; empty when there is none
  bool upgrade = false;     // asks for a WebSocket
};

// The server as the browser must have reached it.
struct Served {
  std::uint16_t port = 0;
  // Listening on a loopback address only: then the Host must name loopback
  // too, so that a page of another site whose name was made to point here
  // (DNS rebinding) is refused whatever it guesses.
  bool loopbackOnly = true;
};

enum class Answer : std::uint8_t {
  kPage,          // /CODE/
  kScript,        // /CODE/page.js
  kStyle,         // /CODE/page.css
  kPlay,          // /CODE/play, the WebSocket
  kAddSlash,      // /CODE: the page is /CODE/
  kNotFound,      // any other target
  kWrongCode,     // a code that is not the game's: answered as not found
  kTooManyTries,  // wrong codes from this address: it has to wait
  kWrongMethod,   // anything but GET
  kWrongHost,     // a Host that is not this server
  kWrongOrigin,   // a WebSocket asked for by a page that is not ours
  kNeedsUpgrade,  // the WebSocket's address fetched as a page
};

struct Judgement {
  Answer answer = Answer::kNotFound;
  // The code the target carries, whenever it asks for something served: the
  // caller checks it (and counts wrong ones) before serving.
  std::string code;
};

Judgement JudgeRequest(const Request& request, const Served& served);

// The same for an arena's door, whose page is everyone's: the page's files
// at /, /page.js and /page.css, its WebSocket at /play, and no code. Any
// well-formed Host will do (a proxy in front may serve it under another name
// or port: nothing behind the door is private to a name); the WebSocket's
// Origin must still be the page's own, by http or https.
Judgement JudgeDoorRequest(const Request& request);

// The Host header's name and port; false when it is not one.
bool ParseHost(std::string_view host, std::string_view& name, std::uint16_t& port);

struct Response {
  unsigned status = 404;
  std::string contentType;
  std::span<const unsigned char> body;  // one of the page's files, or text below
  std::string text;                     // a one-line reason for the others
  std::vector<std::pair<std::string, std::string>> headers;
};

// The whole answer to a request that is not a WebSocket. Every one carries
// the careful headers: nothing is cached, sniffed, framed or referred, and
// the page may run only its own script and style and talk only to its own
// server.
Response ResponseFor(const Judgement& judgement);

}  // namespace torvelkan::web
