// The program's one pseudo-random generator.
#include "common/random.h"

namespace torvelkan {
namespace {
std::uint32_t state = 1;  // the generator is the program's only global state
}

void srand(std::uint32_t seed) { state = seed; }

int rand() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

float RandomUnit() { return static_cast<float>(rand()) * kRandomUnitScale; }

std::uint32_t RandomState() { return state; }

}  // namespace torvelkan
