// The viewer of Readme.txt: the file's text, 48 lines at a time on rows 2 to 49.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "console/console_screen.h"
#include "screens/readme_file.h"

namespace torvelkan {

class ReadmeViewer {
 public:
  // Far beyond any readme; a larger file is read this far and no further, so
  // that no file can exhaust the memory.
  static constexpr std::size_t kMaxTextBytes = std::size_t{16} * 1024u * 1024u;
  static constexpr int kFirstRow = 2;
  static constexpr int kShownLines = 48;  // rows 2 to 49

  // Reads Readme.txt, whole, at once: the current directory's, or else the
  // installed game's (ReadReadmeFile).
  ReadmeViewer();
  // Reads from any source: text in memory, for instance.
  explicit ReadmeViewer(const ReadmeSource& source);

  // A Polish letter of Windows-1250 becomes its plain ASCII letter; every
  // other byte stays as it is.
  static std::uint8_t Transliterate(std::uint8_t byte);

  // The '\n' bytes of the text: it has one line more than that.
  std::int32_t CountLineBreaks() const { return lineBreaks; }

  // Esc closes; Up and Down scroll one line, as far as the last line on row 49
  // (or on the last row the console shows).
  void OnKey(std::uint16_t code);

  // How many of the rows from row 2 down the console shows: all 48, or fewer
  // on a console too short for the grid, which shows the text at full height
  // rather than halved. Down then stops once the last line is on the last row
  // shown, so every line can be read; a console that grows pulls the scroll
  // back as far as the text then needs.
  void FitTo(int rowsShown);
  bool IsDone() const { return done; }

  // Lines scroll to scroll + 47 on rows 2 to 49, light grey from column 0,
  // marked as text for the console.
  void Render(ConsoleScreen& screen) const;

  const std::string& Text() const { return text; }
  std::int32_t Scroll() const { return scroll; }

 private:
  void LoadText(const ReadmeSource& source);
  void ScrollUp();
  void FillRows();

  bool done = false;
  std::string text;         // the file after transliteration, or the error line
  std::int32_t scroll = 0;  // the line drawn on row 2
  int shownLines = kShownLines;

  // The text never changes after loading, so what a frame needs is kept
  // rather than found again in every frame: the frame then costs the same
  // at the end of a large file as at its start.
  std::int32_t lineBreaks = 0;
  std::size_t scrollStart = 0;                // where line `scroll` begins in text
  std::array<std::string, kShownLines> rows;  // the bytes each row draws
};

}  // namespace torvelkan
