// Turns frames of the cell grid into terminal output, sending only what
// changed since the frame the terminal last received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/console_types.h"
#include "console/terminal/cursor_moves.h"

namespace torvelkan {

class FrameEncoder {
 public:
  // Appends the bytes that turn the terminal's picture into `next`: cursor
  // moves, colour changes and glyphs, each move the shortest the terminal
  // allows from where the cursor stands. Only the visible area is sent.
  void Encode(const CellGrid& next, std::string& out);

  // The terminal's picture is unknown (cleared, resized, resumed): the next
  // Encode sends every visible cell.
  void Invalidate() { known = false; }

  // How much of the grid the terminal shows, at its top-left corner.
  void SetVisibleArea(int columns, int rows);

  // Draws with the console's own sixteen colours as 24-bit colour instead of
  // the terminal's palette.
  void SetTrueColour(bool on);

  // Whether a line feed alone moves the cursor down and keeps its column: the
  // terminal device turns the line's output processing off, so it does.
  // Otherwise every line feed follows a carriage return.
  void SetBareLineFeeds(bool on) { bareLineFeeds = on; }

  // The SGR sequence for a console attribute: foreground in bits 0-3,
  // background in bits 4-7, each with bit 0 blue, 1 green, 2 red, 3 bright.
  static void AppendColours(std::uint16_t attribute, std::string& out);

  // The same in 24-bit colour, with the console's own red, green and blue.
  static void AppendTrueColours(std::uint16_t attribute, std::string& out);

 private:
  void MoveTo(const CellGrid& next, int row, int column, Pen& pen, std::string& out) const;
  void SetColours(const Cell& cell, Pen& pen, std::string& out) const;
  void SendCell(const CellGrid& next, int index, Pen& pen, std::string& out) const;
  void SendInOrder(const CellGrid& next, std::size_t begin, std::size_t end, Pen& pen,
                   std::string& out) const;
  void SendByColour(const CellGrid& next, std::size_t begin, std::size_t end, Pen& pen,
                    std::string& out);
  void SendRestByColour(const CellGrid& next, std::size_t begin, std::size_t end, Pen& pen,
                        std::string& out);
  void SendInPairs(const CellGrid& next, Pen& pen, std::string& out);
  void SendBlanksBeside(const CellGrid& next, int index, Pen& pen, std::string& out);
  void SendRows(const CellGrid& next, Pen& pen, std::string& out);

  CellGrid shown{};
  // The terminal keeps its cursor and pen from one frame to the next, until
  // its picture is unknown.
  Pen terminalPen;
  // The changed cells of the frame (grid indices, in order), which of them
  // have been sent, and scratch for the ways of sending them.
  std::vector<int> changed;
  std::vector<char> sent;
  std::string rowInOrder;
  std::string rowByColour;
  std::string frameByRows;
  std::string frameByColour;
  std::string frameInPairs;
  // Where each changed cell stands in `changed`, by grid index; -1 elsewhere.
  std::vector<int> positionOf;
  bool known = false;
  bool trueColour = false;
  bool bareLineFeeds = false;
  int visibleColumns = kColumns;
  int visibleRows = kRows;
};

}  // namespace torvelkan
