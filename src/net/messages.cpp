// The messages of the game's network protocol and their validated parsing.
#include "net/messages.h"

#include <algorithm>

#include "console/console_types.h"
#include "match/fighter_keys.h"
#include "net/message_stream.h"

namespace torvelkan::net {

namespace {

void Append16(std::uint16_t value, std::vector<std::uint8_t>& out) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
}

std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void AppendSmall(MessageType type, std::span<const std::uint8_t> payload,
                 std::vector<std::uint8_t>& out) {
  std::size_t start = 0;
  BeginMessage(static_cast<std::uint8_t>(type), out, start);
  out.insert(out.end(), payload.begin(), payload.end());
  EndMessage(out, start);  // small messages always fit
}

std::string WrongLength(const char* what) {
  return std::string("a ") + what + " of the wrong length";
}

}  // namespace

bool Welcomed(std::uint16_t version) {
  return version == kProtocolVersion || version == kTextRowsVersion;
}

bool IsGuestKey(std::uint16_t code) { return IsFighterKey(code); }

bool IsCodeCharacter(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }

void AppendHello(const Hello& hello, std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> payload(kMagic.begin(), kMagic.end());
  Append16(hello.version, payload);
  payload.push_back(static_cast<std::uint8_t>(hello.role));
  const std::size_t length = std::min(hello.code.size(), kMaxCodeLength);
  payload.push_back(static_cast<std::uint8_t>(length));
  payload.insert(payload.end(), hello.code.begin(),
                 hello.code.begin() + static_cast<std::ptrdiff_t>(length));
  AppendSmall(MessageType::kHello, payload, out);
}

void AppendWelcome(Role role, std::vector<std::uint8_t>& out, std::uint16_t version) {
  std::vector<std::uint8_t> payload;
  Append16(version, payload);
  payload.push_back(static_cast<std::uint8_t>(role));
  AppendSmall(MessageType::kWelcome, payload, out);
}

void AppendRefuse(const Refuse& refuse, std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(refuse.reason)};
  Append16(refuse.hostVersion, payload);
  AppendSmall(MessageType::kRefuse, payload, out);
}

void AppendKey(const KeyEvent& key, std::vector<std::uint8_t>& out) {
  const std::array<std::uint8_t, 2> payload{static_cast<std::uint8_t>(key.code & 0xFFu),
                                            static_cast<std::uint8_t>(key.down ? 1 : 0)};
  AppendSmall(MessageType::kKey, payload, out);
}

void AppendHeartbeat(std::vector<std::uint8_t>& out) {
  AppendSmall(MessageType::kHeartbeat, {}, out);
}

void AppendBye(ByeReason reason, std::vector<std::uint8_t>& out) {
  const std::array<std::uint8_t, 1> payload{static_cast<std::uint8_t>(reason)};
  AppendSmall(MessageType::kBye, payload, out);
}

void AppendTextRows(int firstRow, std::vector<std::uint8_t>& out) {
  const std::array<std::uint8_t, 1> payload{
      static_cast<std::uint8_t>(std::clamp(firstRow, 0, kRows))};
  AppendSmall(MessageType::kTextRows, payload, out);
}

std::string ParseHello(std::span<const std::uint8_t> payload, Hello& hello) {
  if (payload.size() < kMagic.size() + 2 ||
      !std::equal(kMagic.begin(), kMagic.end(), payload.begin())) {
    return "not a Torvelkan greeting";
  }
  hello.version = Read16(payload, kMagic.size());
  if (!Welcomed(hello.version)) {
    return {};  // the rest is another version's business
  }
  const std::size_t at = kMagic.size() + 2;
  if (payload.size() < at + 2) {
    return WrongLength("greeting");
  }
  const std::uint8_t role = payload[at];
  if (role != static_cast<std::uint8_t>(Role::kGuest) &&
      role != static_cast<std::uint8_t>(Role::kSpectator)) {
    return "a greeting with an unknown role";
  }
  const std::size_t length = payload[at + 1];
  if (length == 0 || length > kMaxCodeLength || payload.size() != at + 2 + length) {
    return WrongLength("join code");
  }
  hello.role = static_cast<Role>(role);
  hello.code.clear();
  for (std::size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(payload[at + 2 + i]);
    if (!IsCodeCharacter(c)) {
      return "a join code with a character no code has";
    }
    hello.code.push_back(c);
  }
  return {};
}

