// The host's console device: the player's own device with the network
// served alongside.
#include "net/host_device.h"

#include <algorithm>
#include <utility>

#include "match/fighter_keys.h"
#include "net/messages.h"

namespace torvelkan::net {

namespace {

constexpr std::uint16_t kBannerAttribute = 0x70;  // black on light grey: it reads as a notice

}  // namespace

void PutBannerLine(CellGrid& grid, int row, const std::string& text) {
  const std::string padded = " " + text + " ";
  const int width = std::min<int>(static_cast<int>(padded.size()), kColumns);
  const int left = (kColumns - width) / 2;
  for (int i = 0; i < width; ++i) {
    Cell& cell = grid[static_cast<std::size_t>(row * kColumns + left + i)];
    cell.Char.UnicodeChar = static_cast<unsigned char>(padded[static_cast<std::size_t>(i)]);
    cell.Attributes = kBannerAttribute;
  }
}

std::uint16_t BlueKeyFor(std::uint16_t guestKey) {
  const std::optional<FighterKey> key = FindFighterKey(guestKey);
  return key.has_value() ? KeyFor(Side::kBlue, key->action) : 0;
}

std::vector<std::string> JoinLines(const std::vector<std::string>& addresses, std::uint16_t port,
                                   const std::string& code, std::size_t rows) {
  std::vector<std::string> lines;
  for (const std::string& address : addresses) {
    if (lines.size() == rows) {
      break;
    }
    const bool six = address.find(':') != std::string::npos;
    std::string line =
        lines.empty() ? "Waiting for a guest: torvelkan --join " : "or: torvelkan --join ";
    line += six ? "[" + address + "]" : address;
    line += ':';
    line += std::to_string(port);
    line += ' ';
    line += code;
    lines.push_back(std::move(line));
  }
  return lines;
}

HostDevice::HostDevice(ConsoleDevice& innerDevice, HostSession& hostSession,
                       std::vector<std::string> lines)
    : inner(innerDevice), session(hostSession), joinLines(std::move(lines)) {}

bool HostDevice::HasInput() {
  session.Service();
  const bool guestHere = session.GuestConnected();
  if (attached) {
    if (guestHere && !guestWasHere) {
      attached({RemoteInput::Kind::kBlueOn});
    }
    for (const KeyEvent& key : session.TakeGuestKeys()) {
      attached({key.down ? RemoteInput::Kind::kKeyDown : RemoteInput::Kind::kKeyUp,
                BlueKeyFor(key.code)});
    }
    if (!guestHere && guestWasHere) {
      attached({RemoteInput::Kind::kBlueOff});
    }
  }
  guestWasHere = guestHere;
  return inner.HasInput();
}

void HostDevice::Present(const CellGrid& cells) {
  session.Broadcast(cells, textFrom);
  if (guestWasHere || joinLines.empty()) {
    inner.Present(cells);
    return;
  }
  withBanner = cells;
  for (std::size_t i = 0; i < joinLines.size(); ++i) {
    PutBannerLine(withBanner, kBannerRow + static_cast<int>(i), joinLines[i]);
  }
  // What became of the last one who tried, so that a host can tell a friend
  // why joining failed (a mistyped code, another release of the game).
  if (!session.Log().empty()) {
    PutBannerLine(withBanner, kBannerRow + static_cast<int>(joinLines.size()),
                  "Last: " + session.Log().back());
  }
  inner.Present(withBanner);
}

}  // namespace torvelkan::net
