// A client's bytes queued for its server, sent without waiting.
#include "net/queued_output.h"

#include <span>

namespace torvelkan::net {

Flushed SendQueued(SocketHandle socket, std::vector<std::uint8_t>& output, std::size_t& outputSent,
                   std::size_t maxUnsentBytes) {
  while (outputSent < output.size()) {
    const long sent = SendSome(socket, std::span<const std::uint8_t>(output).subspan(outputSent));
    if (sent == kClosed) {
      return Flushed::kClosed;
    }
    if (sent <= 0) {
      break;
    }
    outputSent += static_cast<std::size_t>(sent);
  }
  if (outputSent == output.size()) {
    output.clear();
    outputSent = 0;
  } else if (output.size() - outputSent > maxUnsentBytes) {
    return Flushed::kBacklogged;
  }
  return Flushed::kAsFarAsTaken;
}

}  // namespace torvelkan::net