std::string ParseWelcome(std::span<const std::uint8_t> payload, Role& role) {
  std::uint16_t version = 0;
  Role welcomed{};
  std::string fault = ParseWelcome(payload, welcomed, version);
  if (fault.empty() && version != kProtocolVersion) {
    fault = "a welcome of another protocol version";
  }
  if (fault.empty()) {
    role = welcomed;
  }
  return fault;
}

std::string ParseWelcome(std::span<const std::uint8_t> payload, Role& role,
                         std::uint16_t& version) {
  if (payload.size() != 3) {
    return WrongLength("welcome");
  }
  if (!Welcomed(Read16(payload, 0))) {
    return "a welcome of another protocol version";
  }
  if (payload[2] != static_cast<std::uint8_t>(Role::kGuest) &&
      payload[2] != static_cast<std::uint8_t>(Role::kSpectator)) {
    return "a welcome with an unknown role";
  }
  version = Read16(payload, 0);
  role = static_cast<Role>(payload[2]);
  return {};
}

std::string ParseRefuse(std::span<const std::uint8_t> payload, Refuse& refuse) {
  if (payload.size() != 3) {
    return WrongLength("refusal");
  }
  if (payload[0] < static_cast<std::uint8_t>(RefuseReason::kVersion) ||
      payload[0] > static_cast<std::uint8_t>(RefuseReason::kFull)) {
    return "a refusal with an unknown reason";
  }
  refuse.reason = static_cast<RefuseReason>(payload[0]);
  refuse.hostVersion = Read16(payload, 1);
  return {};
}

std::string ParseKey(std::span<const std::uint8_t> payload, KeyEvent& key) {
  return ParseKey(payload, key, IsGuestKey);
}

std::string ParseKey(std::span<const std::uint8_t> payload, KeyEvent& key,
                     bool (*allowed)(std::uint16_t)) {
  if (payload.size() != 2) {
    return WrongLength("key event");
  }
  if (!allowed(payload[0])) {
    return "a key the guest does not play with";
  }
  if (payload[1] > 1) {
    return "a key event neither down nor up";
  }
  key.code = payload[0];
  key.down = payload[1] == 1;
  return {};
}

std::string ParseBye(std::span<const std::uint8_t> payload, ByeReason& reason) {
  if (payload.size() != 1) {
    return WrongLength("farewell");
  }
  if (payload[0] < static_cast<std::uint8_t>(ByeReason::kLeft) ||
      payload[0] > static_cast<std::uint8_t>(ByeReason::kTooSlow)) {
    return "a farewell with an unknown reason";
  }
  reason = static_cast<ByeReason>(payload[0]);
  return {};
}

std::string ParseEmpty(std::span<const std::uint8_t> payload) {
  return payload.empty() ? std::string() : WrongLength("heartbeat");
}

std::string ParseTextRows(std::span<const std::uint8_t> payload, int& firstRow) {
  if (payload.size() != 1) {
    return WrongLength("mark of text rows");
  }
  if (payload[0] > kRows) {
    return "a mark of text rows below the grid";
  }
  firstRow = payload[0];
  return {};
}

std::string RefuseText(const Refuse& refuse) {
  switch (refuse.reason) {
    case RefuseReason::kVersion:
      return "the host speaks protocol version " + std::to_string(refuse.hostVersion) +
             " and this game version " + std::to_string(kProtocolVersion) + " or " +
             std::to_string(kTextRowsVersion) + ": use the same Torvelkan release on both sides";
    case RefuseReason::kWrongCode: return "the host refused the join code";
    case RefuseReason::kTooManyTries:
      return "too many wrong codes: wait a little before trying again";
    case RefuseReason::kGuestTaken:
      return "another guest is already playing (--watch can still look on)";
    case RefuseReason::kFull: return "every spectator place is taken";
  }
  return "the host refused";
}

std::string ByeText(ByeReason reason, bool fromHost) {
  switch (reason) {
    case ByeReason::kLeft: return fromHost ? "the host left" : "the guest left";
    case ByeReason::kGameOver: return "the host's game has ended";
    case ByeReason::kTimeout:
      return fromHost ? "the host heard nothing from us for too long" : "the guest fell silent";
    case ByeReason::kProtocol:
      return fromHost ? "the host did not understand us" : "the guest sent something malformed";
    case ByeReason::kTooSlow: return "the connection could not keep up";
  }
  return "the connection ended";
}

}  // namespace torvelkan::net
