// Frames on the wire: the cells that differ from the grid the receiver has.
#include "net/grid_diff.h"

#include "net/message_stream.h"
#include "net/messages.h"

namespace torvelkan::net {

namespace {

// Unchanged cells up to this many are cheaper sent than skipped.
constexpr int kBridge = 2;

bool SameOnWire(const Cell& a, const Cell& b) {
  return CellChar(a) == CellChar(b) && (CellAttribute(a) & 0xFFu) == (CellAttribute(b) & 0xFFu);
}

void AppendNumber(std::size_t value, std::vector<std::uint8_t>& out) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>((value & 0x7Fu) | 0x80u));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value));
}

// At most two bytes: nothing in a frame counts past the grid's 4000 cells.
bool ReadNumber(std::span<const std::uint8_t> bytes, std::size_t& at, std::size_t& value) {
  value = 0;
  for (int shift = 0; shift <= 7; shift += 7) {
    if (at >= bytes.size()) {
      return false;
    }
    const std::uint8_t byte = bytes[at++];
    value |= static_cast<std::size_t>(byte & 0x7Fu) << shift;
    if ((byte & 0x80u) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

void AppendFrame(const CellGrid& from, const CellGrid& to, std::vector<std::uint8_t>& out) {
  std::size_t start = 0;
  BeginMessage(static_cast<std::uint8_t>(MessageType::kFrame), out, start);
  const std::size_t headerEnd = out.size();
  std::size_t position = 0;  // the first cell not yet covered by a run
  std::size_t i = 0;
  while (i < to.size()) {
    if (SameOnWire(from[i], to[i])) {
      ++i;
      continue;
    }
    // A run from i to the last change that is at most kBridge cells from the next.
    std::size_t end = i + 1;
    std::size_t unchanged = 0;
    for (std::size_t j = end; j < to.size() && unchanged <= kBridge; ++j) {
      if (SameOnWire(from[j], to[j])) {
        ++unchanged;
      } else {
        unchanged = 0;
        end = j + 1;
      }
    }
    AppendNumber(i - position, out);
    AppendNumber(end - i, out);
    for (std::size_t k = i; k < end; ++k) {
      out.push_back(CellChar(to[k]));
      out.push_back(static_cast<std::uint8_t>(CellAttribute(to[k]) & 0xFFu));
    }
    position = end;
    i = end;
  }
  if (out.size() == headerEnd) {
    out.resize(start);  // nothing changed: nothing to send
    return;
  }
  EndMessage(out, start);  // at most 4000 cells and their headers: always fits
}

std::string ApplyFrame(std::span<const std::uint8_t> payload, CellGrid& grid) {
  if (payload.empty()) {
    return "an empty frame";
  }
  // Checked in full before a cell is touched, so a bad frame changes nothing.
  std::size_t at = 0;
  std::size_t position = 0;
  while (at < payload.size()) {
    std::size_t skip = 0;
    std::size_t count = 0;
    if (!ReadNumber(payload, at, skip) || !ReadNumber(payload, at, count)) {
      return "a frame with a broken run header";
    }
    if (count == 0 || skip > grid.size() - position || count > grid.size() - position - skip) {
      return "a frame with cells off the grid";
    }
    if (payload.size() - at < 2 * count) {
      return "a frame cut short";
    }
    position += skip + count;
    at += 2 * count;
  }
  at = 0;
  position = 0;
  while (at < payload.size()) {
    std::size_t skip = 0;
    std::size_t count = 0;
    ReadNumber(payload, at, skip);
    ReadNumber(payload, at, count);
    position += skip;
    for (std::size_t k = 0; k < count; ++k, ++position, at += 2) {
      grid[position].Char.UnicodeChar = payload[at];
      grid[position].Attributes = payload[at + 1];
    }
  }
  return {};
}

CellGrid WireGrid(const CellGrid& grid) {
  CellGrid result{};
  for (std::size_t i = 0; i < grid.size(); ++i) {
    result[i].Char.UnicodeChar = CellChar(grid[i]);
    result[i].Attributes = static_cast<std::uint16_t>(CellAttribute(grid[i]) & 0xFFu);
  }
  return result;
}

}  // namespace torvelkan::net
