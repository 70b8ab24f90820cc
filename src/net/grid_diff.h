// Frames on the wire: the cells that differ from the grid the receiver has.
//
// A frame is a list of runs, each the number of unchanged cells to skip
// (a base-128 number) and the number of cells that follow (likewise), then that
// many cells as a character byte and an attribute byte. Short stretches of
// unchanged cells between changes are sent inside a run, since a new run's
// header costs as much. The first frame of a connection differs from a blank
// grid, so it carries the whole screen.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "console/console_types.h"

namespace torvelkan::net {

// Appends a whole Frame message that turns `from` into `to`; nothing when they
// are the same. Only the low byte of each character and attribute travels:
// that is all the grid holds.
void AppendFrame(const CellGrid& from, const CellGrid& to, std::vector<std::uint8_t>& out);

// Applies a Frame message's payload to grid. On a malformed payload the grid is
// left as it was and the reason is returned; an empty string otherwise.
std::string ApplyFrame(std::span<const std::uint8_t> payload, CellGrid& grid);

// A grid with the same characters and attributes as the cells carry on the wire.
CellGrid WireGrid(const CellGrid& grid);

}  // namespace torvelkan::net
