// The decoder turns what terminals send into keys, the same however the bytes
// are split, and drops what it does not know without harm.
#include "console/terminal/input_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/keys.h"
#include "common/random.h"

namespace torvelkan {
namespace {

std::vector<TerminalInput> Decode(const std::string& bytes, std::uint32_t now = 1000) {
  InputDecoder decoder;
  std::vector<TerminalInput> out;
  decoder.Feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), now, out);
  decoder.Flush(now + InputDecoder::kEscapeWaitMs, out);
  return out;
}

std::vector<std::uint16_t> Codes(const std::vector<TerminalInput>& inputs) {
  std::vector<std::uint16_t> codes;
  codes.reserve(inputs.size());
  for (const TerminalInput& input : inputs) {
    codes.push_back(input.code);
  }
  return codes;
}

TerminalInput Key(std::uint16_t code, std::uint8_t modifiers = 0,
                  KeyAction action = KeyAction::kPress, bool reported = false,
                  std::uint16_t typed = 0) {
  TerminalInput input;
  input.typed = typed;
  input.code = code;
  input.modifiers = modifiers;
  input.action = action;
  input.actionReported = reported;
  return input;
}

using Codes_ = std::vector<std::uint16_t>;

TEST(InputDecoder, PlainKeysGetTheirVirtualKeyCodes) {
  EXPECT_EQ(Codes(Decode("wasdWASD")), (Codes_{'W', 'A', 'S', 'D', 'W', 'A', 'S', 'D'}));
  EXPECT_EQ(Codes(Decode("\r \n\x7f\t")),
            (Codes_{vk::kEnter, vk::kSpace, vk::kEnter, vk::kBack, vk::kTab}));
  EXPECT_EQ(Codes(Decode("1-/")), (Codes_{'1', vk::kOemMinus, vk::kOem2}));
  EXPECT_EQ(Decode("A").at(0).modifiers, kModShift);
  EXPECT_EQ(Decode("\x03").at(0), Key('C', kModControl));
  // A character with no key of its own still is a key press.
  EXPECT_EQ(Codes(Decode("é")), (Codes_{vk::kPacket}));
}

TEST(InputDecoder, ArrowsInEveryForm) {
  const Codes_ arrows = {vk::kUp, vk::kDown, vk::kRight, vk::kLeft};
  EXPECT_EQ(Codes(Decode("\x1b[A\x1b[B\x1b[C\x1b[D")), arrows);
  EXPECT_EQ(Codes(Decode("\x1bOA\x1bOB\x1bOC\x1bOD")), arrows);
  const auto modified = Decode("\x1b[1;5A\x1b[1;2D");
  EXPECT_EQ(modified.at(0), Key(vk::kUp, kModControl));
  EXPECT_EQ(modified.at(1), Key(vk::kLeft, kModShift));
  EXPECT_EQ(Codes(Decode("\x1b[3~\x1b[15~\x1b[H\x1bOP")),
            (Codes_{vk::kDelete, static_cast<std::uint16_t>(vk::kF1 + 4), vk::kHome, vk::kF1}));
}

TEST(InputDecoder, LoneEscWaitsForWhatMayFollow) {
  InputDecoder decoder;
  std::vector<TerminalInput> out;
  const unsigned char esc = 0x1b;
  decoder.Feed(&esc, 1, 100, out);
  EXPECT_TRUE(out.empty());
  decoder.Flush(100 + InputDecoder::kEscapeWaitMs - 1, out);
  EXPECT_TRUE(out.empty()) << "too early to tell";
  decoder.Flush(100 + InputDecoder::kEscapeWaitMs, out);
  EXPECT_EQ(Codes(out), (Codes_{vk::kEscape}));
  EXPECT_FALSE(decoder.Waiting());
  // Two Escs in a row are two keys; Esc before a letter is Alt with it.
  EXPECT_EQ(Codes(Decode("\x1b\x1b")), (Codes_{vk::kEscape, vk::kEscape}));
  EXPECT_EQ(Decode("\x1bx").at(0), Key('X', kModAlt));
}

TEST(InputDecoder, SplitSequencesDecodeAsOne) {
  const std::string bytes = "a\x1b[1;5A\x1b[99;5:3u\x1bOBé\x1b[3~z";
  const auto whole = Decode(bytes);
  for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
    InputDecoder decoder;
    std::vector<TerminalInput> out;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    decoder.Feed(data, cut, 1000, out);
    decoder.Feed(data + cut, bytes.size() - cut, 1010, out);
    decoder.Flush(1010 + InputDecoder::kEscapeWaitMs, out);
    EXPECT_EQ(out, whole) << "cut at " << cut;
  }
}

