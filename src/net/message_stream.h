// Length-prefixed messages on a byte stream, with a hard bound on their size.
//
// Every message is a 16-bit big-endian length and that many bytes, the first of
// which is the message type. The reader keeps at most one message's bytes, so
// whatever a peer sends, what it can make us hold is bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace torvelkan::net {

// The largest message, type byte included: a whole grid in one frame fits.
inline constexpr std::size_t kMaxMessageBytes = 8192;

// Appends the length prefix and the type; the payload follows with Append*.
void BeginMessage(std::uint8_t type, std::vector<std::uint8_t>& out, std::size_t& start);
// Writes the length of the message begun at start; false (and the message
// taken back out) if it grew past the bound.
bool EndMessage(std::vector<std::uint8_t>& out, std::size_t start);

struct Message {
  std::uint8_t type = 0;
  std::span<const std::uint8_t> payload;  // valid until the reader is fed again
};

class MessageReader {
 public:
  enum class Result { kNone, kMessage, kError };

  // Takes bytes as they came off the socket, in any pieces.
  void Feed(std::span<const std::uint8_t> bytes);
  // Takes bytes that must be exactly one whole message, as a transport of
  // whole messages (a WebSocket) carries them; anything else, a piece or
  // more than one, breaks the stream.
  void FeedWhole(std::span<const std::uint8_t> bytes);

  // The next whole message, if any. kError (with the reason) once the stream
  // is broken; it stays broken.
  Result Next(Message& message);

  const std::string& Error() const { return error; }
  // Bytes held that do not yet make a whole message.
  std::size_t Held() const { return buffer.size() - consumed; }

 private:
  std::vector<std::uint8_t> buffer;
  std::size_t consumed = 0;
  std::string error;
};

}  // namespace torvelkan::net
