// What a browser may ask of the game's web server, and how each answer goes.
#include "web/request_rules.h"

#include <algorithm>
#include <cctype>

#include "net/messages.h"
#include "web/page_files.h"

namespace torvelkan::web {

namespace {

constexpr std::size_t kLongestHost = 255;

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsLoopbackName(std::string_view name) {
  if (SameLetters(name, "localhost") || name == "[::1]") {
    return true;
  }
  // 127.0.0.0/8, written as four numbers.
  if (!name.starts_with("127.")) {
    return false;
  }
  int parts = 0;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t dot = std::min(name.find('.', start), name.size());
    const std::string_view part = name.substr(start, dot - start);
    if (!IsDigits(part) || part.size() > 3 || std::stoi(std::string(part)) > 255) {
      return false;
    }
    ++parts;
    start = dot + 1;
  }
  return parts == 4;
}

bool IsCode(std::string_view text) {
  return !text.empty() && text.size() <= net::kMaxCodeLength &&
         std::all_of(text.begin(), text.end(), net::IsCodeCharacter);
}

bool IsHexAddressCharacter(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
}

bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-';
}

// A Host header's name ("[IPV6]" with its brackets) and, after a colon, the
// text of its port.
bool SplitHost(std::string_view host, std::string_view& name, std::string_view& portText,
               bool& hasPort) {
  if (host.empty() || host.size() > kLongestHost) {
    return false;
  }
  std::size_t nameEnd = 0;  // just past the name
  if (host.starts_with("[")) {
    const std::size_t close = host.find(']');
    if (close == std::string_view::npos || close == 1 ||
        !std::all_of(host.begin() + 1, host.begin() + static_cast<std::ptrdiff_t>(close),
                     IsHexAddressCharacter)) {
      return false;
    }
    nameEnd = close + 1;
  } else {
    nameEnd = std::min(host.find(':'), host.size());
    if (nameEnd == 0 ||
        !std::all_of(host.begin(), host.begin() + static_cast<std::ptrdiff_t>(nameEnd),
                     IsNameCharacter)) {
      return false;
    }
  }
  name = host.substr(0, nameEnd);
  const std::string_view rest = host.substr(nameEnd);
  hasPort = !rest.empty();
  if (hasPort && rest.front() != ':') {
    return false;
  }
  portText = hasPort ? rest.substr(1) : std::string_view();
  return true;
}

// The page's own origin: the scheme (https too where a proxy in front speaks
// it) and the very host it was fetched from.
bool SameOrigin(std::string_view origin, std::string_view host, bool secureToo) {
  for (const std::string_view scheme :
       {std::string_view("http://"), std::string_view("https://")}) {
    if (origin.starts_with(scheme) && SameLetters(origin.substr(scheme.size()), host)) {
      return true;
    }
    if (!secureToo) {
      break;
    }
  }
  return false;
}

// What the server has at path, below the page's folder: its files and its
// WebSocket, nothing else.
Answer WhatIsAt(std::string_view path, const Request& request, bool secureToo) {
  Answer answer = Answer::kNotFound;
  if (path == "/") {
    answer = Answer::kPage;
  } else if (path == "/page.js") {
    answer = Answer::kScript;
  } else if (path == "/page.css") {
    answer = Answer::kStyle;
  } else if (path == "/play") {
    if (!request.upgrade) {
      return Answer::kNeedsUpgrade;
    }
    return SameOrigin(request.origin, request.host, secureToo) ? Answer::kPlay
                                                               : Answer::kWrongOrigin;
  }
  return request.upgrade ? Answer::kNotFound : answer;
}

void AddCarefulHeaders(Response& response, std::string_view policy) {
  response.headers.emplace_back("Content-Security-Policy", std::string(policy));
  response.headers.emplace_back("X-Content-Type-Options", "nosniff");
  response.headers.emplace_back("Referrer-Policy", "no-referrer");
  response.headers.emplace_back("Cache-Control", "no-store");
  response.headers.emplace_back("X-Frame-Options", "DENY");
  response.headers.emplace_back("Cross-Origin-Opener-Policy", "same-origin");
  response.headers.emplace_back("Cross-Origin-Resource-Policy", "same-origin");
}

void Serve(Response& response, std::span<const unsigned char> file, const char* type) {
  response.status = 200;
  response.contentType = type;
  response.body = file;
}

void Refuse(Response& response, unsigned status, const char* why) {
  response.status = status;
  response.contentType = "text/plain; charset=utf-8";
  response.text = std::string(why) + "\n";
}

}  // namespace

