// What the terminal shows of the real game: its frames, every fifth pass as
// the loop shows them, go through the frame encoder into a screen model, which
// must then show every cell as the grid holds it, through the notice, the logo,
// the menu's dots and a fight of shots and debris; and the same in the half
// view of a terminal of 25 rows.
#include <gtest/gtest.h>

#include <string>

#include "common/keys.h"
#include "console/half_view.h"
#include "console/terminal/frame_encoder.h"
#include "support/screen_model.h"
#include "support/scripted_game.h"

namespace torvelkan {
namespace {

using testing::ScriptedGame;

TEST(TerminalPicture, EveryCellOfEveryFrameOfAGame) {
  struct View {
    bool trueColour;
    int rows;  // 50: the grid itself; fewer: its half view
  };
  for (const View view : {View{false, kRows}, View{true, kRows}, View{false, kHalfViewRows}}) {
    const bool trueColour = view.trueColour;
    ScriptedGame game;
    FrameEncoder encoder;
    encoder.SetBareLineFeeds(true);
    encoder.SetTrueColour(trueColour);
    encoder.SetVisibleArea(kColumns, view.rows);
    testing::ScreenModel model(kColumns, view.rows);
    CellGrid picture{};
    std::string out;
    std::size_t bytes = 0;
    int frames = 0;
    int pass = 0;
    // Passes of 2 ms for `ms`, with the keys given down at the start.
    auto run = [&](std::uint32_t ms, std::initializer_list<std::uint16_t> keys) {
      for (const std::uint16_t key : keys) {
        game.device.Push(MakeKeyRecord(key, true));
      }
      for (std::uint32_t t = 0; t < ms; t += 2) {
        ASSERT_FALSE(game.Pass(2));
        if (++pass % 5 == 0) {
          const CellGrid* frame = &game.device.LastFrame();
          if (view.rows < kRows) {
            DrawHalfView(*frame, kRows, view.rows, picture);
            frame = &picture;
          }
          out.clear();
          encoder.Encode(*frame, out);
          bytes += out.size();
          ++frames;
          ASSERT_TRUE(model.Feed(out)) << "frame " << frames;
          testing::ExpectScreenShows(model, *frame, kColumns, view.rows, trueColour,
                                     "frame " + std::to_string(frames));
          if (::testing::Test::HasFailure()) {
            return;
          }
        }
      }
    };
    run(3000, {});                                      // the notice
    run(1500, {});                                      // the logo
    run(4000, {vk::kEnter});                            // the menu's dots
    run(4000, {vk::kEnter});                            // the fight's countdown
    run(3000, {vk::kDown, vk::kLeft, vk::kS, vk::kD});  // shots and walking
    run(4000, {vk::kUp, vk::kW});                       // jumps and debris
    ASSERT_FALSE(::testing::Test::HasFailure());
    EXPECT_GT(frames, 1900);
    EXPECT_GT(bytes, std::size_t{100000}) << "the frames were not all alike";
  }
}

}  // namespace
}  // namespace torvelkan