TEST(InputDecoder, KittyReportsCarryPressRepeatAndRelease) {
  const auto events = Decode("\x1b[97u\x1b[97;1:2u\x1b[97;1:3u");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0], Key('A', 0, KeyAction::kPress, true));
  EXPECT_EQ(events[1], Key('A', 0, KeyAction::kRepeat, true));
  EXPECT_EQ(events[2], Key('A', 0, KeyAction::kRelease, true));
  // Functional keys: arrows and tilde forms with an event, Esc, Enter, Space.
  const auto functional = Decode("\x1b[1;1:3D\x1b[3;1:2~\x1b[27u\x1b[13u\x1b[32;1:3u");
  ASSERT_EQ(functional.size(), 5u);
  EXPECT_EQ(functional[0], Key(vk::kLeft, 0, KeyAction::kRelease, true));
  EXPECT_EQ(functional[1], Key(vk::kDelete, 0, KeyAction::kRepeat, true));
  EXPECT_EQ(functional[2].code, vk::kEscape);
  EXPECT_EQ(functional[3].code, vk::kEnter);
  EXPECT_EQ(functional[4], Key(vk::kSpace, 0, KeyAction::kRelease, true));
  // Modifiers, alternates and text fields; keys the game does not use.
  EXPECT_EQ(Decode("\x1b[99;5u").at(0), Key('C', kModControl, KeyAction::kPress, true));
  EXPECT_EQ(Decode("\x1b[100:68;2;68u").at(0), Key('D', kModShift, KeyAction::kPress, true));
  EXPECT_EQ(Decode("\x1b[57441;2:3u").at(0), Key(vk::kShift, kModShift, KeyAction::kRelease, true));
  EXPECT_EQ(Decode("\x1b[57399u").at(0).code, vk::kNumpad0);
  EXPECT_EQ(Decode("\x1b[1234u").at(0).code, vk::kPacket);
}

TEST(InputDecoder, RepliesToTheStartQuestionsAreNotKeys) {
  const auto replies = Decode("\x1b[?11u\x1b[?62;22c");
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].kind, TerminalInput::Kind::kKeyboardFlagsReply);
  EXPECT_EQ(replies[1].kind, TerminalInput::Kind::kDeviceAttributesReply);
}

TEST(InputDecoder, SynchronizedOutputIsThereWhenItsModeIsSetOrReset) {
  const struct {
    const char* bytes;
    bool supported;
  } cases[] = {
      {"\x1b[?2026;1$y", true},    {"\x1b[?2026;2$y", true},   {"\x1b[?2026;0$y", false},
      {"\x1b[?2026;4$y", false},   {"\x1b[?2026;3$y", false},  {"\x1b[?2025;2$y", false},
      {"\x1b[?2026;2y", false},    {"\x1b[2026;2$y", false},   {"\x1b[?2026$y", false},
      {"\x1b[?2026;2;1$y", false}, {"\x1b[?2026;2 $y", false},
  };
  for (const auto& c : cases) {
    const auto replies = Decode(c.bytes);
    const bool supported =
        replies.size() == 1 && replies[0].kind == TerminalInput::Kind::kSynchronizedOutputReply;
    EXPECT_EQ(supported, c.supported) << c.bytes + 1;
    for (const TerminalInput& reply : replies) {
      EXPECT_NE(reply.kind, TerminalInput::Kind::kKey) << c.bytes + 1 << " is no key";
    }
  }
}

TEST(InputDecoder, UnknownAndBrokenSequencesAreDropped) {
  EXPECT_EQ(Codes(Decode("\x1b[<0;10;5M"
                         "x")),
            (Codes_{'X'}))
      << "a mouse report";
  EXPECT_EQ(Codes(Decode("\x1b[299~"
                         "x")),
            (Codes_{'X'}))
      << "an unknown tilde key";
  EXPECT_EQ(Codes(Decode("\x1b]11;rgb:0/0/0\x07"
                         "x")),
            (Codes_{'X'}))
      << "a colour report";
  EXPECT_EQ(Codes(Decode("\x1b[1;5\x01"
                         "x")),
            (Codes_{'A', 'X'}))
      << "cut by a control byte";
  EXPECT_EQ(Codes(Decode("\x1b[1;1:9A"
                         "x")),
            (Codes_{'X'}))
      << "an impossible event";
  EXPECT_EQ(Codes(Decode("\x1b[" + std::string(500, '1') +
                         "A"
                         "x")),
            (Codes_{'X'}))
      << "overlong";
  EXPECT_EQ(Codes(Decode("\x1b[12")), (Codes_{})) << "cut short for good";
  EXPECT_EQ(Codes(Decode("\x80\xff"
                         "x")),
            (Codes_{'X'}))
      << "bytes that are no UTF-8";
}

