// Turns frames of the cell grid into terminal output, sending only what
// changed since the frame the terminal last received.
#include "console/terminal/frame_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

#include "console/terminal/cp437.h"

namespace torvelkan {
namespace {

// Character 0 and 255 look like the blank.
std::uint8_t ShownChar(const Cell& cell) {
  const std::uint8_t ch = CellChar(cell);
  return ch == 0 || ch == 255 ? std::uint8_t{' '} : ch;
}

int Foreground(const Cell& cell) { return CellAttribute(cell) & 0x0F; }
int Background(const Cell& cell) { return (CellAttribute(cell) >> 4) & 0x0F; }

// A blank shows only its background, so its foreground is free: whatever the
// pen holds will do, and a blank whose foreground alone changed is not sent.
bool IsBlank(const Cell& cell) { return ShownChar(cell) == ' '; }

bool LooksSame(const Cell& a, const Cell& b) {
  return ShownChar(a) == ShownChar(b) && Background(a) == Background(b) &&
         (IsBlank(a) || Foreground(a) == Foreground(b));
}

// The console numbers its colours blue, green, red; ANSI red, green, blue.
int AnsiColour(int console) { return ((console & 1) << 2) | (console & 2) | ((console & 4) >> 2); }

// The Windows console's own sixteen colours, by console number.
constexpr std::array<std::array<int, 3>, 16> kConsoleRgb = {{
    {0, 0, 0},
    {0, 0, 128},
    {0, 128, 0},
    {0, 128, 128},
    {128, 0, 0},
    {128, 0, 128},
    {128, 128, 0},
    {192, 192, 192},
    {128, 128, 128},
    {0, 0, 255},
    {0, 255, 0},
    {0, 255, 255},
    {255, 0, 0},
    {255, 0, 255},
    {255, 255, 0},
    {255, 255, 255},
}};

int Digits(int value) {
  int n = 1;
  for (; value >= 10; value /= 10) {
    ++n;
  }
  return n;
}

void AppendNumber(int value, std::string& out) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (n > 0) {
    out.push_back(digits[--n]);
  }
}

// One SGR parameter for a colour: 30-37/90-97 (foreground) or 40-47/100-107,
// or 38;2;r;g;b / 48;2;r;g;b in 24-bit colour.
void AppendColourParameter(int colour, bool background, bool trueColour, std::string& out) {
  if (trueColour) {
    out += background ? "48;2;" : "38;2;";
    const auto& rgb = kConsoleRgb[static_cast<std::size_t>(colour)];
    AppendNumber(rgb[0], out);
    out.push_back(';');
    AppendNumber(rgb[1], out);
    out.push_back(';');
    AppendNumber(rgb[2], out);
    return;
  }
  const int base = (colour & 8) != 0 ? (background ? 100 : 90) : (background ? 40 : 30);
  AppendNumber(base + AnsiColour(colour), out);
}

// A control sequence with one number, left out where it is the default 1.
void AppendCsi(int count, char final, std::string& out) {
  out += "\x1b[";
  if (count != 1) {
    AppendNumber(count, out);
  }
  out.push_back(final);
}

int CsiCost(int count) { return 3 + (count != 1 ? Digits(count) : 0); }

int PositionCost(int row, int column) {
  return row == 0 && column == 0 ? 3
                                 : 3 + Digits(row + 1) + (column > 0 ? 1 + Digits(column + 1) : 0);
}

void AppendPosition(int row, int column, std::string& out) {
  out += "\x1b[";
  if (row != 0 || column != 0) {
    AppendNumber(row + 1, out);
    if (column > 0) {
      out.push_back(';');
      AppendNumber(column + 1, out);
    }
  }
  out.push_back('H');
}

// Up to this many columns back, backspaces are sent rather than a sequence.
constexpr int kMostBackspaces = 3;

// Sending a frame one colour at a time is tried for at most this many pens:
// each costs a sweep over the changed cells.
constexpr int kMostPensByColour = 12;

// The longest run of unchanged cells sent again rather than stepped over: a
// full position costs at most 8 bytes.
constexpr int kLongestRewrite = 8;

// Whether the cells of a row from `from` up to `to` can be sent again as they
// are, in the pen's colours, one byte each.
bool CanRewrite(const CellGrid& next, int row, int from, int to, int foreground, int background) {
  if (to - from > kLongestRewrite || background < 0) {
    return false;
  }
  for (int c = from; c < to; ++c) {
    const Cell& cell = next[static_cast<std::size_t>(row * kColumns + c)];
    const std::uint8_t ch = ShownChar(cell);
    if (ch < 32 || ch >= 127 || Background(cell) != background ||
        (ch != ' ' && Foreground(cell) != foreground)) {
      return false;
    }
  }
  return true;
}

void AppendRewrite(const CellGrid& next, int row, int from, int to, std::string& out) {
  for (int c = from; c < to; ++c) {
    out.push_back(static_cast<char>(ShownChar(next[static_cast<std::size_t>(row * kColumns + c)])));
  }
}

// The ways along the cursor's row to a column: none, a step forward, the cells
// between sent again, a step back, or the column itself.
enum class Step { kNone, kForward, kRewrite, kBack, kColumn };

struct Along {
  Step step = Step::kNone;
  int cost = 0;
};

// `from` is -1 where the cursor's column is unknown.
Along CheapestAlong(const CellGrid& next, int row, int from, int to, int foreground,
                    int background) {
  if (to == from) {
    return {};
  }
  Along best{Step::kColumn, 3 + (to > 0 ? Digits(to + 1) : 0)};
  if (from >= 0 && to > from) {
    if (CsiCost(to - from) < best.cost) {
      best = {Step::kForward, CsiCost(to - from)};
    }
    if (to - from < best.cost && CanRewrite(next, row, from, to, foreground, background)) {
      best = {Step::kRewrite, to - from};
    }
  } else if (from >= 0) {
    // A backspace moves one column back: a few of them beat a sequence.
    const int back = from - to <= kMostBackspaces ? from - to : CsiCost(from - to);
    if (back < best.cost) {
      best = {Step::kBack, back};
    }
  }
  return best;
}

void AppendAlong(const Along& along, const CellGrid& next, int row, int from, int to,
                 std::string& out) {
  switch (along.step) {
    case Step::kNone: break;
    case Step::kForward: AppendCsi(to - from, 'C', out); break;
    case Step::kRewrite: AppendRewrite(next, row, from, to, out); break;
    case Step::kBack:
      if (from - to <= kMostBackspaces) {
        out.append(static_cast<std::size_t>(from - to), '\b');
      } else {
        AppendCsi(from - to, 'D', out);
      }
      break;
    case Step::kColumn: AppendCsi(to + 1, 'G', out); break;
  }
}

// The ways to a cell: none, a full position, a step up or down and along,
// line feeds and along, or a carriage return, line feeds and along.
enum class Way : std::uint8_t { kNone, kPosition, kStep, kFeed, kReturn };

}  // namespace

