// A peer's connection over a transport that carries whole messages (a
// browser's WebSocket) instead of a byte stream: what has come in, what waits
// to go out, and whether either end has let go.
//
// The transport (the web server's session) and the PeerLink that stands for
// the peer each hold it; neither waits for the other. Pure: no socket, no
// clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

namespace torvelkan::net {

class MessagePipe {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // ---- The transport's end

  // One transport message from the peer, which should hold one protocol
  // message (the link's reader judges).
  void Arrive(Bytes message);
  // Bytes come and not yet taken: the transport reads no more past a bound.
  std::size_t ArrivedBytes() const { return arrivedBytes; }
  // Messages come and not yet taken (an empty one among them).
  bool HasArrived() const { return !arrived.empty(); }
  // The transport has ended: nothing more comes in or goes out.
  void EndPeer() { peerGone = true; }

  // The oldest message to send, valid until Sent; none when nothing waits.
  const Bytes* NextOutgoing() const { return outgoing.empty() ? nullptr : &outgoing.front(); }
  // The oldest message has left.
  void Sent();
  // The link has let go: what waits is its last word.
  bool LinkGone() const { return linkGone; }

  // ---- The link's end

  std::vector<Bytes> TakeArrived();
  bool PeerGone() const { return peerGone; }
  // Whole protocol messages, one after another; each goes as a transport
  // message of its own. Returns the bytes taken.
  std::size_t Send(std::span<const std::uint8_t> messages);
  // Bytes handed to the transport that have not left yet.
  std::size_t Unsent() const { return unsentBytes; }
  void EndLink() { linkGone = true; }

 private:
  std::vector<Bytes> arrived;
  std::size_t arrivedBytes = 0;
  std::deque<Bytes> outgoing;  // a deque: the front stays put while more come
  std::size_t unsentBytes = 0;
  bool peerGone = false;
  bool linkGone = false;
};

// A link's hold on its pipe: letting go (destroyed, or given another) tells
// the transport's end, which then sends what is left and closes.
class PipeHold {
 public:
  PipeHold() = default;
  explicit PipeHold(std::shared_ptr<MessagePipe> held) : pipe(std::move(held)) {}
  PipeHold(PipeHold&& other) noexcept = default;
  PipeHold& operator=(PipeHold&& other) noexcept;
  PipeHold(const PipeHold&) = delete;
  PipeHold& operator=(const PipeHold&) = delete;
  ~PipeHold();

  MessagePipe* Get() const { return pipe.get(); }

 private:
  std::shared_ptr<MessagePipe> pipe;
};

}  // namespace torvelkan::net
