// Reported keys go to the game as they come; an ordinary terminal's presses
// get guessed releases, and its stray releases are not the key's; giving the
// terminal away lets go of every key still held, each once.
#include "console/terminal/key_router.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/keys.h"

namespace torvelkan {
namespace {

std::vector<QueuedKey> Drain(KeyRouter& router) {
  std::vector<QueuedKey> keys;
  while (!router.Empty()) {
    keys.push_back(router.Pop());
  }
  return keys;
}

TEST(KeyRouter, ReportedAndGuessedReleasesAndEverythingLetGoWhenGivenAway) {
  KeyRouter router(GuessStyle::kShortTaps);
  router.Route(vk::kLeft, true, true, 0);
  router.Route(vk::kLeft, true, true, 10);  // a reported repeat
  router.Route(vk::kD, true, true, 12);
  router.Route(vk::kD, false, true, 14);
  router.Route(vk::kUp, true, false, 20);
  router.Route(vk::kUp, false, false, 25);  // an ordinary terminal's release is no release
  const std::vector<QueuedKey> before = {
      {vk::kLeft, true}, {vk::kLeft, true}, {vk::kD, true}, {vk::kD, false}, {vk::kUp, true}};
  EXPECT_EQ(Drain(router), before);

  router.ReleaseEverything();
  const std::vector<QueuedKey> letGo = {{vk::kUp, false}, {vk::kLeft, false}};
  EXPECT_EQ(Drain(router), letGo);
  router.ReleaseEverything();
  EXPECT_TRUE(router.Empty()) << "nothing is let go twice";

  router.Route(vk::kW, true, false, 100);
  router.Expire(101);
  const std::vector<QueuedKey> pressed = {{vk::kW, true}};
  EXPECT_EQ(Drain(router), pressed);
  router.Expire(1000);  // long after a tap
  const std::vector<QueuedKey> released = {{vk::kW, false}};
  EXPECT_EQ(Drain(router), released);
}

}  // namespace
}  // namespace torvelkan
