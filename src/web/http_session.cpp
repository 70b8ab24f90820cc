// One TCP connection of a web server while it speaks HTTP.
#include "web/http_session.h"

#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <chrono>
#include <utility>

namespace torvelkan::web {

namespace {

bool KeepsConnection(Answer answer) {
  return answer == Answer::kPage || answer == Answer::kScript || answer == Answer::kStyle ||
         answer == Answer::kAddSlash || answer == Answer::kNotFound || answer == Answer::kWrongCode;
}

}  // namespace

HttpSession::HttpSession(Tcp::socket socket, std::string peer, ConnectionTally::Ticket counted,
                         const HttpGate& serverGate)
    : stream(std::move(socket)),
      address(std::move(peer)),
      ticket(std::move(counted)),
      gate(serverGate),
      openedAt(serverGate.clock()) {}

void HttpSession::Drop() {
  if (dropped) {
    return;
  }
  dropped = true;
  beast::error_code ignored;
  stream.socket().shutdown(Tcp::socket::shutdown_both, ignored);
  stream.close();
}

net::PollEntry HttpSession::Wait() {
  net::PollEntry entry;
  entry.socket = dropped ? net::kNoSocket : stream.socket().native_handle();
  entry.wantRead = reading;
  entry.wantWrite = writing;
  return entry;
}

void HttpSession::ReadRequest() {
  if (requests == gate.maxRequestsPerConnection) {
    Drop();
    return;
  }
  parser.emplace();
  parser->header_limit(static_cast<std::uint32_t>(gate.maxHeaderBytes));
  parser->body_limit(0);  // only GET is served: no request has a body
  stream.expires_after(std::chrono::milliseconds(gate.requestMs));
  reading = true;
  http::async_read(stream, buffer, *parser,
                   [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
                     self->reading = false;
                     // Closed, too slow, too big or malformed: nothing to answer.
                     if (error) {
                       self->Drop();
                       return;
                     }
                     self->Answer();
                   });
}

void HttpSession::Answer() {
  ++requests;
  const UpgradeRequest& request = parser->get();
  Request facts;
  facts.method = request.method_string();
  facts.target = request.target();
  facts.host = request[http::field::host];
  facts.origin = request[http::field::origin];
  facts.upgrade = beast::websocket::is_upgrade(request);
  const Judgement judgement = gate.judge(facts, address);
  if (judgement.answer == Answer::kPlay) {
    // The connection is the WebSocket's from here on; this session ends.
    stream.expires_never();
    dropped = true;
    gate.upgrade(stream.release_socket(), std::move(address), std::move(ticket), parser->release());
    return;
  }
  Respond(judgement, request.keep_alive() && KeepsConnection(judgement.answer));
}

void HttpSession::Respond(const Judgement& judgement, bool keepAlive) {
  const Response response = ResponseFor(judgement);
  reply = {};
  reply.version(11);
  reply.result(response.status);
  reply.set(http::field::content_type, response.contentType);
  for (const auto& [name, value] : response.headers) {
    reply.set(name, value);
  }
  reply.body() = response.body.empty() ? response.text
                                       : std::string(response.body.begin(), response.body.end());
  reply.keep_alive(keepAlive);
  reply.prepare_payload();
  stream.expires_after(std::chrono::milliseconds(gate.requestMs));
  writing = true;
  http::async_write(stream, reply,
                    [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
                      self->writing = false;
                      if (error || !self->reply.keep_alive()) {
                        self->Drop();
                        return;
                      }
                      self->ReadRequest();
                    });
}

void StartPage(Tcp::socket socket, std::string address, ConnectionTally& tally,
               const HttpGate& gate, std::vector<std::weak_ptr<HttpSession>>& pages) {
  ConnectionTally::Ticket ticket = tally.Count(address);
  auto page =
      std::make_shared<HttpSession>(std::move(socket), std::move(address), std::move(ticket), gate);
  pages.push_back(page);
  page->Start();
}

}  // namespace torvelkan::web
