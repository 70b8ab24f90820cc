// The program entry: its arguments, its own name left out, to the program.
#include <cstddef>
#include <span>

#include "program/run_program.h"

int main(int argc, char** argv) {
  const std::span<const char* const> arguments(argv + (argc > 0 ? 1 : 0),
                                               argc > 0 ? static_cast<std::size_t>(argc - 1) : 0);
  return torvelkan::RunProgram(arguments);
}
