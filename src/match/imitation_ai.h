// The AI that plays blue by imitating what the red player did in the most
// similar situation, seen from the other side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace torvelkan {

class Fighter;
class Match;

// Both fighters' places and red's keys at one of red's key events.
struct Situation {
  float blueX = 0.0f;
  float blueY = 0.0f;
  float redX = 0.0f;
  float redY = 0.0f;
  bool jump = false;
  bool attackHeld = false;
  bool left = false;
  bool right = false;
};

// x reflected about 150, not about the arena's middle.
float MirrorX(float x, bool mirrored);

// How far the present places are from a stored situation with the parts
// swapped: red now against blue then, blue now against red then.
float SituationDistance(const Situation& situation, bool mirrored, const Fighter& blue,
                        const Fighter& red);

class ImitationAi {
 public:
  static constexpr std::size_t kCapacity = 1000;
  static constexpr std::uint32_t kThinkSpacingMs = 200;
  static constexpr float kFarAway = 1000000.0f;
  static constexpr int kRandomOneIn = 16;

  // Stores the places and red's four key flags as they stand now.
  void RecordSituation(const Fighter& blue, const Fighter& red);

  // Appends, dropping the oldest beyond the capacity.
  void Remember(const Situation& situation);

  // At most one decision per 200 ms: blue's key flags copied from the nearest
  // stored situation, or at random while nothing is known and one time in 16.
  void Think(std::uint32_t now, std::uint32_t elapsed, Fighter& blue, const Fighter& red,
             Match& match);

  std::size_t MemorySize() const { return memory.size(); }
  const std::deque<Situation>& Memory() const { return memory; }
  std::uint32_t LastThinkTick() const { return lastThinkTick; }

 private:
  static void Follow(const Situation& situation, bool mirrored, Fighter& blue, const Fighter& red,
                     Match& match);
  static void PlayAtRandom(Fighter& blue, const Fighter& red, Match& match);

  std::uint32_t lastThinkTick = 0;
  std::deque<Situation> memory;  // oldest first
};

}  // namespace torvelkan
