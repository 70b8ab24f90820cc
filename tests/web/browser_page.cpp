// The game's page in headless Chromium as the browser tests see it.
#include "web/browser_page.h"

#include <algorithm>
#include <thread>

namespace torvelkan::web::testing {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

CellGrid Grid::Cells() const {
  CellGrid cells{};
  for (std::size_t i = 0; i < cells.size() && Whole(); ++i) {
    cells[i].Char.UnicodeChar = chars[i];
    cells[i].Attributes = attributes[i];
  }
  return cells;
}

std::string Grid::Text() const {
  std::string text;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    text += chars[i] >= 32 && chars[i] < 127 ? static_cast<char>(chars[i]) : ' ';
    text += i % kColumns == kColumns - 1 ? "\n" : "";
  }
  return text;
}

Body BodyOf(const Grid& grid, int colour) {
  std::vector<int> columns;
  Body body;
  for (int row = 3; row < kRows; ++row) {
    std::vector<int> inRow;
    int run = 0;
    int longest = 0;
    for (int column = 0; column < kColumns; ++column) {
      run = grid.Background(row, column) == colour ? run + 1 : 0;
      longest = std::max(longest, run);
      if (run > 0) {
        inRow.push_back(column);
      }
    }
    if (longest >= 5) {
      columns.insert(columns.end(), inRow.begin(), inRow.end());
      body.bottom = row;
    }
  }
  if (!columns.empty()) {
    const auto middle = columns.begin() + static_cast<std::ptrdiff_t>(columns.size() / 2);
    std::nth_element(columns.begin(), middle, columns.end());
    body.column = *middle;
  }
  return body;
}

Grid Page::Read() const {
  const std::string hex = browser.Evaluate(session, "torvelkan.grid()");
  Grid grid;
  for (std::size_t i = 0; i + 3 < hex.size(); i += 4) {
    grid.chars.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    grid.attributes.push_back(
        static_cast<std::uint8_t>(std::stoi(hex.substr(i + 2, 2), nullptr, 16)));
  }
  return grid;
}

bool Page::WaitFor(const std::function<bool(const Grid&)>& ready, milliseconds limit,
                   Grid* last) const {
  const auto until = SteadyClock::now() + limit;
  Grid grid;
  bool met = false;
  while (!met && SteadyClock::now() < until) {
    grid = Read();
    met = grid.Whole() && ready(grid);
    if (!met) {
      std::this_thread::sleep_for(milliseconds(20));
    }
  }
  if (last != nullptr) {
    *last = grid;
  }
  return met;
}

Body Page::Settled(int colour) const {
  Body body = BodyOf(Read(), colour);
  auto since = SteadyClock::now();
  const auto until = since + seconds(5);
  while (SteadyClock::now() < until && SteadyClock::now() - since < milliseconds(200)) {
    std::this_thread::sleep_for(milliseconds(20));
    const Body now = BodyOf(Read(), colour);
    if (now.column != body.column || now.bottom != body.bottom) {
      body = now;
      since = SteadyClock::now();
    }
  }
  return body;
}

void Page::Tap(const std::string& code, const std::string& key, int windowsCode) const {
  Down(code, key, windowsCode);
  std::this_thread::sleep_for(milliseconds(30));
  Up(code, key, windowsCode);
}

bool Fighting(const Grid& grid) {
  return BodyOf(grid, kBlueBody).column >= 0 && BodyOf(grid, kRedBody).column >= 0 &&
         !grid.Shows("Get Ready");
}

}  // namespace torvelkan::web::testing
