// The fighters' keys: which key steers which fighter, and what it makes it do.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "common/keys.h"

namespace torvelkan {

enum class Side : std::uint8_t { kBlue, kRed };

// Left, right and jump hold a flag while the key is down; attack bites or
// shoots on the press, and its release lets the next attack come.
enum class FighterAction : std::uint8_t { kLeft, kRight, kJump, kAttack };

struct FighterKey {
  std::uint16_t code;
  Side side;
  FighterAction action;
};

// Red plays on the arrows, blue on W, A, S and D, each set laid out the same
// way: sideways to walk, up to jump, down to attack.
inline constexpr std::array<FighterKey, 8> kFighterKeys{{
    {vk::kLeft, Side::kRed, FighterAction::kLeft},
    {vk::kUp, Side::kRed, FighterAction::kJump},
    {vk::kRight, Side::kRed, FighterAction::kRight},
    {vk::kDown, Side::kRed, FighterAction::kAttack},
    {vk::kA, Side::kBlue, FighterAction::kLeft},
    {vk::kD, Side::kBlue, FighterAction::kRight},
    {vk::kS, Side::kBlue, FighterAction::kAttack},
    {vk::kW, Side::kBlue, FighterAction::kJump},
}};

// The entry of a fighter's key; none for any other key.
constexpr std::optional<FighterKey> FindFighterKey(std::uint16_t code) {
  for (const FighterKey& key : kFighterKeys) {
    if (key.code == code) {
      return key;
    }
  }
  return std::nullopt;
}

constexpr bool IsFighterKey(std::uint16_t code) { return FindFighterKey(code).has_value(); }

constexpr bool IsSideKey(Side side, std::uint16_t code) {
  const std::optional<FighterKey> key = FindFighterKey(code);
  return key.has_value() && key->side == side;
}

// The key that makes side's fighter do action.
constexpr std::uint16_t KeyFor(Side side, FighterAction action) {
  for (const FighterKey& key : kFighterKeys) {
    if (key.side == side && key.action == action) {
      return key.code;
    }
  }
  return 0;
}

}  // namespace torvelkan
