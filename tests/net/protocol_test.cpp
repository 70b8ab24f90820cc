// The wire protocol on its own: framing in any pieces, every message's
// validation, and grid differences that rebuild the grid exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/keys.h"
#include "net/grid_diff.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "support/same_cells.h"

namespace torvelkan::net {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::SameCells;

// Every message in bytes, fed one piece of `piece` bytes at a time.
std::vector<std::pair<std::uint8_t, Bytes>> ReadAll(const Bytes& stream, std::size_t piece,
                                                    std::string* error = nullptr) {
  MessageReader reader;
  std::vector<std::pair<std::uint8_t, Bytes>> messages;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    const std::size_t size = std::min(piece, stream.size() - at);
    reader.Feed(std::span<const std::uint8_t>(stream.data() + at, size));
    Message message;
    for (auto result = reader.Next(message); result != MessageReader::Result::kNone;
         result = reader.Next(message)) {
      if (result == MessageReader::Result::kError) {
        if (error != nullptr) {
          *error = reader.Error();
        }
        return messages;
      }
      messages.emplace_back(message.type, Bytes(message.payload.begin(), message.payload.end()));
    }
  }
  return messages;
}

TEST(MessageStream, MessagesSurviveAnySplittingAndOversizeBreaksTheStream) {
  Bytes stream;
  AppendHello(Hello{kProtocolVersion, Role::kGuest, "abc23def"}, stream);
  AppendKey(KeyEvent{vk::kLeft, true}, stream);
  AppendHeartbeat(stream);
  AppendBye(ByeReason::kLeft, stream);
  for (const std::size_t piece : {1u, 2u, 3u, 7u, 4096u}) {
    const auto messages = ReadAll(stream, piece);
    ASSERT_EQ(messages.size(), 4u) << piece;
    EXPECT_EQ(messages[0].first, static_cast<std::uint8_t>(MessageType::kHello));
    EXPECT_EQ(messages[1].second, (Bytes{vk::kLeft, 1}));
    EXPECT_TRUE(messages[2].second.empty());
    EXPECT_EQ(messages[3].second, (Bytes{static_cast<std::uint8_t>(ByeReason::kLeft)}));
  }
  // A length past the bound, or of nothing at all, ends the stream at once:
  // the reader never waits for, or keeps, the bytes it announces.
  const struct {
    Bytes stream;
    const char* errorHas;
  } broken[] = {
      {{0x20, 0x01, 4}, "longer than 8192"},
      {{0xFF, 0xFF}, "longer than 8192"},
      {{0x00, 0x00, 6}, "empty"},
  };
  for (const auto& c : broken) {
    std::string error;
    EXPECT_TRUE(ReadAll(c.stream, 1, &error).empty());
    EXPECT_NE(error.find(c.errorHas), std::string::npos) << error;
  }
  Bytes exactlyMax = {0x20, 0x00};
  exactlyMax.resize(2 + kMaxMessageBytes, 4);
  EXPECT_EQ(ReadAll(exactlyMax, 1000).size(), 1u);
}

