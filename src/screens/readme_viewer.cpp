// The viewer of Readme.txt.
#include "screens/readme_viewer.h"

#include <algorithm>

#include "common/keys.h"

namespace torvelkan {
namespace {

constexpr const char* kOpenError = "Nie mozna otworzyc pliku Readme.txt";
constexpr std::uint16_t kLightGrey = 7;

struct PlainLetter {
  std::uint8_t byte;
  char letter;
};

// The letters with diacritics of Windows-1250. Both Ź and Ż become Z.
constexpr PlainLetter kPolishLetters[] = {
    {0x8C, 'S'}, {0x8F, 'Z'}, {0x9C, 's'}, {0x9F, 'z'}, {0xA3, 'L'}, {0xA5, 'A'},
    {0xAF, 'Z'}, {0xB3, 'l'}, {0xB9, 'a'}, {0xBF, 'z'}, {0xC6, 'C'}, {0xCA, 'E'},
    {0xD1, 'N'}, {0xD3, 'O'}, {0xE6, 'c'}, {0xEA, 'e'}, {0xF1, 'n'}, {0xF3, 'o'},
};

constexpr std::array<std::uint8_t, 256> MakeTransliteration() {
  std::array<std::uint8_t, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    table[static_cast<std::size_t>(byte)] = static_cast<std::uint8_t>(byte);
  }
  for (const PlainLetter& entry : kPolishLetters) {
    table[entry.byte] = static_cast<std::uint8_t>(entry.letter);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> kTransliteration = MakeTransliteration();

// Only bytes 32 to 127 are drawn. Read as signed, every byte from 128 up is
// negative, so it goes with the control bytes: carriage returns, tabs and
// letters the table left alone all vanish, and the line closes up.
bool IsDrawn(char byte) { return static_cast<signed char>(byte) >= 32; }

}  // namespace

ReadmeViewer::ReadmeViewer() : ReadmeViewer(ReadReadmeFile) {}

ReadmeViewer::ReadmeViewer(const ReadmeSource& source) { LoadText(source); }

std::uint8_t ReadmeViewer::Transliterate(std::uint8_t byte) { return kTransliteration[byte]; }

void ReadmeViewer::LoadText(const ReadmeSource& source) {
  const bool opened = source(kMaxTextBytes, [this](const unsigned char* bytes, std::size_t count) {
    // The cap holds whatever a source hands over.
    count = std::min(count, kMaxTextBytes - text.size());
    const std::size_t at = text.size();
    text.resize(at + count);
    for (std::size_t i = 0; i < count; ++i) {
      text[at + i] = static_cast<char>(Transliterate(bytes[i]));
    }
  });
  if (!opened) {
    text = kOpenError;
  }
  lineBreaks = static_cast<std::int32_t>(std::count(text.begin(), text.end(), '\n'));
  FillRows();
}

void ReadmeViewer::OnKey(std::uint16_t code) {
  if (code == vk::kEscape) {
    done = true;
  } else if (code == vk::kUp) {
    if (scroll > 0) {
      ScrollUp();
      FillRows();
    }
  } else if (code == vk::kDown) {
    // Stops once the last line (line N) stands on row 49, at scroll N - 47;
    // on a short console, on the last row shown.
    if (scroll <= CountLineBreaks() - shownLines) {
      ++scroll;
      // Line scroll - 1 is not the last line, so a '\n' ends it.
      scrollStart = text.find('\n', scrollStart) + 1;
      FillRows();
    }
  }
}

void ReadmeViewer::FitTo(int rowsShown) {
  shownLines = std::clamp(rowsShown, 1, kShownLines);
  const std::int32_t last = std::max(0, CountLineBreaks() + 1 - shownLines);
  if (scroll > last) {
    while (scroll > last) {
      ScrollUp();
    }
    FillRows();
  }
}

void ReadmeViewer::ScrollUp() {
  --scroll;
  // Line scroll ends with the '\n' just before scrollStart; it begins after
  // the '\n' before that one, or at the start of the text.
  const std::size_t previousBreak =
      scrollStart < 2 ? std::string::npos : text.rfind('\n', scrollStart - 2);
  scrollStart = previousBreak == std::string::npos ? 0 : previousBreak + 1;
}

void ReadmeViewer::FillRows() {
  std::size_t p = scrollStart;
  for (std::string& row : rows) {
    row.clear();
    while (p < text.size() && text[p] != '\n') {
      if (row.size() == static_cast<std::size_t>(kColumns)) {
        // Lines are not wrapped: the grid would clip the rest of this one.
        p = std::min(text.find('\n', p), text.size());
        break;
      }
      if (IsDrawn(text[p])) {
        row.push_back(text[p]);
      }
      ++p;
    }
    ++p;  // over the '\n'; past the end of the text every row stays empty
  }
}

void ReadmeViewer::Render(ConsoleScreen& screen) const {
  screen.MarkText(kFirstRow);
  for (int i = 0; i < kShownLines; ++i) {
    screen.PutText(0, kFirstRow + i, rows[static_cast<std::size_t>(i)], kLightGrey, kAlignLeft);
  }
}

}  // namespace torvelkan
