// Two grids compared cell by cell, by what a cell shows: its character and
// its attributes.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>

#include "console/console_types.h"

namespace torvelkan::testing {

// Success when every cell of actual shows what expected's does; otherwise the
// first cell that differs (column, row, both characters and attributes) and
// how many differ in all.
inline ::testing::AssertionResult SameCells(const CellGrid& expected, const CellGrid& actual) {
  std::size_t first = expected.size();
  std::size_t differing = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (CellChar(expected[i]) != CellChar(actual[i]) ||
        CellAttribute(expected[i]) != CellAttribute(actual[i])) {
      first = differing == 0 ? i : first;
      ++differing;
    }
  }
  if (differing == 0) {
    return ::testing::AssertionSuccess();
  }
  const auto shown = [](const Cell& cell) {
    const unsigned character = CellChar(cell);
    ::testing::Message text;
    text << "character " << character;
    if (character >= 0x20 && character < 0x7F) {
      text << " '" << static_cast<char>(character) << "'";
    }
    text << ", attributes 0x" << std::hex << CellAttribute(cell);
    return text.GetString();
  };
  return ::testing::AssertionFailure()
         << differing << " cell(s) differ; the first, column "
         << first % static_cast<std::size_t>(kColumns) << " row "
         << first / static_cast<std::size_t>(kColumns) << ": expected " << shown(expected[first])
         << ", got " << shown(actual[first]);
}

}  // namespace torvelkan::testing
