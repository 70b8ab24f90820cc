// The readme viewer on text from memory: letters, lines, scrolling and drawing.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/keys.h"
#include "screens/readme_test_support.h"

namespace torvelkan {
namespace {

using testing::DrawnViewer;
using testing::FromMemory;
using testing::Unopenable;

// Lines "line 0" to "line n", joined by n '\n' bytes; with a final '\n' the
// text has one more line, an empty one.
std::string NumberedLines(int breaks, bool finalBreak = false) {
  std::string text;
  const int last = finalBreak ? breaks - 1 : breaks;
  for (int k = 0; k <= last; ++k) {
    text += "line " + std::to_string(k);
    if (k < breaks) {
      text += '\n';
    }
  }
  return text;
}

TEST(ReadmeTransliteration, PolishLettersBecomePlainAndEveryOtherByteStays) {
  struct Letter {
    std::uint8_t byte;
    char plain;
  };
  // Windows-1250: Ś Ź ś ź Ł Ą Ż ł ą ż Ć Ę Ń Ó ć ę ń ó
  const Letter letters[] = {
      {0x8C, 'S'}, {0x8F, 'Z'}, {0x9C, 's'}, {0x9F, 'z'}, {0xA3, 'L'}, {0xA5, 'A'},
      {0xAF, 'Z'}, {0xB3, 'l'}, {0xB9, 'a'}, {0xBF, 'z'}, {0xC6, 'C'}, {0xCA, 'E'},
      {0xD1, 'N'}, {0xD3, 'O'}, {0xE6, 'c'}, {0xEA, 'e'}, {0xF1, 'n'}, {0xF3, 'o'},
  };
  std::set<int> polish;
  for (const Letter& letter : letters) {
    EXPECT_EQ(ReadmeViewer::Transliterate(letter.byte), static_cast<std::uint8_t>(letter.plain))
        << "byte " << int{letter.byte};
    polish.insert(letter.byte);
  }
  for (int byte = 0; byte < 256; ++byte) {
    if (!polish.contains(byte)) {
      EXPECT_EQ(ReadmeViewer::Transliterate(static_cast<std::uint8_t>(byte)), byte);
    }
  }
}

TEST(ReadmeViewer, TextIsTransliteratedAsLoadedAndShownPlain) {
  DrawnViewer shown(FromMemory("\xA5\xB9\xCA\xEA \x8F\xAF\n\xA3\xF3\xBF\x9F\xE6"));
  EXPECT_EQ(shown.viewer.Text(), "AaEe ZZ\nLozzc");
  EXPECT_EQ(shown.Row(2), "AaEe ZZ");
  EXPECT_EQ(shown.Row(3), "Lozzc");
  EXPECT_EQ(CellAttribute(shown.screen.At(0, 2)), 7);  // light grey on black
}

TEST(ReadmeViewer, WithoutAFileTheErrorLineStandsAloneOnRowTwo) {
  DrawnViewer shown(Unopenable());
  EXPECT_EQ(shown.viewer.Text(), "Nie mozna otworzyc pliku Readme.txt");
  EXPECT_EQ(shown.Row(2), "Nie mozna otworzyc pliku Readme.txt");
  EXPECT_EQ(CellAttribute(shown.screen.At(0, 2)), 7);
  for (int row = 0; row < kRows; ++row) {
    if (row != 2) {
      EXPECT_EQ(shown.Row(row), "") << "row " << row;
    }
  }
  shown.Press(vk::kDown);
  shown.Press(vk::kUp);
  EXPECT_EQ(shown.viewer.Scroll(), 0);
  EXPECT_FALSE(shown.viewer.IsDone());
  shown.Press(vk::kEscape);
  EXPECT_TRUE(shown.viewer.IsDone());
}

TEST(ReadmeViewer, AnEmptyFileDrawsNothingAndNeverScrolls) {
  DrawnViewer shown(FromMemory(""));
  EXPECT_EQ(shown.viewer.CountLineBreaks(), 0);
  EXPECT_TRUE(shown.Blank());
  shown.Press(vk::kDown);
  EXPECT_EQ(shown.viewer.Scroll(), 0);
  EXPECT_TRUE(shown.Blank());
}

TEST(ReadmeViewer, DownStopsWhenTheLastLineStandsOnRowFortyNine) {
  struct Case {
    int breaks;
    bool finalBreak;
    int lastScroll;  // max(0, breaks - 47)
  };
  const Case cases[] = {{0, false, 0},  {1, true, 0},    {47, false, 0},
                        {47, true, 0},  {48, false, 1},  {48, true, 1},
                        {49, false, 2}, {100, true, 53}, {100, false, 53}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.breaks << " breaks");
    DrawnViewer shown(FromMemory(NumberedLines(c.breaks, c.finalBreak)));
    EXPECT_EQ(shown.viewer.CountLineBreaks(), c.breaks);
    shown.Press(vk::kUp);
    EXPECT_EQ(shown.viewer.Scroll(), 0);
    shown.Press(vk::kDown, c.breaks + 10);
    EXPECT_EQ(shown.viewer.Scroll(), c.lastScroll);
    // The last line, empty or not, stands on row 49 or higher.
    const std::string lastLine = c.finalBreak ? "" : "line " + std::to_string(c.breaks);
    EXPECT_EQ(shown.Row(2 + c.breaks - c.lastScroll), lastLine);
    for (std::uint16_t other : {vk::kNext, vk::kPrior, vk::kEnd, vk::kHome, vk::kSpace, vk::kEnter,
                                vk::kLeft, vk::kRight}) {
      shown.Press(other);
    }
    EXPECT_EQ(shown.viewer.Scroll(), c.lastScroll);
    EXPECT_FALSE(shown.viewer.IsDone());
    shown.Press(vk::kUp, c.breaks + 10);
    EXPECT_EQ(shown.viewer.Scroll(), 0);
    EXPECT_EQ(shown.Row(2), "line 0");
  }
}

// A console that shows fewer of the rows (the half view of a short terminal)
// lets Down go on until the last line stands on the last row it shows; one
// that grows again pulls the scroll back until the text fills its rows.
TEST(ReadmeViewer, OnAShortConsoleDownStopsAtTheLastRowShown) {
  struct Case {
    int breaks;
    int rowsShown;
    int lastScroll;  // max(0, breaks + 1 - rowsShown)
  };
  const Case cases[] = {{100, 23, 78}, {100, 48, 53}, {100, 60, 53}, {100, 0, 100},
                        {10, 23, 0},   {30, 23, 8},   {0, 23, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.breaks << " breaks, " << c.rowsShown << " rows");
    DrawnViewer shown(FromMemory(NumberedLines(c.breaks)));
    shown.viewer.FitTo(c.rowsShown);
    shown.Press(vk::kDown, c.breaks + 10);
    EXPECT_EQ(shown.viewer.Scroll(), c.lastScroll);
    const int lastRow = 2 + c.breaks - c.lastScroll;
    EXPECT_EQ(shown.Row(lastRow), "line " + std::to_string(c.breaks));
    EXPECT_EQ(shown.Row(2), "line " + std::to_string(c.lastScroll));
    shown.Press(vk::kUp);
    EXPECT_EQ(shown.viewer.Scroll(), std::max(0, c.lastScroll - 1));

    // Grown to the whole grid: back to where the last line stands on row 49.
    shown.Press(vk::kDown);
    shown.viewer.FitTo(ReadmeViewer::kShownLines);
    shown.Draw();
    EXPECT_EQ(shown.viewer.Scroll(), std::max(0, c.breaks - 47));
    EXPECT_EQ(shown.Row(2), "line " + std::to_string(shown.viewer.Scroll()));
    EXPECT_EQ(shown.Row(std::min(49, 2 + c.breaks)), "line " + std::to_string(c.breaks));
  }
}

// The viewer marks its rows as text, so that a short console shows them at
// full height; a cleared grid is no text.
TEST(ReadmeViewer, ItsRowsAreMarkedAsText) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  const ReadmeViewer viewer(FromMemory("text"));
  viewer.Render(screen);
  screen.Present();
  EXPECT_EQ(device.TextFrom(), 2);
  screen.Clear();
  screen.Present();
  EXPECT_EQ(device.TextFrom(), kRows);
}

