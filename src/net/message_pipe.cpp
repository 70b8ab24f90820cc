// A peer's connection over a transport of whole messages.
#include "net/message_pipe.h"

#include <algorithm>
#include <utility>

namespace torvelkan::net {

void MessagePipe::Arrive(Bytes message) {
  if (peerGone || linkGone) {
    return;
  }
  arrivedBytes += message.size();
  arrived.push_back(std::move(message));
}

std::vector<MessagePipe::Bytes> MessagePipe::TakeArrived() {
  arrivedBytes = 0;
  return std::exchange(arrived, {});
}

void MessagePipe::Sent() {
  if (!outgoing.empty()) {
    unsentBytes -= outgoing.front().size();
    outgoing.pop_front();
  }
}

std::size_t MessagePipe::Send(std::span<const std::uint8_t> messages) {
  if (peerGone) {
    return 0;
  }
  std::size_t at = 0;
  while (messages.size() - at >= 2) {
    const std::size_t length = (static_cast<std::size_t>(messages[at]) << 8) | messages[at + 1];
    // Our own messages are whole; were one not, the rest goes as one piece
    // and the peer's reader refuses it, rather than anything being lost.
    const std::size_t size = std::min(2 + length, messages.size() - at);
    const auto begin = messages.begin() + static_cast<std::ptrdiff_t>(at);
    outgoing.emplace_back(begin, begin + static_cast<std::ptrdiff_t>(size));
    at += size;
  }
  if (at < messages.size()) {
    outgoing.emplace_back(messages.begin() + static_cast<std::ptrdiff_t>(at), messages.end());
  }
  unsentBytes += messages.size();
  return messages.size();
}

PipeHold& PipeHold::operator=(PipeHold&& other) noexcept {
  if (this != &other) {
    if (pipe) {
      pipe->EndLink();
    }
    pipe = std::move(other.pipe);
  }
  return *this;
}

PipeHold::~PipeHold() {
  if (pipe) {
    pipe->EndLink();
  }
}

}  // namespace torvelkan::net