struct FrameEncoder::Move {
  Way way;
  Along along;
  int cost;
};

void FrameEncoder::AppendColours(std::uint16_t attribute, std::string& out) {
  out += "\x1b[";
  AppendColourParameter(attribute & 0x0F, false, false, out);
  out.push_back(';');
  AppendColourParameter((attribute >> 4) & 0x0F, true, false, out);
  out.push_back('m');
}

void FrameEncoder::AppendTrueColours(std::uint16_t attribute, std::string& out) {
  out += "\x1b[";
  AppendColourParameter(attribute & 0x0F, false, true, out);
  out.push_back(';');
  AppendColourParameter((attribute >> 4) & 0x0F, true, true, out);
  out.push_back('m');
}

void FrameEncoder::SetVisibleArea(int columns, int rows) {
  const int newColumns = std::clamp(columns, 0, kColumns);
  const int newRows = std::clamp(rows, 0, kRows);
  if (newColumns != visibleColumns || newRows != visibleRows) {
    visibleColumns = newColumns;
    visibleRows = newRows;
    known = false;
  }
}

void FrameEncoder::SetTrueColour(bool on) {
  if (on != trueColour) {
    trueColour = on;
    known = false;
  }
}

// Picks the shortest of: a full position; a step up or down (or none) and a
// way along the row; line feeds and a way along the row; a carriage return,
// line feeds and a way along the row. Cells sent again always show the
// grid's own glyphs in colours checked to be theirs, so the result is right
// even where they have not been sent yet.
FrameEncoder::Move FrameEncoder::ChooseMove(const CellGrid& next, int row, int column,
                                            const Pen& pen) const {
  if (pen.row == row && pen.column == column) {
    return {Way::kNone, {}, 0};
  }
  Move best{Way::kPosition, {}, PositionCost(row, column)};
  if (pen.row >= 0) {
    const int vertical = row - pen.row;
    const Along fromHere =
        CheapestAlong(next, row, pen.column, column, pen.foreground, pen.background);
    const int cost =
        (vertical != 0 ? CsiCost(vertical > 0 ? vertical : -vertical) : 0) + fromHere.cost;
    if (cost < best.cost) {
      best = {Way::kStep, fromHere, cost};
    }
    // Line feeds stay on the screen: the target row is a row of the terminal.
    if (bareLineFeeds && vertical > 0 && vertical + fromHere.cost < best.cost) {
      best = {Way::kFeed, fromHere, vertical + fromHere.cost};
    }
    const Along fromStart = CheapestAlong(next, row, 0, column, pen.foreground, pen.background);
    if (vertical >= 0 && 1 + vertical + fromStart.cost < best.cost) {
      best = {Way::kReturn, fromStart, 1 + vertical + fromStart.cost};
    }
  }
  return best;
}

