// Which view of the grid a console of a given size gets: the full view, one
// console cell a grid cell, or the half view, two grid rows a console row;
// and the line that says what a console too small for it lacks.
#pragma once

#include <cstdint>
#include <string>

namespace torvelkan {

// What the player chose (--view): the view by the console's size, or one of
// the two whatever the size.
enum class ViewChoice : std::uint8_t { kAuto, kFull, kHalf };

enum class View : std::uint8_t { kFull, kHalf };

// By the size: the full view from 50 rows, the half view below that (where
// the full view would show the top of the arena only). The columns do not
// choose: both views are 80 columns wide.
View ChooseView(ViewChoice choice, int rows);

// Whether the console is big enough for the whole view: 80 x 50 for the full
// view, 80 x 24 for the half (which at 24 rows leaves its last pair out).
bool ViewFits(View view, int columns, int rows);

// The line on the console's last row while the view does not fit: what the
// view needs and what the console has, short enough for its width.
std::string SizeLine(View view, int columns, int rows);

// Whether to ask the terminal at the start to become 80 x 50: for the full
// view chosen, and by the size where the terminal has 50 rows already (as
// the game always did). A shorter terminal is never asked, since some grow
// past the screen or report the size asked for while showing fewer rows.
bool AsksForFullSize(ViewChoice choice, int rows);

}  // namespace torvelkan
