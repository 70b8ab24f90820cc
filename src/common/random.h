// The game's pseudo-random generator, the classic 214013 / 2531011 recipe.
//
// Kept in the project's namespace so it is never confused with the C library's
// rand(), whose sequence differs between platforms. Every random decision of
// the game draws from here, in a fixed order, so a seed replays a whole game.
// The game alone draws from one state; a server holding many games gives each
// its own (GeneratorState) and makes it the one drawn from while that game runs.
#pragma once

#include <cstdint>

namespace torvelkan {

inline constexpr int kRandMax = 32767;

// The float nearest 1/32767: rand() times this runs from 0 to 1.
inline constexpr float kRandomUnitScale = 3.0518509e-05f;

// Sets the generator's state.
void srand(std::uint32_t seed);

// Advances the state and returns a value from 0 to 32767.
int rand();

// rand() times kRandomUnitScale: from 0 to 1, both ends included.
float RandomUnit();

// The raw state, for tests that check how many numbers were drawn.
std::uint32_t RandomState();

// A generator's whole state, as a value its owner keeps.
struct GeneratorState {
  std::uint32_t value = 1;
};

// While it lives, srand(), rand() and the rest on this thread use `state`;
// the state used before comes back when it goes. Guards nest. A thread that
// never makes one uses the program's one default state.
class UseGenerator {
 public:
  explicit UseGenerator(GeneratorState& state);
  ~UseGenerator();
  UseGenerator(const UseGenerator&) = delete;
  UseGenerator& operator=(const UseGenerator&) = delete;

 private:
  GeneratorState* previous;
};

}  // namespace torvelkan