void FrameEncoder::MoveTo(const CellGrid& next, int row, int column, Pen& pen,
                          std::string& out) const {
  const Move move = ChooseMove(next, row, column, pen);
  switch (move.way) {
    case Way::kNone: break;
    case Way::kPosition: AppendPosition(row, column, out); break;
    case Way::kStep:
      if (row != pen.row) {
        AppendCsi(row > pen.row ? row - pen.row : pen.row - row, row > pen.row ? 'B' : 'A', out);
      }
      AppendAlong(move.along, next, row, pen.column, column, out);
      break;
    case Way::kFeed:
      out.append(static_cast<std::size_t>(row - pen.row), '\n');
      AppendAlong(move.along, next, row, pen.column, column, out);
      break;
    case Way::kReturn:
      out.push_back('\r');
      out.append(static_cast<std::size_t>(row - pen.row), '\n');
      AppendAlong(move.along, next, row, 0, column, out);
      break;
  }
  pen.row = row;
  pen.column = column;
}

void FrameEncoder::SetColours(const Cell& cell, Pen& pen, std::string& out) const {
  const int foreground = Foreground(cell);
  const int background = Background(cell);
  const bool newForeground = !IsBlank(cell) && foreground != pen.foreground;
  const bool newBackground = background != pen.background;
  if (!newForeground && !newBackground) {
    return;
  }
  out += "\x1b[";
  if (newForeground) {
    AppendColourParameter(foreground, false, trueColour, out);
    pen.foreground = foreground;
  }
  if (newBackground) {
    if (newForeground) {
      out.push_back(';');
    }
    AppendColourParameter(background, true, trueColour, out);
    pen.background = background;
  }
  out.push_back('m');
}

void FrameEncoder::SendCell(const CellGrid& next, int index, Pen& pen, std::string& out) const {
  const int row = index / kColumns;
  const int column = index % kColumns;
  MoveTo(next, row, column, pen, out);
  SetColours(next[static_cast<std::size_t>(index)], pen, out);
  out += Cp437Glyph(ShownChar(next[static_cast<std::size_t>(index)]));
  // Without line wrap the cursor stays on the last column after a glyph there
  // (or, in a wider terminal, goes on): its column is unknown.
  pen.column = column + 1 < visibleColumns ? column + 1 : -1;
}

void FrameEncoder::SendInOrder(const CellGrid& next, std::size_t begin, std::size_t end, Pen& pen,
                               std::string& out) const {
  for (std::size_t k = begin; k < end; ++k) {
    SendCell(next, changed[k], pen, out);
  }
}

