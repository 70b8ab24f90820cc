// The game's page in headless Chromium as the browser tests see it: its grid
// read back through the page, the fighters found on it, and real key downs
// and ups sent to it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "console/console_types.h"
#include "web/devtools_pipe.h"

namespace torvelkan::web::testing {

// Backgrounds of the fighters' bodies, as console colour numbers.
inline constexpr int kBlueBody = 9;
inline constexpr int kRedBody = 12;
inline constexpr int kUnitsPerColumn = 5;

// The page's grid: a character and an attribute per cell.
struct Grid {
  std::vector<std::uint8_t> chars;
  std::vector<std::uint8_t> attributes;

  bool Whole() const { return chars.size() == kCellCount; }
  CellGrid Cells() const;
  std::string Text() const;
  bool Shows(const std::string& words) const { return Text().find(words) != std::string::npos; }
  int Background(int row, int column) const {
    return (attributes[static_cast<std::size_t>(row * kColumns + column)] >> 4) & 15;
  }
};

// A fighter's body below the counters: the median column of the rows that
// hold a run of at least five cells of its colour (particles lie apart), and
// the lowest of those rows; -1 when none shows.
struct Body {
  int column = -1;
  int bottom = -1;
};

Body BodyOf(const Grid& grid, int colour);

// Both fighters on the page, the countdown over.
bool Fighting(const Grid& grid);

class Page {
 public:
  Page(Chromium& browser, std::string session) : browser(browser), session(std::move(session)) {}

  Grid Read() const;
  std::string Status() const { return browser.Evaluate(session, "torvelkan.status()"); }

  bool WaitFor(const std::function<bool(const Grid&)>& ready, std::chrono::milliseconds limit,
               Grid* last = nullptr) const;

  // Waits for a fighter to stand still for 200 ms and returns where.
  Body Settled(int colour) const;

  void Down(const std::string& code, const std::string& key, int windowsCode) const {
    browser.Key(session, "keyDown", code, key, windowsCode);
  }
  void Up(const std::string& code, const std::string& key, int windowsCode) const {
    browser.Key(session, "keyUp", code, key, windowsCode);
  }
  void Tap(const std::string& code, const std::string& key, int windowsCode) const;

 private:
  Chromium& browser;
  std::string session;
};

}  // namespace torvelkan::web::testing