TEST(Messages, EveryPayloadIsValidatedToTheByte) {
  using P = std::string (*)(std::span<const std::uint8_t>);
  const P hello = [](std::span<const std::uint8_t> p) {
    Hello h;
    return ParseHello(p, h);
  };
  const P key = [](std::span<const std::uint8_t> p) {
    KeyEvent k;
    return ParseKey(p, k);
  };
  const P bye = [](std::span<const std::uint8_t> p) {
    ByeReason r{};
    return ParseBye(p, r);
  };
  const P refuse = [](std::span<const std::uint8_t> p) {
    Refuse r;
    return ParseRefuse(p, r);
  };
  const P welcome = [](std::span<const std::uint8_t> p) {
    Role r{};
    return ParseWelcome(p, r);
  };
  const struct {
    P parse;
    Bytes payload;
    bool valid;
  } cases[] = {
      {hello, {'T', 'V', 'K', 'N', 0, 1, 1, 3, 'a', 'b', '2'}, true},
      {hello, {'T', 'V', 'K', 'N', 0, 1, 2, 1, 'z'}, true},
      {hello, {'T', 'V', 'K', 'N', 0, 9}, true},  // another version: read as far as that
      {hello, {'X', 'V', 'K', 'N', 0, 1, 1, 1, 'a'}, false},
      {hello, {'T', 'V', 'K'}, false},
      {hello, {'T', 'V', 'K', 'N', 0, 1, 3, 1, 'a'}, false},       // no such role
      {hello, {'T', 'V', 'K', 'N', 0, 1, 1, 0}, false},            // no code
      {hello, {'T', 'V', 'K', 'N', 0, 1, 1, 2, 'a'}, false},       // code cut short
      {hello, {'T', 'V', 'K', 'N', 0, 1, 1, 1, 'a', 'b'}, false},  // bytes after it
      {hello, {'T', 'V', 'K', 'N', 0, 1, 1, 1, 'A'}, false},       // never upper case
      {hello, {'T', 'V', 'K', 'N', 0, 1, 1, 1, 0x1B}, false},      // never control bytes
      {key, {vk::kLeft, 1}, true},
      {key, {vk::kW, 0}, true},
      {key, {vk::kEscape, 1}, false},
      {key, {vk::kSpace, 1}, false},
      {key, {vk::kLeft, 2}, false},
      {key, {vk::kLeft}, false},
      {bye, {1}, true},
      {bye, {5}, true},
      {bye, {0}, false},
      {bye, {6}, false},
      {bye, {}, false},
      {refuse, {1, 0, 2}, true},
      {refuse, {6, 0, 1}, false},
      {welcome, {0, 1, 1}, true},
      {welcome, {0, 2, 1}, false},
      {welcome, {0, 1, 3}, false},
  };
  int row = 0;
  for (const auto& c : cases) {
    const std::string fault = c.parse(c.payload);
    EXPECT_EQ(fault.empty(), c.valid) << "row " << row << ": " << fault;
    EXPECT_EQ(fault.find('\n'), std::string::npos);
    ++row;
  }
  EXPECT_TRUE(ParseEmpty({}).empty());
  EXPECT_FALSE(ParseEmpty(Bytes{0}).empty());
}

TEST(Messages, AVersionMismatchNamesBothVersions) {
  Bytes stream;
  AppendRefuse(Refuse{RefuseReason::kVersion, 7}, stream);
  const auto messages = ReadAll(stream, 1);
  ASSERT_EQ(messages.size(), 1u);
  Refuse refuse;
  ASSERT_TRUE(ParseRefuse(messages[0].second, refuse).empty());
  const std::string text = RefuseText(refuse);
  EXPECT_NE(text.find("version 7"), std::string::npos) << text;
  EXPECT_NE(text.find("version " + std::to_string(kProtocolVersion)), std::string::npos) << text;
}

// Version 2 greets and is welcomed as version 1 is, and adds where the rows of
// text begin: a row of the grid, or none past its last.
TEST(Messages, VersionTwoAndItsMarkOfTextRows) {
  Hello hello;
  EXPECT_EQ(ParseHello(Bytes{'T', 'V', 'K', 'N', 0, 2, 2, 2, 'a', '7'}, hello), "");
  EXPECT_EQ(hello.code, "a7");
  EXPECT_NE(ParseHello(Bytes{'T', 'V', 'K', 'N', 0, 2, 3, 1, 'a'}, hello), "") << "no such role";
  Role role{};
  std::uint16_t version = 0;
  EXPECT_EQ(ParseWelcome(Bytes{0, 2, 1}, role, version), "");
  EXPECT_EQ(version, 2);
  EXPECT_NE(ParseWelcome(Bytes{0, 3, 1}, role, version), "");
  const struct {
    Bytes payload;
    int row;  // -1: malformed
  } marks[] = {{{0}, 0}, {{2}, 2}, {{50}, 50}, {{51}, -1}, {{}, -1}, {{2, 0}, -1}};
  for (const auto& mark : marks) {
    int row = -1;
    const std::string fault = ParseTextRows(mark.payload, row);
    EXPECT_EQ(fault.empty() ? row : -1, mark.row) << fault;
  }
  Bytes stream;
  AppendTextRows(2, stream);
  EXPECT_EQ(stream, (Bytes{0, 2, static_cast<std::uint8_t>(MessageType::kTextRows), 2}));
}