// Sends the cells one colour at a time: first every cell the pen can draw as
// it is, in order, then the first cell left with its colours and every cell
// those colours draw, and so on. Where colours alternate this pays a few moves
// instead of a colour change a cell. Each round sends every cell of one
// colour, so there are at most as many rounds as colours.
void FrameEncoder::SendByColour(const CellGrid& next, std::size_t begin, std::size_t end, Pen& pen,
                                std::string& out) {
  std::fill(sent.begin() + static_cast<std::ptrdiff_t>(begin),
            sent.begin() + static_cast<std::ptrdiff_t>(end), char{0});
  SendRestByColour(next, begin, end, pen, out);
}

void FrameEncoder::SendRestByColour(const CellGrid& next, std::size_t begin, std::size_t end,
                                    Pen& pen, std::string& out) {
  bool any = true;
  while (any) {
    any = false;
    for (std::size_t k = begin; k < end; ++k) {
      const Cell& cell = next[static_cast<std::size_t>(changed[k])];
      const bool drawable = Background(cell) == pen.background &&
                            (IsBlank(cell) || Foreground(cell) == pen.foreground);
      if (sent[k] == 0 && drawable) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        any = true;
      }
    }
    for (std::size_t k = begin; k < end && !any; ++k) {
      if (sent[k] == 0) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        any = true;
      }
    }
  }
}

// The glyphs one colour at a time, as above, but each with the changed blanks
// around it, nearest first: where a thing moves, the cell it left is mostly
// beside the cell it took. The blanks left over go last.
void FrameEncoder::SendInPairs(const CellGrid& next, Pen& pen, std::string& out) {
  std::fill(sent.begin(), sent.end(), char{0});
  if (positionOf.empty()) {
    positionOf.assign(static_cast<std::size_t>(kCellCount), -1);
  }
  for (std::size_t k = 0; k < changed.size(); ++k) {
    positionOf[static_cast<std::size_t>(changed[k])] = static_cast<int>(k);
  }
  bool any = true;
  while (any) {
    any = false;
    for (std::size_t k = 0; k < changed.size(); ++k) {
      const Cell& cell = next[static_cast<std::size_t>(changed[k])];
      if (sent[k] == 0 && !IsBlank(cell) && Background(cell) == pen.background &&
          Foreground(cell) == pen.foreground) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        SendBlanksBeside(next, changed[k], pen, out);
        any = true;
      }
    }
    for (std::size_t k = 0; k < changed.size() && !any; ++k) {
      if (sent[k] == 0 && !IsBlank(next[static_cast<std::size_t>(changed[k])])) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        SendBlanksBeside(next, changed[k], pen, out);
        any = true;
      }
    }
  }
  SendRestByColour(next, 0, changed.size(), pen, out);
  for (const int index : changed) {
    positionOf[static_cast<std::size_t>(index)] = -1;
  }
}

void FrameEncoder::SendBlanksBeside(const CellGrid& next, int index, Pen& pen, std::string& out) {
  const int row = index / kColumns;
  const int column = index % kColumns;
  for (;;) {
    int best = -1;
    int bestCost = 0;
    for (int r = std::max(row - 1, 0); r <= std::min(row + 1, kRows - 1); ++r) {
      for (int c = std::max(column - 1, 0); c <= std::min(column + 1, kColumns - 1); ++c) {
        const int at = positionOf[static_cast<std::size_t>(r * kColumns + c)];
        if (at < 0 || sent[static_cast<std::size_t>(at)] != 0) {
          continue;
        }
        const Cell& cell = next[static_cast<std::size_t>(r * kColumns + c)];
        if (!IsBlank(cell) || Background(cell) != pen.background) {
          continue;
        }
        const int cost = ChooseMove(next, r, c, pen).cost;
        if (best < 0 || cost < bestCost) {
          best = at;
          bestCost = cost;
        }
      }
    }
    if (best < 0) {
      return;
    }
    SendCell(next, changed[static_cast<std::size_t>(best)], pen, out);
    sent[static_cast<std::size_t>(best)] = 1;
  }
}