// Random and mutated bytes in random splits: no crash, no hang, and only
// well-formed events.
TEST(InputDecoder, SurvivesRandomAndMutatedInput) {
  const std::string seeds[] = {"\x1b[1;5A", "\x1b[97;1:3u", "\x1bOB",
                               "\x1b[?1u",  "\x1b[?62c",    "\x1b]0;x\x1b\\",
                               "wasd",      "\x1b[15~",     "é"};
  srand(12345);
  InputDecoder decoder;
  std::vector<TerminalInput> out;
  std::uint32_t now = 0;
  std::size_t events = 0;
  for (int round = 0; round < 200000; ++round) {
    std::string bytes;
    const int pieces = 1 + rand() % 4;
    for (int p = 0; p < pieces; ++p) {
      if (rand() % 3 == 0) {
        for (int i = rand() % 8; i > 0; --i) {
          bytes.push_back(static_cast<char>(rand() & 0xFF));
        }
      } else {
        std::string seed = seeds[static_cast<std::size_t>(rand()) % std::size(seeds)];
        if (rand() % 2 == 0 && !seed.empty()) {
          seed[static_cast<std::size_t>(rand()) % seed.size()] = static_cast<char>(rand() & 0xFF);
        }
        bytes += seed;
      }
    }
    std::size_t at = 0;
    while (at < bytes.size()) {
      const std::size_t step = 1 + static_cast<std::size_t>(rand()) % (bytes.size() - at);
      out.clear();
      decoder.Feed(reinterpret_cast<const unsigned char*>(bytes.data() + at), step, now, out);
      at += step;
      now += static_cast<std::uint32_t>(rand() % 30);
      decoder.Flush(now, out);
      for (const TerminalInput& input : out) {
        if (input.kind == TerminalInput::Kind::kKey) {
          ASSERT_NE(input.code, 0);
          ASSERT_LE(input.code, 0xFE);
          ASSERT_LE(input.modifiers, kModShift | kModAlt | kModControl);
        }
      }
      events += out.size();
    }
  }
  out.clear();
  decoder.Flush(now + InputDecoder::kPasteWaitMs, out);
  EXPECT_FALSE(decoder.Waiting());
  EXPECT_GT(events, 100000u);
}

// A bracketed paste is thrown away whole, whatever it holds and however it is
// split, and only the keys around it count.
TEST(InputDecoder, BracketedPasteIsThrownAwayWhole) {
  const struct {
    const char* bytes;
    Codes_ keys;
  } cases[] = {
      {"a\x1b[200~hello\x1b[201~b", {'A', 'B'}},
      {"\x1b[200~\x1b\x1b[27u\x1b[99;5u\x1b[A\x1b[201~\x1b[27u", {vk::kEscape}},
      {"\x1b[200~\x1b[201\x1b[20\x1b[201~x", {'X'}},  // broken end markers are pasted text
      {"\x1b[200~\x1b[200~x\x1b[201~y\x1b[201~z", {'Y', 'Z'}},  // no nesting
      {"\x1b[201~q", {'Q'}},  // an end with no start is an unknown key
  };
  for (const auto& c : cases) {
    const std::string bytes = c.bytes;
    EXPECT_EQ(Codes(Decode(bytes)), c.keys) << bytes;
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
      InputDecoder decoder;
      std::vector<TerminalInput> out;
      const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
      decoder.Feed(data, cut, 1000, out);
      decoder.Flush(1000 + InputDecoder::kEscapeWaitMs - 1, out);
      decoder.Feed(data + cut, bytes.size() - cut, 1000 + InputDecoder::kEscapeWaitMs - 1, out);
      decoder.Flush(5000, out);
      EXPECT_EQ(Codes(out), c.keys) << bytes << " cut at " << cut;
    }
  }
}

// A megabyte of paste keeps a handful of bytes at most, and a paste whose end
// never comes is over after its wait: keys count again.
TEST(InputDecoder, PasteStateStaysSmallAndEnds) {
  InputDecoder decoder;
  std::vector<TerminalInput> out;
  const std::string start = "\x1b[200~";
  decoder.Feed(reinterpret_cast<const unsigned char*>(start.data()), start.size(), 1000, out);
  std::string chunk(4093, 'p');
  chunk += "\x1b[2";  // could be the start of the end marker
  for (int i = 0; i < 256; ++i) {
    decoder.Feed(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size(), 1000, out);
    ASSERT_LE(decoder.PendingBytes(), 5u);
  }
  EXPECT_TRUE(out.empty());
  decoder.Flush(1000 + InputDecoder::kEscapeWaitMs, out);
  EXPECT_TRUE(decoder.Pasting()) << "a paste may pause longer than a key sequence";
  decoder.Flush(1000 + InputDecoder::kPasteWaitMs, out);
  EXPECT_FALSE(decoder.Waiting());
  EXPECT_TRUE(out.empty());
  const unsigned char x = 'x';
  decoder.Feed(&x, 1, 2000, out);
  EXPECT_EQ(Codes(out), (Codes_{'X'}));
}

