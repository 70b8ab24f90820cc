// Decodes the bytes a terminal sends into key events and replies: plain
// characters, the escape sequences of ordinary terminals, and the reports of
// the kitty keyboard protocol and of win32-input-mode. A bracketed paste is
// thrown away whole. Pure: it never touches a terminal, so a test can feed it
// any bytes in any splits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/terminal/terminal_input.h"

namespace torvelkan {

class InputDecoder {
 public:
  // How long an Esc waits to see whether a sequence follows it.
  static constexpr std::uint32_t kEscapeWaitMs = 40;
  // How long a paste whose end marker has not come yet waits for more; past
  // that it is over, and what follows is keys again.
  static constexpr std::uint32_t kPasteWaitMs = 500;

  // Decodes what is complete; a sequence cut short waits for the next bytes.
  void Feed(const unsigned char* data, std::size_t size, std::uint32_t now,
            std::vector<TerminalInput>& out);

  // Once nothing has followed for kEscapeWaitMs (kPasteWaitMs in a paste),
  // what waits is taken as it stands: a lone ESC is the Esc key, a broken
  // sequence is dropped, an unfinished paste is over.
  void Flush(std::uint32_t now, std::vector<TerminalInput>& out);

  // True while bytes wait for the rest of their sequence, or a paste for its end.
  bool Waiting() const { return !pending.empty() || pasting; }
  bool Pasting() const { return pasting; }
  std::size_t PendingBytes() const { return pending.size(); }

 private:
  enum class Skip : std::uint8_t { kNothing, kControlSequence, kControlString };

  // Decodes one token at the front of what is left; returns the bytes it
  // used, or 0 when the token is not complete yet (never 0 when final).
  std::size_t DecodeOne(const unsigned char* data, std::size_t size, bool final,
                        std::vector<TerminalInput>& out);
  std::size_t DecodeEscape(const unsigned char* data, std::size_t size, bool final,
                           std::vector<TerminalInput>& out);
  std::size_t DecodeControlSequence(const unsigned char* data, std::size_t size, bool final,
                                    std::vector<TerminalInput>& out);
  // A whole control sequence: its parameter bytes and its final byte.
  void DecodeComplete(const unsigned char* begin, const unsigned char* end, unsigned char final,
                      std::vector<TerminalInput>& out);
  std::size_t SkipString(const unsigned char* data, std::size_t size, bool final);
  // The pasted bytes at the front, up to and with the end marker; a tail that
  // may be the start of the marker waits (at most 5 bytes are ever kept).
  std::size_t SkipPasted(const unsigned char* data, std::size_t size, bool final);
  // The bytes at the front that still belong to a sequence or string being
  // skipped: 0 when decoding goes on as usual, kWaitForMore when the next byte
  // decides.
  static constexpr std::size_t kWaitForMore = ~std::size_t{0};
  std::size_t SkippedBytes(const unsigned char* data, std::size_t size, bool final);
  void Run(bool final, std::vector<TerminalInput>& out);

  std::string pending;
  std::uint32_t lastByteAt = 0;
  Skip skip = Skip::kNothing;
  bool pasting = false;
};

}  // namespace torvelkan
