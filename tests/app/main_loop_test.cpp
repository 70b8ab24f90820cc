// The loop takes one event, one step and one frame per pass.
#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "common/keys.h"
#include "console/memory_device.h"

namespace torvelkan {
namespace {

TEST(MainLoop, RunsPassesUntilEscInTheNotice) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  std::uint32_t now = 5000;
  App app(screen, [&now] { return now; });
  int passes = 0;
  RunMainLoop(screen, app, [&] {
    now += 2;
    if (++passes == 10) {
      device.PushKey(vk::kEscape);
    }
  });
  EXPECT_EQ(passes, 10);
  EXPECT_EQ(device.FrameCount(), 10u);   // the pass that read Esc drew nothing
  EXPECT_EQ(device.PendingInput(), 1u);  // its key-up was never read
}

TEST(MainLoop, TakesOneEventPerPass) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  std::uint32_t now = 5000;
  App app(screen, [&now] { return now; });
  for (int i = 0; i < 5; ++i) {
    device.PushKey(vk::kA);
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(RunPass(screen, app));
    EXPECT_EQ(device.PendingInput(), 9u - static_cast<unsigned>(i));
  }
}

TEST(MainLoop, EndsWhenAskedFromOutside) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  std::uint32_t now = 5000;
  App app(screen, [&now] { return now; });
  int passes = 0;
  RunMainLoop(screen, app, [&] {
    now += 2;
    if (++passes == 3) {
      device.quitRequested = true;
    }
  });
  EXPECT_EQ(passes, 3);
}

}  // namespace
}  // namespace torvelkan
