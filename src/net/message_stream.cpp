// Length-prefixed messages on a byte stream, with a hard bound on their size.
#include "net/message_stream.h"

namespace torvelkan::net {

void BeginMessage(std::uint8_t type, std::vector<std::uint8_t>& out, std::size_t& start) {
  start = out.size();
  out.push_back(0);
  out.push_back(0);
  out.push_back(type);
}

bool EndMessage(std::vector<std::uint8_t>& out, std::size_t start) {
  const std::size_t length = out.size() - start - 2;
  if (length > kMaxMessageBytes) {
    out.resize(start);
    return false;
  }
  out[start] = static_cast<std::uint8_t>(length >> 8);
  out[start + 1] = static_cast<std::uint8_t>(length & 0xFFu);
  return true;
}

void MessageReader::Feed(std::span<const std::uint8_t> bytes) {
  if (!error.empty()) {
    return;
  }
  // What was handed out last time is no longer needed.
  if (consumed > 0) {
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(consumed));
    consumed = 0;
  }
  buffer.insert(buffer.end(), bytes.begin(), bytes.end());
}

void MessageReader::FeedWhole(std::span<const std::uint8_t> bytes) {
  if (!error.empty()) {
    return;
  }
  const bool whole = Held() == 0 && bytes.size() >= 2 &&
                     ((static_cast<std::size_t>(bytes[0]) << 8) | bytes[1]) == bytes.size() - 2;
  if (!whole) {
    error = "a WebSocket message that is not one whole message";
    return;
  }
  Feed(bytes);
}

MessageReader::Result MessageReader::Next(Message& message) {
  if (!error.empty()) {
    return Result::kError;
  }
  const std::size_t available = buffer.size() - consumed;
  if (available < 2) {
    return Result::kNone;
  }
  const std::size_t length =
      (static_cast<std::size_t>(buffer[consumed]) << 8) | buffer[consumed + 1];
  if (length == 0) {
    error = "an empty message";
    return Result::kError;
  }
  if (length > kMaxMessageBytes) {
    error = "a message longer than " + std::to_string(kMaxMessageBytes) + " bytes";
    return Result::kError;
  }
  if (available < 2 + length) {
    return Result::kNone;
  }
  const std::uint8_t* start = buffer.data() + consumed + 2;
  message.type = start[0];
  message.payload = std::span<const std::uint8_t>(start + 1, length - 1);
  consumed += 2 + length;
  return Result::kMessage;
}

}  // namespace torvelkan::net
