// Fuzzes the command line: any bytes, cut at each NUL into arguments, as a
// shell or a script could pass them.
//
// Parsing always ends; a fault names one argument in one line of printable
// ASCII of bounded length, and anything else leaves the fault line empty.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "program/command_line.h"

namespace {

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "command line: %s\n", what);
    std::abort();
  }
}

// Far more than any quoted argument with its words around it.
constexpr std::size_t kLongestFaultLine = 400;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvelkan;
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back().push_back(static_cast<char>(data[i]));
    }
  }
  std::vector<const char*> arguments;
  arguments.reserve(words.size());
  for (const std::string& word : words) {
    arguments.push_back(word.c_str());
  }
  if (size == 0) {
    arguments.clear();  // no arguments at all: the game as it always was
  }

  const CommandLine parsed = ParseCommandLine(arguments);
  if (parsed.action == CommandLine::Action::kError) {
    Require(!parsed.error.empty(), "a fault without a line");
    Require(parsed.error.size() <= kLongestFaultLine, "a fault line without bound");
    for (const char c : parsed.error) {
      Require(c >= 0x20 && c < 0x7F, "a fault line with a byte that is no printable ASCII");
    }
  } else {
    Require(parsed.error.empty(), "a fault line without a fault");
  }
  if (arguments.empty()) {
    Require(parsed.action == CommandLine::Action::kPlay, "no arguments but no game");
  }
  return 0;
}
