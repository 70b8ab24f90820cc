// The Readme.txt that comes with the game: Windows-1250 text that the viewer
// shows whole, with no letter lost and no line cut.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "common/keys.h"
#include "screens/readme_test_support.h"

namespace torvelkan {
namespace {

using testing::DrawnViewer;
using testing::FromMemory;

std::string ShippedReadme() {
  std::ifstream file(std::string(TORVELKAN_SOURCE_DIR) + "/Readme.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(ShippedReadme, IsWindowsTextWithPolishLettersThatAllHaveAPlainForm) {
  const std::string bytes = ShippedReadme();
  ASSERT_FALSE(bytes.empty());
  int polish = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    if (byte == '\n') {
      EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "a line without CR LF at byte " << i;
    } else if (byte >= 128) {
      ++polish;
      // A sign the table does not know (a typographic dash or quote) would vanish.
      EXPECT_LT(ReadmeViewer::Transliterate(byte), 128) << "byte " << int{byte} << " at " << i;
    }
  }
  EXPECT_GT(polish, 0);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(ShippedReadme, EveryLineFitsTheScreenAndTheTextScrolls) {
  DrawnViewer shown(FromMemory(ShippedReadme()));
  std::istringstream lines(shown.viewer.Text());
  std::string line;
  while (std::getline(lines, line)) {
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    EXPECT_LE(line.size(), 80u) << line;
    for (char c : line) {
      EXPECT_TRUE(c >= 32 && c < 127)
          << "byte " << int{static_cast<unsigned char>(c)} << " in " << line;
    }
  }
  EXPECT_EQ(shown.Row(2), "TORVELKAN - pojedynek dwoch zarlocznych kul na arenie");
  EXPECT_GE(shown.viewer.CountLineBreaks(), 48);
  shown.Press(vk::kDown);
  EXPECT_EQ(shown.viewer.Scroll(), 1);
}

}  // namespace
}  // namespace torvelkan
