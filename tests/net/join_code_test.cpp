// The join code: eight characters a person can read out and type, drawn
// without bias from the system's secure source.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/join_code.h"
#include "net/messages.h"

namespace torvelkan::net {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(JoinCode, EightUnmistakableCharactersWithoutBias) {
  Bytes bytes(64);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
  }
  const std::string code = MakeJoinCode(bytes);
  ASSERT_EQ(code.size(), kJoinCodeLength);
  for (const char c : code) {
    EXPECT_TRUE(IsCodeCharacter(c));
    EXPECT_EQ(std::string("01ilo").find(c), std::string::npos) << c;
  }
  // Bytes past the last whole multiple of the alphabet are passed over.
  EXPECT_EQ(MakeJoinCode(Bytes(64, 250)), "");
  EXPECT_EQ(MakeJoinCode(Bytes{0, 1, 2, 3, 4, 5, 6, 7}), "23456789");
  EXPECT_EQ(MakeJoinCode(Bytes{248, 30, 0, 1, 2, 3, 4, 5, 6}), "z2345678");
  // Two fresh codes from the system differ.
  EXPECT_NE(NewJoinCode(), NewJoinCode());
  EXPECT_TRUE(SameCode("abc", "abc"));
  EXPECT_FALSE(SameCode("abc", "abd"));
  EXPECT_FALSE(SameCode("abc", "abcd"));
}

}  // namespace
}  // namespace torvelkan::net
