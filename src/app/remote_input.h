// What a player on another machine does to the App, one value per call of
// its remote hooks, so that whoever passes it on (a network host) can have it
// recorded on the way and a replay can hand it over again.
#pragma once

#include <cstdint>
#include <functional>

namespace torvelkan {

class App;

struct RemoteInput {
  enum class Kind : std::uint8_t { kBlueOn, kBlueOff, kKeyDown, kKeyUp };
  Kind kind = Kind::kBlueOff;
  std::uint16_t code = 0;  // kKeyDown, kKeyUp: the blue key, as App::RemoteBlueKey takes it
};

// Where remote input goes; RemoteInputTo(app) is the App itself.
using RemoteInputSink = std::function<void(const RemoteInput&)>;

void ApplyRemoteInput(App& app, const RemoteInput& input);
// Sends to the App, which must outlive the sink.
RemoteInputSink RemoteInputTo(App& app);

}  // namespace torvelkan
