// Whole fights on the memory device with the scripted clock, pass by pass,
// against checksums recorded from a reviewed reference run: the drawing order,
// the AI's memory and decisions, the random sequence across matches and the
// pass period all show in the frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/keys.h"
#include "support/scripted_game.h"

namespace torvelkan {
namespace {

using testing::ScriptedGame;

constexpr int kCheckEvery = 250;  // passes between two checkpoints

struct Event {
  int pass;  // from the pass that made the match
  std::uint16_t key;
  bool down;
};

class Script {
 public:
  Script& Hold(int from, int to, std::uint16_t key) {
    events.push_back({from, key, true});
    events.push_back({to, key, false});
    return *this;
  }
  Script& Tap(int at, std::uint16_t key) { return Hold(at, at + 5, key); }
  // Sorted by pass; events of one pass keep their order and reach the game one a pass.
  std::vector<Event> Sorted() const {
    std::vector<Event> sorted = events;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Event& a, const Event& b) { return a.pass < b.pass; });
    return sorted;
  }

 private:
  std::vector<Event> events;
};

// FNV-1a over every cell's character and attribute, carried on from frame to
// frame, so that a checkpoint stands for every frame before it.
std::uint32_t Fold(std::uint32_t hash, const CellGrid& grid) {
  for (const Cell& cell : grid) {
    for (const std::uint32_t byte : {std::uint32_t{CellChar(cell)}, CellAttribute(cell) & 0xFFu,
                                     std::uint32_t{CellAttribute(cell)} >> 8}) {
      hash = (hash ^ byte) * 16777619u;
    }
  }
  return hash;
}

// A blank cell shows its background colour as a hex digit (0 as '.'), any
// other cell its character.
std::string Picture(const CellGrid& grid) {
  std::string picture;
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const Cell& cell = grid[static_cast<std::size_t>(row * kColumns + column)];
      const int background = (CellAttribute(cell) >> 4) & 0xF;
      const std::uint8_t c = CellChar(cell);
      picture += c != ' ' && c != 0 ? static_cast<char>(c)
                 : background == 0  ? '.'
                                    : "0123456789ABCDEF"[background];
    }
    picture += '\n';
  }
  return picture;
}

std::string Hex(const std::vector<std::uint32_t>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    char item[16];
    std::snprintf(item, sizeof item, "0x%08X,", values[i]);
    text += item;
    text += i % 6 == 5 ? "\n" : " ";
  }
  return text;
}

// From the start of the program to a fresh match: the notice, Esc through the
// logo and Enter on the menu's first entry.
void ToTheFight(ScriptedGame& game) {
  game.Run(3000);
  game.Press(vk::kEscape);
  game.Press(vk::kEnter);
  ASSERT_NE(game.app.CurrentMatch(), nullptr);
}

// Plays the script for the given passes and compares the checkpoints with
// the reference; on a difference, shows the frame at the first checkpoint that
// differs.
void ExpectGolden(ScriptedGame& game, const Script& script, int passes,
                  const std::vector<std::uint32_t>& expected) {
  const std::vector<Event> events = script.Sorted();
  auto next = events.begin();
  std::uint32_t hash = 2166136261u;
  std::vector<std::uint32_t> actual;
  std::string firstDifference;
  for (int pass = 0; pass < passes; ++pass) {
    for (; next != events.end() && next->pass == pass; ++next) {
      game.device.Push(MakeKeyRecord(next->key, next->down));
    }
    ASSERT_FALSE(game.Pass());
    hash = Fold(hash, game.device.LastFrame());
    if ((pass + 1) % kCheckEvery == 0) {
      const std::size_t i = actual.size();
      actual.push_back(hash);
      if (firstDifference.empty() && (i >= expected.size() || expected[i] != hash)) {
        firstDifference = "the frames differ from the reference before pass " +
                          std::to_string(pass + 1) + "; the frame at that pass:\n" +
                          Picture(game.device.LastFrame());
      }
    }
  }
  if (!firstDifference.empty()) {
    ADD_FAILURE() << firstDifference << "checkpoints of this run:\n" << Hex(actual);
  }
}