// Line k is empty when k is a multiple of 7, else "line k", so that empty
// lines stand at the top and the bottom of the window as it moves.
TEST(ReadmeViewer, EveryScrollPositionShowsItsFortyEightLinesBothWays) {
  const int breaks = 150;
  auto lineText = [](int k) { return k % 7 == 0 ? std::string() : "line " + std::to_string(k); };
  std::string text;
  for (int k = 0; k <= breaks; ++k) {
    text += lineText(k) + (k < breaks ? "\n" : "");
  }
  DrawnViewer shown(FromMemory(text));
  auto expectWindow = [&] {
    const int scroll = shown.viewer.Scroll();
    SCOPED_TRACE(::testing::Message() << "scroll " << scroll);
    EXPECT_EQ(shown.Row(0), "");
    EXPECT_EQ(shown.Row(1), "");
    for (int row = 2; row < kRows; ++row) {
      ASSERT_EQ(shown.Row(row), lineText(scroll + row - 2)) << "row " << row;
    }
  };
  expectWindow();
  for (int step = 1; step <= breaks - 47; ++step) {
    shown.Press(vk::kDown);
    ASSERT_EQ(shown.viewer.Scroll(), step);
    expectWindow();
  }
  for (int step = breaks - 48; step >= 0; --step) {
    shown.Press(vk::kUp);
    ASSERT_EQ(shown.viewer.Scroll(), step);
    expectWindow();
  }
}

