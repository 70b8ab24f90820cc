// The program's network modes: hosting a game, joining it, watching it, and
// playing on an arena server (serving one is serve_arena.cpp).
//
// The host runs the game exactly as without the network: the same App, clock,
// pacer and loop, with the console device wrapped. Everything that can fail
// early (the port, the random source, the host's answer) is done before the
// console is taken, so its message stays readable.
#include "program/play_over_network.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/main_loop.h"
#include "app/remote_input.h"
#include "common/frame_pacer.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "net/guest_client.h"
#include "net/host_device.h"
#include "net/host_session.h"
#include "net/join_code.h"
#include "net/socket.h"
#include "online/lobby_connection.h"
#include "online/play_online.h"
#include "program/platform_device.h"
#include "program/serve_arena.h"
#include "replay/session_recording.h"

namespace torvelkan::net {

namespace {

constexpr std::size_t kJoinRows = 2;

std::uint32_t Now() { return torvelkan::ReadTickCount(); }

int Host(const NetworkOptions& options, const DeviceOptions& deviceOptions,
         const std::string& recordPath, const std::string& programVersion) {
  const SocketLibrary sockets;
  HostSettings settings;
  settings.address = options.address;
  settings.port = options.port;
  settings.code = NewJoinCode();
  HostSession session(settings, Now);
  const std::vector<std::string> addresses =
      options.address.empty() ? LocalAddresses() : std::vector<std::string>{options.address};
  // Once the port is ours, so that a host that cannot start leaves FILE as it was.
  replay::SessionRecording recording(recordPath, programVersion);

  // Takes the console over; given back when destroyed.
  PlatformDevice device = MakePlatformDevice(deviceOptions);
  HostDevice host(device, session, JoinLines(addresses, session.Port(), settings.code, kJoinRows));
  // Recorded as the App takes it: the guest's part comes as a pass looks for
  // input, before the pass's own event.
  ConsoleScreen screen(recording.Wrap(host));
  App app(screen, recording.Wrap(TickSource(Now)));
  host.Attach(recording.Wrap(RemoteInputTo(app)));
  FramePacer pacer(kPassPeriodMicroseconds);
  RunMainLoop(screen, app, [&pacer] { pacer.Wait(); });
  recording.Finish();
  return 0;
}

int Join(const NetworkOptions& options, const DeviceOptions& deviceOptions) {
  const SocketLibrary sockets;
  JoinSettings settings;
  settings.host = options.address;
  settings.port = options.port;
  settings.code = options.code;
  settings.role = options.mode == NetworkOptions::Mode::kWatch ? Role::kSpectator : Role::kGuest;
  std::string error;
  Socket socket = ConnectToHost(settings, error);
  if (!socket.IsOpen()) {
    std::fprintf(stderr, "torvelkan: %s\n", error.c_str());
    return 1;
  }
  JoinOutcome outcome;
  {
    PlatformDevice device = MakePlatformDevice(deviceOptions);
    device.SetTitle(settings.role == Role::kGuest ? "Torvelkan" : "Torvelkan (watching)");
    outcome = RunGuest(std::move(socket), device, settings, Now);
  }  // the console is given back before the message
  if (!outcome.message.empty()) {
    std::fprintf(stderr, "torvelkan: %s\n", outcome.message.c_str());
  }
  return outcome.status;
}

int Online(const NetworkOptions& options, const DeviceOptions& deviceOptions) {
  const SocketLibrary sockets;
  online::OnlineSettings settings;
  settings.host = options.address;
  settings.port = options.port;
  // The first connection is made before the console is taken, so that a
  // server out of reach or a wrong code reads as a plain line.
  std::string error;
  Socket lobby;
  Socket room;
  if (options.code.empty()) {
    lobby = online::ConnectToLobby(settings.host, settings.port, settings.connectMs, error);
  } else {
    room = online::ConnectToRoom(settings.host, settings.port, settings.connectMs, options.code,
                                 Role::kGuest, error);
  }
  if (!lobby.IsOpen() && !room.IsOpen()) {
    std::fprintf(stderr, "torvelkan: %s\n", error.c_str());
    return 1;
  }
  JoinOutcome outcome;
  {
    PlatformDevice device = MakePlatformDevice(deviceOptions);
    outcome = online::RunOnline(device, settings, std::move(lobby), std::move(room), Now);
  }  // the console is given back before the message
  if (!outcome.message.empty()) {
    std::fprintf(stderr, "torvelkan: %s\n", outcome.message.c_str());
  }
  return outcome.status;
}

}  // namespace

int PlayOverNetwork(const NetworkOptions& options, const DeviceOptions& deviceOptions,
                    const std::string& recordPath, const std::string& programVersion) {
  switch (options.mode) {
    case NetworkOptions::Mode::kHost:
      return Host(options, deviceOptions, recordPath, programVersion);
    case NetworkOptions::Mode::kJoin:
    case NetworkOptions::Mode::kWatch: return Join(options, deviceOptions);
    case NetworkOptions::Mode::kOnline: return Online(options, deviceOptions);
    case NetworkOptions::Mode::kServe:  // the program serves with its browsers' door, if any
      return ServeArena(options, WebOptions{});
    case NetworkOptions::Mode::kNone: break;
  }
  return 0;
}

}  // namespace torvelkan::net
