// The fighters' keys, against the keyboard layout written out by hand.
#include <gtest/gtest.h>

#include <cstdint>

#include "common/keys.h"
#include "match/fighter_keys.h"

namespace torvelkan {
namespace {

TEST(FighterKeys, RedOnTheArrowsBlueOnWasdAndNoOtherKey) {
  const struct {
    std::uint16_t code;
    Side side;
    FighterAction action;
  } fighters[] = {
      {37, Side::kRed, FighterAction::kLeft},   {39, Side::kRed, FighterAction::kRight},
      {38, Side::kRed, FighterAction::kJump},   {40, Side::kRed, FighterAction::kAttack},
      {'A', Side::kBlue, FighterAction::kLeft}, {'D', Side::kBlue, FighterAction::kRight},
      {'W', Side::kBlue, FighterAction::kJump}, {'S', Side::kBlue, FighterAction::kAttack},
  };
  for (const auto& expected : fighters) {
    const auto key = FindFighterKey(expected.code);
    ASSERT_TRUE(key.has_value()) << expected.code;
    EXPECT_EQ(key->side, expected.side) << expected.code;
    EXPECT_EQ(key->action, expected.action) << expected.code;
    EXPECT_EQ(KeyFor(expected.side, expected.action), expected.code);
    const Side other = expected.side == Side::kRed ? Side::kBlue : Side::kRed;
    EXPECT_TRUE(IsSideKey(expected.side, expected.code));
    EXPECT_FALSE(IsSideKey(other, expected.code));
  }
  EXPECT_EQ(kFighterKeys.size(), std::size(fighters));
  // Esc, Space and Enter belong to the App and the menu; Q, Z and the
  // numpad's arrows (its digits) steer nobody, nor a code whose low byte is Left's.
  const std::uint16_t others[] = {27, 32, 13, 'Q', 'Z', 100, 102, 104, 98, 0, 0x125};
  for (const std::uint16_t code : others) {
    EXPECT_FALSE(IsFighterKey(code)) << code;
  }
}

}  // namespace
}  // namespace torvelkan