CellGrid RandomGrid(std::mt19937& random, int changedPercent, const CellGrid& base) {
  CellGrid grid = base;
  for (Cell& cell : grid) {
    if (static_cast<int>(random() % 100) < changedPercent) {
      cell.Char.UnicodeChar = static_cast<char16_t>(random() % 256);
      cell.Attributes = static_cast<std::uint16_t>(random() % 256);
    }
  }
  return grid;
}

std::string ApplyMessage(const Bytes& stream, CellGrid& grid) {
  const auto messages = ReadAll(stream, stream.size() + 1);
  if (messages.size() != 1) {
    return "not one message";
  }
  return ApplyFrame(messages[0].second, grid);
}

TEST(GridDiff, FramesRebuildTheGridExactlyAndStayWithinTheBound) {
  std::mt19937 random(16);
  CellGrid receiver{};
  CellGrid sender{};
  for (const int percent : {0, 1, 3, 10, 30, 50, 75, 100, 2, 0, 100}) {
    const CellGrid next = RandomGrid(random, percent, sender);
    Bytes stream;
    AppendFrame(sender, next, stream);
    EXPECT_LE(stream.size(), 2 + kMaxMessageBytes);
    if (SameCells(sender, next)) {
      EXPECT_TRUE(stream.empty()) << "no frame when nothing changed";
      continue;
    }
    ASSERT_EQ(ApplyMessage(stream, receiver), "");
    EXPECT_TRUE(SameCells(next, receiver)) << percent << "% changed";
    sender = next;
  }
  // One cell changed costs its run header and the cell: five bytes and the prefix.
  CellGrid one = sender;
  one[3999].Char.UnicodeChar = static_cast<char16_t>(CellChar(one[3999]) ^ 1);
  Bytes stream;
  AppendFrame(sender, one, stream);
  EXPECT_EQ(stream.size(), 2u + 1u + 2u + 1u + 2u);
  // Only the low bytes travel: a wider attribute arrives as the grid's own.
  CellGrid wide{};
  wide[5].Attributes = 0x1234;
  stream.clear();
  AppendFrame(CellGrid{}, wide, stream);
  CellGrid got{};
  ASSERT_EQ(ApplyMessage(stream, got), "");
  EXPECT_EQ(CellAttribute(got[5]), 0x34);
}

TEST(GridDiff, MalformedFramesChangeNothing) {
  const struct {
    Bytes payload;
    const char* errorHas;
  } cases[] = {
      {{}, "empty"},
      {{0}, "broken run header"},
      {{0x80}, "broken run header"},
      {{0x80, 0x80, 0x80, 1}, "broken run header"},       // a number past two bytes
      {{0, 0}, "off the grid"},                           // a run of no cells
      {{0xA0, 0x1F, 1, 'x', 7}, "off the grid"},          // skips to cell 4000
      {{0x9F, 0x1F, 2, 'x', 7, 'y', 7}, "off the grid"},  // runs past cell 3999
      {{0, 2, 'x', 7, 'y'}, "cut short"},
      {{0, 1, 'x', 7, 0}, "broken run header"},  // a second run cut short
  };
  for (const auto& c : cases) {
    CellGrid grid{};
    grid[0].Char.UnicodeChar = 'q';
    const CellGrid before = grid;
    const std::string fault = ApplyFrame(c.payload, grid);
    EXPECT_NE(fault.find(c.errorHas), std::string::npos) << fault;
    EXPECT_TRUE(SameCells(before, grid)) << c.errorHas;
  }
  CellGrid grid{};
  EXPECT_EQ(ApplyFrame(Bytes{0x9F, 0x1F, 1, 'x', 7}, grid), "");  // the last cell is on it
  EXPECT_EQ(CellChar(grid[3999]), 'x');
}

}  // namespace
}  // namespace torvelkan::net