TEST(ReadmeViewer, CarriageReturnsStayInTheTextButLeaveNoTrace) {
  DrawnViewer shown(FromMemory("one\r\ntwo\r\n\r\nfour\r"));
  EXPECT_EQ(shown.viewer.Text(), "one\r\ntwo\r\n\r\nfour\r");
  EXPECT_EQ(shown.viewer.CountLineBreaks(), 3);
  EXPECT_EQ(shown.Row(2), "one");
  EXPECT_EQ(shown.Row(3), "two");
  EXPECT_EQ(shown.Row(4), "");
  EXPECT_EQ(shown.Row(5), "four");
  EXPECT_EQ(CellChar(shown.screen.At(3, 2)), 0);  // the CR took no cell
}

TEST(ReadmeViewer, BytesOutsideThirtyTwoToOneTwentySevenAreDroppedAndTheLineClosesUp) {
  // 0xE9 is é, which has no plain letter here; tab and the control bytes go too.
  DrawnViewer shown(FromMemory("caf\xE9 au\tlait\x01\x1F!\x7F\x80\xFF."));
  EXPECT_EQ(shown.viewer.Text(), "caf\xE9 au\tlait\x01\x1F!\x7F\x80\xFF.");
  EXPECT_EQ(shown.Row(2), "caf aulait!\x7F.");
}

TEST(ReadmeViewer, LinesAreClippedAtEightyColumnsNotWrapped) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) {
    hundred += static_cast<char>('0' + i % 10);
  }
  // The same line again behind tabs, which take no column.
  DrawnViewer shown(FromMemory(hundred + "\n\t\t\t" + hundred + "\nnext"));
  EXPECT_EQ(shown.Row(2), hundred.substr(0, 80));
  EXPECT_EQ(CellChar(shown.screen.At(79, 2)), '9');
  EXPECT_EQ(shown.Row(3), hundred.substr(0, 80));
  EXPECT_EQ(shown.Row(4), "next");
}

TEST(ReadmeViewer, TextBeyondSixteenMebibytesIsLeftOut) {
  // Each byte tells its block of 1024, so a mix-up of blocks would show.
  std::string big(ReadmeViewer::kMaxTextBytes + 3000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) {
    big[i] = static_cast<char>('a' + (i / 1024) % 26);
  }
  DrawnViewer shown(FromMemory(big));
  EXPECT_EQ(shown.viewer.Text().size(), std::size_t{16} * 1024u * 1024u);
  EXPECT_TRUE(shown.viewer.Text() == big.substr(0, std::size_t{16} * 1024u * 1024u));
  EXPECT_EQ(shown.Row(2), big.substr(0, 80));
}

}  // namespace
}  // namespace torvelkan
