// The join code: random letters and digits a person can read out and type.
#include "net/join_code.h"

#include <array>
#include <stdexcept>

#include "net/messages.h"
#include "net/socket.h"

namespace torvelkan::net {

namespace {

constexpr std::string_view kAlphabet = "23456789abcdefghjkmnpqrstuvwxyz";
// The largest multiple of the alphabet's size within a byte: bytes from here
// on would make the first characters likelier.
constexpr std::size_t kUnbiasedLimit = 256 - 256 % kAlphabet.size();

}  // namespace

std::string MakeJoinCode(std::span<const std::uint8_t> randomBytes) {
  std::string code;
  for (const std::uint8_t byte : randomBytes) {
    if (code.size() == kJoinCodeLength) {
      break;
    }
    if (byte < kUnbiasedLimit) {
      code.push_back(kAlphabet[byte % kAlphabet.size()]);
    }
  }
  return code.size() == kJoinCodeLength ? code : std::string();
}

std::string NewJoinCode() {
  // 64 bytes run short of 8 usable ones with a chance far below 1 in 10^60.
  std::array<std::uint8_t, 64> bytes{};
  std::string code;
  if (SecureRandomBytes(bytes)) {
    code = MakeJoinCode(bytes);
  }
  if (code.empty()) {
    throw std::runtime_error("the system's secure random source failed");
  }
  return code;
}

bool SameCode(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  unsigned difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    difference |=
        static_cast<unsigned>(static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]));
  }
  return difference == 0;
}

}  // namespace torvelkan::net