// Row by row, each row in order or one colour at a time, whichever is shorter.
void FrameEncoder::SendRows(const CellGrid& next, Pen& pen, std::string& out) {
  std::size_t begin = 0;
  while (begin < changed.size()) {
    const int row = changed[begin] / kColumns;
    std::size_t end = begin + 1;
    int colourChanges = 0;
    int background = Background(next[static_cast<std::size_t>(changed[begin])]);
    int foreground = -1;
    for (; end < changed.size() && changed[end] / kColumns == row; ++end) {
      const Cell& cell = next[static_cast<std::size_t>(changed[end])];
      const bool newForeground = !IsBlank(cell) && Foreground(cell) != foreground;
      colourChanges += Background(cell) != background || newForeground ? 1 : 0;
      background = Background(cell);
      foreground = newForeground ? Foreground(cell) : foreground;
    }
    if (colourChanges < 2) {
      SendInOrder(next, begin, end, pen, out);
    } else {
      Pen inOrderPen = pen;
      rowInOrder.clear();
      SendInOrder(next, begin, end, inOrderPen, rowInOrder);
      Pen byColourPen = pen;
      rowByColour.clear();
      SendByColour(next, begin, end, byColourPen, rowByColour);
      const bool byColour = rowByColour.size() < rowInOrder.size();
      out += byColour ? rowByColour : rowInOrder;
      pen = byColour ? byColourPen : inOrderPen;
    }
    begin = end;
  }
}

void FrameEncoder::Encode(const CellGrid& next, std::string& out) {
  if (!known) {
    terminalPen = Pen{};  // where the cursor stands and its colours: unknown
  }
  changed.clear();
  // The pens the changed cells need: a background, and a foreground unless
  // the cell is a blank.
  std::array<std::uint32_t, 17> pens{};
  for (int row = 0; row < visibleRows; ++row) {
    const auto first = static_cast<std::size_t>(row * kColumns);
    // Most rows are as they were, byte for byte: one comparison passes them.
    if (known && std::memcmp(&shown[first], &next[first],
                             static_cast<std::size_t>(visibleColumns) * sizeof(Cell)) == 0) {
      continue;
    }
    for (int column = 0; column < visibleColumns; ++column) {
      const int index = row * kColumns + column;
      if (!known || !LooksSame(shown[static_cast<std::size_t>(index)],
                               next[static_cast<std::size_t>(index)])) {
        changed.push_back(index);
        const Cell& cell = next[static_cast<std::size_t>(index)];
        pens[static_cast<std::size_t>(IsBlank(cell) ? 16 : Foreground(cell))] |=
            1u << Background(cell);
      }
    }
  }
  sent.resize(changed.size());
  // Row by row; and, where a few colours are scattered over the frame, one
  // colour at a time over the whole frame: whichever is shorter.
  Pen byRowsPen = terminalPen;
  frameByRows.clear();
  SendRows(next, byRowsPen, frameByRows);
  Pen byColourPen = terminalPen;
  frameByColour.clear();
  int colours = 0;
  for (const std::uint32_t backgrounds : pens) {
    colours += std::popcount(backgrounds);
  }
  if (colours >= 2 && colours <= kMostPensByColour && known) {
    SendByColour(next, 0, changed.size(), byColourPen, frameByColour);
  }
  Pen inPairsPen = terminalPen;
  frameInPairs.clear();
  if (colours >= 2 && colours <= kMostPensByColour && known) {
    SendInPairs(next, inPairsPen, frameInPairs);
  }
  const std::string* shortest = &frameByRows;
  const Pen* shortestPen = &byRowsPen;
  if (!frameByColour.empty() && frameByColour.size() < shortest->size()) {
    shortest = &frameByColour;
    shortestPen = &byColourPen;
  }
  if (!frameInPairs.empty() && frameInPairs.size() < shortest->size()) {
    shortest = &frameInPairs;
    shortestPen = &inPairsPen;
  }
  out += *shortest;
  terminalPen = *shortestPen;
  shown = next;
  known = true;
}

}  // namespace torvelkan
