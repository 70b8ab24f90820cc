// Reading the arena off a captured screen: the fighters' bodies, a shot's
// blob and the AI's counter.
#pragma once

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {

// Backgrounds of the game's pieces, as console colour numbers.
inline constexpr int kBlueBody = 9;
inline constexpr int kRedBody = 12;
inline constexpr int kShotCore = 10;
inline constexpr int kShotRim = 2;

// A fighter's body in the arena below the counters: the rows that hold a run
// of at least five cells of its colour (particles of that colour lie apart),
// how many cells of the colour those rows hold, their median column and the
// lowest of them. Column and bottom are -1 when no body shows.
struct Body {
  int cells = 0;
  int column = -1;
  int bottom = -1;
};

Body BodyOf(const Screen& screen, int background);

// The centre of a shot: a bright green plus, five cells across and three
// down, with dark green cells at its ends and corners. Row -1 if none.
struct Spot {
  int row = -1;
  int column = -1;
};

Spot ShotAt(const Screen& screen);

// The number of the "%i AI" counter, right-aligned against column 79; -1 if
// the counter is not there.
int AiCounter(const Screen& screen);

}  // namespace torvelkan::e2e
