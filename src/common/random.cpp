// The game's pseudo-random generator.
#include "common/random.h"

namespace torvelkan {
namespace {
// The generator is the program's only global state: the default state, and
// which state this thread draws from.
GeneratorState defaultState;
thread_local GeneratorState* active = &defaultState;
}  // namespace

void srand(std::uint32_t seed) { active->value = seed; }

int rand() {
  active->value = active->value * 214013u + 2531011u;
  return static_cast<int>((active->value >> 16) & 0x7FFFu);
}

float RandomUnit() { return static_cast<float>(rand()) * kRandomUnitScale; }

std::uint32_t RandomState() { return active->value; }

UseGenerator::UseGenerator(GeneratorState& state) : previous(active) { active = &state; }

UseGenerator::~UseGenerator() { active = previous; }

}  // namespace torvelkan
