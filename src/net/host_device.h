// The host's console device: the player's own device with the network
// served alongside.
//
// It wraps the real device, so the App and the main loop stay as they are:
// each pass's input check also serves the sockets and hands the guest's keys
// to the App, and each frame shown here also goes to the guest and the
// spectators. Until a guest arrives, how to join (and what became of the last
// connection) is written over the top rows of this screen only; the network
// always gets the game's grid as drawn.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/remote_input.h"
#include "console/console_device.h"
#include "net/host_session.h"

namespace torvelkan::net {

// Banner lines go under the counters, above the fight.
inline constexpr int kBannerRow = 1;

// Writes text centred on row, in the banner's black on grey, over whatever
// the grid holds there.
void PutBannerLine(CellGrid& grid, int row, const std::string& text);

// The blue key a guest's key drives: arrows as W, A, S, D; 0 for none.
std::uint16_t BlueKeyFor(std::uint16_t guestKey);

// The lines that tell how to join, one per address, at most rows lines.
std::vector<std::string> JoinLines(const std::vector<std::string>& addresses, std::uint16_t port,
                                   const std::string& code, std::size_t rows);

class HostDevice final : public ConsoleDevice {
 public:
  // Both must outlive the device; the App is attached once it exists.
  HostDevice(ConsoleDevice& inner, HostSession& session, std::vector<std::string> joinLines);

  void Attach(App& app) { Attach(RemoteInputTo(app)); }
  // The guest's part reaches the App through sink: a recording can keep it.
  void Attach(RemoteInputSink sink) { attached = std::move(sink); }

  void Present(const CellGrid& cells) override;
  bool HasInput() override;
  void ReadInput(InputRecord& record) override { inner.ReadInput(record); }
  void SetTitle(const char* title) override { inner.SetTitle(title); }
  bool QuitRequested() override { return inner.QuitRequested(); }
  // The guest and the spectators are told too, with the frame.
  void ShowTextFrom(int row) override {
    inner.ShowTextFrom(row);
    textFrom = row;
  }
  int RowsShownFrom(int row) override { return inner.RowsShownFrom(row); }

 private:
  ConsoleDevice& inner;
  HostSession& session;
  std::vector<std::string> joinLines;
  RemoteInputSink attached;
  bool guestWasHere = false;
  int textFrom = kRows;
  CellGrid withBanner{};
};

}  // namespace torvelkan::net