TEST(GoldenFight, TwoPeopleWalkBiteJumpShootAndRedWinsInTheAirThenANewMatch) {
  ScriptedGame game;
  ToTheFight(game);
  Script script;
  script.Tap(10, vk::kSpace);                                   // blue to the second person
  script.Hold(1520, 1640, vk::kLeft).Hold(1520, 1640, vk::kD);  // in, overlapping
  script.Tap(1700, vk::kDown).Tap(1760, vk::kS);                // a bite each
  script.Tap(1800, vk::kUp).Tap(1810, vk::kW);                  // a jump each
  script.Hold(2500, 2560, vk::kRight).Tap(2520, vk::kDown);     // red walks away: a shot
  script.Hold(2600, 2660, vk::kA).Tap(2620, vk::kS);            // blue walks away: a shot
  script.Hold(2700, 2800, vk::kLeft);
  for (int bite = 0; bite < 8; ++bite) {
    script.Tap(2850 + 300 * bite, vk::kDown);
  }
  // The last bite on the way up: red rises through the win message, which stays
  // on top; blue bursts where it stands. A fresh match (two people again)
  // follows the closing countdown.
  script.Tap(5250, vk::kUp).Tap(5260, vk::kDown);
  ExpectGolden(
      game, script, 7000,
      {
          0x22DCA409, 0x11AA1C2D, 0xF32CA101, 0x4AD9B4B1, 0x99150031, 0xBC284C11, 0x665F4BC0,
          0x5256C001, 0xB671A9DD, 0xA3A7893C, 0x8399AC01, 0x89EF3728, 0x3819190C, 0xC89059F5,
          0xA34D80BB, 0xB3FA7547, 0x37FF2D13, 0x231FB2C2, 0xEF9C609C, 0xA88DBD2E, 0xF4DF6B8A,
          0x0397C42A, 0x5C1267E9, 0x98C9EDEA, 0xF6E78C74, 0xC06B1AFF, 0xBC1B2D6C, 0xAFCD7B0D,
      });
}

// Red walks, bites, jumps and shoots; the AI, learning every red key event,
// wins at about pass 7700. The closing countdown's last update lets it think
// once more, and the next match's AI plays on from that random sequence.
TEST(GoldenFight, TheAiLearnsFromRedFightsAndPlaysOnInTheNextMatch) {
  ScriptedGame game;
  ToTheFight(game);
  Script script;
  script.Hold(1520, 1600, vk::kLeft).Tap(1650, vk::kDown).Tap(1700, vk::kUp);
  script.Hold(1900, 1960, vk::kRight).Tap(1920, vk::kDown);
  script.Hold(2100, 2200, vk::kLeft);
  for (int round = 0; round < 10; ++round) {
    const int at = 2300 + 300 * round;
    script.Tap(at, vk::kDown);
    if (round % 3 == 1) {
      script.Tap(at + 100, vk::kUp);
    }
    if (round % 3 == 2) {
      script.Hold(at + 100, at + 140, round % 2 == 0 ? vk::kLeft : vk::kRight);
    }
  }
  ExpectGolden(
      game, script, 11500,
      {
          0x22DCA409, 0x11AA1C2D, 0xF32CA101, 0x4AD9B4B1, 0x99150031, 0x483817A5, 0x2D1AF6B5,
          0xDF6BBD52, 0x420408B6, 0xC0488314, 0x7F64F418, 0xF2E7CEAD, 0x54F548E4, 0x3B4207D4,
          0x40C37DCD, 0xBCE081C1, 0x7641F4D4, 0x6CBA9BA2, 0x668C8C2E, 0x8AFD7F8C, 0x473D7EBE,
          0xEC5F3CBC, 0x90BBF850, 0x5BB2B421, 0xCF0A1E79, 0xE3A3354D, 0x1DCBB903, 0x25EAB4B1,
          0xDB1D390D, 0x34B72EB4, 0x6A6C03B5, 0x3995E1FF, 0x008F7592, 0x6061958F, 0xB9FB66A8,
          0x4D0AA3D6, 0x3866475E, 0xA548E67A, 0x05CD1806, 0xEA8D07A2, 0x3FDCFA92, 0x429A7B42,
          0x2F16DD42, 0xBDC96132, 0x894DD336, 0xAEB8EE3E,
      });
}

}  // namespace
}  // namespace torvelkan