// Windows Terminal's win32-input-mode: CSI Vk ; Sc ; Uc ; Kd ; Cs ; Rc _ with
// true key-ups; letters count by their place on the keyboard (the scan code).
TEST(InputDecoder, Win32InputModeReports) {
  using A = KeyAction;
  struct Case {
    const char* bytes;
    std::vector<TerminalInput> expected;
  };
  std::vector<TerminalInput> eight(8, Key('A', 0, A::kRepeat, true));
  eight.front().action = A::kPress;
  const Case cases[] = {
      // Left down and up (an enhanced key), all six numbers given.
      {"\x1b[37;75;0;1;256;1_\x1b[37;75;0;0;256;1_",
       {Key(vk::kLeft, 0, A::kPress, true), Key(vk::kLeft, 0, A::kRelease, true)}},
      // Omitted numbers are 0, the repeat count 1: "d" down on a US keyboard.
      {"\x1b[68;32;100;1_", {Key(vk::kD, 0, A::kPress, true)}},
      // Three key-downs in one report.
      {"\x1b[68;32;100;1;0;3_",
       {Key(vk::kD, 0, A::kPress, true), Key(vk::kD, 0, A::kRepeat, true),
        Key(vk::kD, 0, A::kRepeat, true)}},
      // An AZERTY keyboard's "z" sits where W is: it is blue's W.
      {"\x1b[90;17;122;1;0;1_", {Key(vk::kW, 0, A::kPress, true, vk::kZ)}},
      // Shift as a key of its own, then Ctrl+C (the left Ctrl in the state).
      {"\x1b[16;42;0;1;16;1_\x1b[67;46;3;1;8;1_",
       {Key(vk::kShift, kModShift, A::kPress, true), Key(vk::kC, kModControl, A::kPress, true)}},
      // A character with no key behind it.
      {"\x1b[0;0;233;1;0;1_", {Key(vk::kPacket, 0, A::kPress, true)}},
      // A repeat count beyond reason is held to a few key-downs.
      {"\x1b[65;30;97;1;0;60000_", eight},
      // Not reports: a key state of 2, a code beyond the keys, too many fields,
      // nothing at all.
      {"\x1b[65;30;97;2;0;1_\x1b[300;0;0;1_\x1b[65;30;97;1;0;1;1_\x1b[_", {}},
  };
  for (const Case& c : cases) {
    const std::vector<TerminalInput>& expected = c.expected;
    EXPECT_EQ(Decode(c.bytes), expected) << c.bytes + 1;
    // Cut anywhere, the same.
    const std::string bytes = c.bytes;
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
      InputDecoder decoder;
      std::vector<TerminalInput> out;
      const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
      decoder.Feed(data, cut, 0, out);
      decoder.Feed(data + cut, bytes.size() - cut, 10, out);
      decoder.Flush(10 + InputDecoder::kEscapeWaitMs, out);
      EXPECT_EQ(out, expected) << c.bytes + 1 << " cut at " << cut;
    }
  }
}

// With the kitty protocol's alternate keys, a letter's third number is the key
// in its place on a US keyboard; the letter counts by that place.
TEST(InputDecoder, KittyBaseLayoutKeysPlaceTheLetters) {
  using A = KeyAction;
  // AZERTY: "z" where W is, "q" where A is; QWERTZ: "z" where Y is.
  EXPECT_EQ(Decode("\x1b[122::119u\x1b[113::97;1:3u\x1b[122::121u"),
            (std::vector<TerminalInput>{Key(vk::kW, 0, A::kPress, true, vk::kZ),
                                        Key(vk::kA, 0, A::kRelease, true, 'Q'),
                                        Key('Y', 0, A::kPress, true, vk::kZ)}));
  // Shifted on Dvorak: "," where W is, its shifted key given too.
  EXPECT_EQ(Decode("\x1b[44:60:119;2u").at(0),
            Key(vk::kW, kModShift, A::kPress, true, vk::kOemComma));
  // Shortcuts go by the letter typed: QWERTZ's Ctrl+Z, where Y is.
  EXPECT_EQ(Decode("\x1b[122::121;5u").at(0).typed, vk::kZ);
  // Without a base-layout key, or with one that is no letter, what was typed counts.
  EXPECT_EQ(Codes(Decode("\x1b[100u\x1b[97::59u")), (Codes_{vk::kD, 'A'}));
}

}  // namespace
}  // namespace torvelkan
