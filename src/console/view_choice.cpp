// Which view of the grid a console of a given size gets.
#include "console/view_choice.h"

#include <cstdio>

#include "console/console_types.h"
#include "console/half_view.h"

namespace torvelkan {

View ChooseView(ViewChoice choice, int rows) {
  switch (choice) {
    case ViewChoice::kFull: return View::kFull;
    case ViewChoice::kHalf: return View::kHalf;
    case ViewChoice::kAuto: break;
  }
  return rows >= kRows ? View::kFull : View::kHalf;
}

bool ViewFits(View view, int columns, int rows) {
  return columns >= kColumns && rows >= (view == View::kFull ? kRows : kHalfViewLeastRows);
}

std::string SizeLine(View view, int columns, int rows) {
  const int needed = view == View::kFull ? kRows : kHalfViewLeastRows;
  char text[96];
  std::snprintf(text, sizeof text, "Torvelkan needs %d x %d cells, this terminal has %d x %d",
                kColumns, needed, columns, rows);
  std::string line = text;
  if (static_cast<int>(line.size()) > columns) {
    std::snprintf(text, sizeof text, "needs %dx%d, has %dx%d", kColumns, needed, columns, rows);
    line = text;
  }
  return line;
}

bool AsksForFullSize(ViewChoice choice, int rows) {
  return choice == ViewChoice::kFull || (choice == ViewChoice::kAuto && rows >= kRows);
}

}  // namespace torvelkan
