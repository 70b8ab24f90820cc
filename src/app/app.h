// The application shell: the start-up notice, the sequence of screens, key
// routing and the frame counter.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "console/console_screen.h"
#include "match/match.h"
#include "screens/intro_logo.h"
#include "screens/main_menu.h"
#include "screens/readme_viewer.h"

namespace torvelkan {

// Where the App reads the time: the tick counter, or a test's scripted clock.
using TickSource = std::function<std::uint32_t()>;

class App {
 public:
  static constexpr std::int32_t kNoticeMs = 3000;

  // Seeds the generator from the tick source, reads it again for the first
  // frame window and sets the console's title.
  App(ConsoleScreen& screen, TickSource tickSource);

  // For a game with no one at this console (a room of an arena server): no
  // notice, logo or menu, a fight at once, and a fresh one after each as
  // ever. Called once, before the first step.
  void SkipToFight();

  // One console input event; true ends the program.
  bool HandleInput(const InputRecord& event);

  // Reads the clock and runs Update with the time since the previous step.
  bool Step();

  // One step of the program; true ends it.
  bool Update(std::uint32_t now, std::uint32_t elapsed);

  // While a player on another machine drives blue: the AI is off, this
  // keyboard's W, A, S and D do nothing and blue takes the remote keys. Turning
  // it off lets go of blue's keys and gives blue back to the AI-on flag.
  void SetRemoteBlue(bool on);
  // A remote key-down or key-up of A, D, S or W, while remote blue is on.
  void RemoteBlueKey(std::uint16_t code, bool down);
  bool RemoteBlue() const { return remoteBlue; }

  // Draws the frame into the grid and shows it; drawing changes nothing else
  // but how far the readme can scroll, which is by what the console shows.
  void Render(ConsoleScreen& screen);
  void CountFrame(std::uint32_t now);
  void DrawFrameCounter(ConsoleScreen& screen) const;
  static void DrawNotice(ConsoleScreen& screen);

  // How many screens (logo, menu, match, readme) have started so far: a step
  // that changes it has one to draw before its first update.
  std::uint32_t ScreensStarted() const { return screensStarted; }

  // What tests look at.
  std::uint32_t FramesPerSecond() const { return framesPerSecond; }
  std::int32_t NoticeCountdownMs() const { return noticeCountdownMs; }
  bool AiEnabled() const { return aiEnabled; }
  Match* CurrentMatch() const { return match.get(); }
  MainMenu* CurrentMenu() const { return menu.get(); }
  IntroLogo* CurrentIntro() const { return intro.get(); }
  ReadmeViewer* CurrentReadme() const { return readme.get(); }

 private:
  bool RemoteOwns(std::uint16_t code) const;

  TickSource tickSource;
  std::uint32_t lastTick;
  std::uint32_t frameWindowStart;
  std::uint32_t framesInWindow = 0;
  std::uint32_t framesPerSecond = 0;
  std::unique_ptr<Match> match;
  std::unique_ptr<MainMenu> menu;
  std::unique_ptr<IntroLogo> intro;
  std::unique_ptr<ReadmeViewer> readme;
  bool aiEnabled = true;
  bool remoteBlue = false;
  std::uint32_t screensStarted = 0;
  std::int32_t noticeCountdownMs = kNoticeMs;
};

}  // namespace torvelkan
