// The questions to the terminal at the start, and the wait for their answers.
#include "console/terminal/terminal_questions.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/monotonic_clock.h"
#include "common/tick.h"

namespace torvelkan {

bool TerminalAnswers::Note(const TerminalInput& input) {
  switch (input.kind) {
    case TerminalInput::Kind::kKeyboardFlagsReply: keyboardFlags = !attributes; return true;
    case TerminalInput::Kind::kSynchronizedOutputReply:
      synchronizedOutput = !attributes;
      return true;
    case TerminalInput::Kind::kDeviceAttributesReply: attributes = true; return true;
    case TerminalInput::Kind::kKey: break;
  }
  return false;
}

TerminalAnswers AwaitAnswers(int inputFd, std::uint32_t waitMs, InputDecoder& decoder,
                             std::vector<TerminalInput>& early) {
  TerminalAnswers answers;
  const std::int64_t start = MonotonicMicroseconds();
  const std::int64_t limit = std::int64_t{waitMs} * 1000;
  std::vector<TerminalInput> decoded;
  while (!answers.attributes) {
    const std::int64_t waited = MonotonicMicroseconds() - start;
    if (waited >= limit) {
      break;
    }
    const std::int64_t leftMs = (limit - waited) / 1000;
    pollfd in{inputFd, POLLIN, 0};
    const int ready = poll(&in, 1, static_cast<int>(std::max<std::int64_t>(1, leftMs)));
    if (ready < 0 && errno != EINTR) {
      break;
    }
    if (ready <= 0) {
      continue;
    }
    unsigned char buffer[512];
    const ssize_t n = read(inputFd, buffer, sizeof buffer);
    if (n <= 0) {
      continue;
    }
    decoded.clear();
    decoder.Feed(buffer, static_cast<std::size_t>(n), ReadTickCount(), decoded);
    for (const TerminalInput& input : decoded) {
      if (!answers.Note(input)) {
        early.push_back(input);  // a key typed meanwhile is kept
      }
    }
  }
  return answers;
}

}  // namespace torvelkan
