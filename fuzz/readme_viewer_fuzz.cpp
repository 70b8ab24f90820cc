// Fuzzes the readme viewer: any bytes as the file, scrolled line by line to
// the end and back to the top, every position drawn.
//
// Every frame must show what a reader of the text finds there: on rows 2 to
// 49 the lines from the scroll position on, each without the bytes outside 32
// to 127 and cut at 80 columns, in light grey from column 0, and nothing
// anywhere else. Scrolling stops with the last line on row 49 and at the top.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/keys.h"
#include "screens/readme_test_support.h"
#include "screens/readme_viewer.h"

namespace torvelkan {
namespace {

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "readme viewer: %s\n", what);
    std::abort();
  }
}

// The lines of the text as they should be drawn, found the plain way.
std::vector<std::string> DrawnLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n') {
      lines.emplace_back();
    } else if (byte >= 32 && byte <= 127 && lines.back().size() < kColumns) {
      lines.back().push_back(c);
    }
  }
  return lines;
}

void RequireFrame(const ConsoleScreen& screen, const std::vector<std::string>& lines,
                  std::int32_t scroll) {
  for (int row = 0; row < kRows; ++row) {
    const std::int64_t index = std::int64_t{scroll} + row - ReadmeViewer::kFirstRow;
    const std::string empty;
    const std::string& line =
        row >= ReadmeViewer::kFirstRow && index < static_cast<std::int64_t>(lines.size())
            ? lines[static_cast<std::size_t>(index)]
            : empty;
    for (int column = 0; column < kColumns; ++column) {
      const Cell& cell = screen.At(column, row);
      const std::uint8_t c = CellChar(cell);
      if (static_cast<std::size_t>(column) < line.size()) {
        Require(c >= 32 && c <= 127, "a cell drawn with a byte outside 32 to 127");
        Require(c == static_cast<std::uint8_t>(line[static_cast<std::size_t>(column)]),
                "a cell shows the wrong byte");
        Require(CellAttribute(cell) == 7, "a cell not in light grey on black");
      } else {
        Require(c == 0 && CellAttribute(cell) == 0, "a cell drawn beyond its line");
      }
    }
  }
}

}  // namespace
}  // namespace torvelkan

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvelkan;
  const std::string file(reinterpret_cast<const char*>(data), size);
  testing::DrawnViewer drawn(testing::FromMemory(file));
  const ReadmeViewer& viewer = drawn.viewer;

  const std::string& text = viewer.Text();
  Require(text.size() == file.size(), "bytes lost or added on loading");
  for (std::size_t i = 0; i < file.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(file[i]);
    const auto plain = static_cast<std::uint8_t>(text[i]);
    // Only letters of the code page's upper half become plain ASCII letters.
    Require(plain == byte || (byte >= 0x80 &&
                              ((plain >= 'A' && plain <= 'Z') || (plain >= 'a' && plain <= 'z'))),
            "a byte changed that is no Polish letter");
    Require(plain == ReadmeViewer::Transliterate(byte), "a byte loaded untransliterated");
  }
  const auto breaks = static_cast<std::int32_t>(std::count(file.begin(), file.end(), '\n'));
  Require(viewer.CountLineBreaks() == breaks, "line breaks miscounted");

  const std::vector<std::string> lines = DrawnLines(text);
  const std::int32_t lastScroll = std::max(0, breaks - (ReadmeViewer::kShownLines - 1));
  Require(viewer.Scroll() == 0, "the viewer opens scrolled");
  RequireFrame(drawn.screen, lines, 0);
  for (std::int32_t scroll = 1; scroll <= lastScroll; ++scroll) {
    drawn.Press(vk::kDown);
    Require(viewer.Scroll() == scroll, "Down stopped before the last line reached row 49");
    RequireFrame(drawn.screen, lines, scroll);
  }
  drawn.Press(vk::kDown);
  Require(viewer.Scroll() == lastScroll, "Down went past the last line on row 49");
  for (std::int32_t scroll = lastScroll - 1; scroll >= 0; --scroll) {
    drawn.Press(vk::kUp);
    Require(viewer.Scroll() == scroll, "Up did not scroll back one line");
    RequireFrame(drawn.screen, lines, scroll);
  }
  drawn.Press(vk::kUp);
  Require(viewer.Scroll() == 0, "Up went above the first line");
  RequireFrame(drawn.screen, lines, 0);

  Require(!viewer.IsDone(), "the viewer closed by itself");
  drawn.Press(vk::kEscape);
  Require(viewer.IsDone(), "Esc did not close the viewer");
  return 0;
}
