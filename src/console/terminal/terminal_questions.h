// The questions the terminal device asks the terminal at the start, and the
// wait for their answers: does it speak the kitty keyboard protocol, does it
// know synchronized output. The device attributes request, asked last, is
// answered by virtually every terminal, and its answer ends the wait.
#pragma once

#include <cstdint>
#include <vector>

#include "console/terminal/input_decoder.h"
#include "console/terminal/terminal_input.h"

namespace torvelkan {

// What the terminal answered. An answer that comes after the device
// attributes' is not to these questions, and does not count.
struct TerminalAnswers {
  bool keyboardFlags = false;       // it speaks the kitty keyboard protocol
  bool synchronizedOutput = false;  // it can hold a frame back until whole
  bool attributes = false;          // it answered the device attributes request

  // Takes note of an answer; false for anything else (a key typed meanwhile).
  bool Note(const TerminalInput& input);
};

// Reads what the terminal sends (through the decoder) until the device
// attributes are answered or waitMs have passed since the call. Keys typed
// meanwhile are kept in `early`, in order, for the caller to act on.
TerminalAnswers AwaitAnswers(int inputFd, std::uint32_t waitMs, InputDecoder& decoder,
                             std::vector<TerminalInput>& early);

}  // namespace torvelkan
