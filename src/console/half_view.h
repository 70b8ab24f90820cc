// The half view: two rows of the grid in one row of a short console, each
// pair of cells drawn as one cell with a half block, so that the whole arena
// fits in 25 rows.
//
// Where neither cell of a pair holds a visible character, the cell is an
// upper-half block in the upper cell's background colour over the lower
// cell's background colour (the lower-half block with the colours the other
// way round where that keeps black the background, which the terminal draws
// in fewer bytes), or a plain space where the two colours are the same.
//
// Where a cell holds a visible character (a counter, a health number, the
// arena's pattern, a menu dot or the menu's frame, the countdown), the
// character wins, in its own colours: a line of a pattern or a frame ('|',
// '-') on black excepted, which lies behind a coloured half that belongs to a
// body (a coloured cell beside another in its row: a fighter, a shot, a
// notice), as the arena's pattern lies behind the fighters in the full view;
// a lone particle beside a line lies behind it. Where both cells hold a
// character, the one on a coloured background wins (a notice over the
// counters), else the lower one: in this game that is the text drawn just
// under a pattern (the menu's top edge below the dots, the countdown below
// the arena's pattern). Texts in the two rows that do not overlap (the
// counters above the health numbers) are both shown; where they clash, one
// row is shown alone over the stretch of both, by the same choice, so that
// lines of text are never mixed letter by letter (a readme a guest sees).
#pragma once

#include "console/console_types.h"

namespace torvelkan {

// Rows of the console the half view needs: 25 pairs make the whole grid.
inline constexpr int kHalfViewRows = kRows / 2;
// With one row fewer, the last pair (grid rows 48 and 49) is left out: a
// fighter's body never reaches it (it stands on the floor at row 46), so only
// particles resting on the floor and the menu's dots passing by are lost.
inline constexpr int kHalfViewLeastRows = kHalfViewRows - 1;

// The character of the upper-half block in the console's code page, and of
// the lower-half block.
inline constexpr std::uint8_t kUpperHalfBlock = 0xDF;
inline constexpr std::uint8_t kLowerHalfBlock = 0xDC;

// Whether a grid cell belongs to a body: a coloured cell without character
// beside another coloured cell in its row, where a lone particle has none.
bool InBody(const CellGrid& grid, int row, int column);

// One console cell for the pair of grid cells, by the rule above; each with
// whether it belongs to a body.
Cell HalfCell(const Cell& upper, bool upperInBody, const Cell& lower, bool lowerInBody);

// Draws the half view of `grid` for a console of `rows` rows into the top of
// `picture` (the rest of which is left as it was) and returns how many rows
// it drew: console row r shows grid rows 2r and 2r + 1, as many pairs as fit.
// Rows from `textFrom` down hold lines of text, which cannot be halved: those
// rows come at full height below the halved rows above them, as many as fit
// (kRows: no text).
int DrawHalfView(const CellGrid& grid, int textFrom, int rows, CellGrid& picture);

// How many of the text rows from `textFrom` down DrawHalfView shows on a
// console of `rows` rows.
int HalfViewTextRows(int textFrom, int rows);

}  // namespace torvelkan