bool ParseHost(std::string_view host, std::string_view& name, std::uint16_t& port) {
  std::string_view portText;
  bool hasPort = false;
  if (!SplitHost(host, name, portText, hasPort)) {
    return false;
  }
  if (!hasPort) {
    port = 80;  // the browser leaves out the scheme's own port
    return true;
  }
  if (!IsDigits(portText) || portText.size() > 5) {
    return false;
  }
  const int value = std::stoi(std::string(portText));
  if (value < 1 || value > 65535) {
    return false;
  }
  port = static_cast<std::uint16_t>(value);
  return true;
}

Judgement JudgeRequest(const Request& request, const Served& served) {
  Judgement judgement;
  if (request.method != "GET") {
    judgement.answer = Answer::kWrongMethod;
    return judgement;
  }
  std::string_view name;
  std::uint16_t port = 0;
  if (!ParseHost(request.host, name, port) || port != served.port ||
      (served.loopbackOnly && !IsLoopbackName(name))) {
    judgement.answer = Answer::kWrongHost;
    return judgement;
  }
  const std::string_view target = request.target;
  if (!target.starts_with("/")) {
    return judgement;  // not found
  }
  const std::size_t slash = target.find('/', 1);
  const std::string_view code =
      target.substr(1, slash == std::string_view::npos ? std::string_view::npos : slash - 1);
  const std::string_view rest = slash == std::string_view::npos ? "" : target.substr(slash);
  if (!IsCode(code)) {
    return judgement;  // no code at all (the browser's icon, say): plainly not found
  }
  if (rest.empty()) {
    judgement.answer = request.upgrade ? Answer::kNotFound : Answer::kAddSlash;
  } else {
    judgement.answer = WhatIsAt(rest, request, false);
  }
  if (judgement.answer == Answer::kNotFound || judgement.answer == Answer::kNeedsUpgrade ||
      judgement.answer == Answer::kWrongOrigin) {
    return judgement;
  }
  judgement.code = std::string(code);
  return judgement;
}

Judgement JudgeDoorRequest(const Request& request) {
  Judgement judgement;
  std::string_view name;
  std::uint16_t port = 0;
  if (request.method != "GET") {
    judgement.answer = Answer::kWrongMethod;
  } else if (!ParseHost(request.host, name, port)) {
    judgement.answer = Answer::kWrongHost;
  } else {
    judgement.answer = WhatIsAt(request.target, request, true);
  }
  return judgement;
}

Response ResponseFor(const Judgement& judgement) {
  Response response;
  // The page alone runs anything: its own script and style sheet, and its
  // WebSocket back to this server. Everything else may do nothing at all.
  AddCarefulHeaders(response, judgement.answer == Answer::kPage
                                  ? "default-src 'none'; script-src 'self'; style-src 'self'; "
                                    "connect-src 'self'; base-uri 'none'; form-action 'none'; "
                                    "frame-ancestors 'none'"
                                  : "default-src 'none'; frame-ancestors 'none'");
  switch (judgement.answer) {
    case Answer::kPage: Serve(response, PageHtml(), "text/html; charset=utf-8"); break;
    case Answer::kScript: Serve(response, PageScript(), "text/javascript; charset=utf-8"); break;
    case Answer::kStyle: Serve(response, PageStyle(), "text/css; charset=utf-8"); break;
    case Answer::kAddSlash:
      Refuse(response, 308, "the game is one folder down");
      // The code is letters and digits only: nothing in it can break the header.
      response.headers.emplace_back("Location", "/" + judgement.code + "/");
      break;
    case Answer::kWrongMethod:
      Refuse(response, 405, "only GET is served here");
      response.headers.emplace_back("Allow", "GET");
      break;
    case Answer::kWrongHost: Refuse(response, 421, "this server is not that host"); break;
    case Answer::kWrongOrigin: Refuse(response, 403, "only the game's own page may play"); break;
    case Answer::kNeedsUpgrade:
      Refuse(response, 426, "this address is the game's WebSocket");
      response.headers.emplace_back("Upgrade", "websocket");
      break;
    case Answer::kTooManyTries:
      Refuse(response, 429, "too many wrong codes from this address: wait a little");
      response.headers.emplace_back("Retry-After", "60");
      break;
    case Answer::kPlay:  // answered by the WebSocket's own handshake
    case Answer::kNotFound:
    case Answer::kWrongCode: Refuse(response, 404, "nothing here"); break;
  }
  return response;
}

}  // namespace torvelkan::web
