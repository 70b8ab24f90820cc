// Remote input handed to the App's hooks.
#include "app/remote_input.h"

#include "app/app.h"

namespace torvelkan {

void ApplyRemoteInput(App& app, const RemoteInput& input) {
  switch (input.kind) {
    case RemoteInput::Kind::kBlueOn: app.SetRemoteBlue(true); break;
    case RemoteInput::Kind::kBlueOff: app.SetRemoteBlue(false); break;
    case RemoteInput::Kind::kKeyDown: app.RemoteBlueKey(input.code, true); break;
    case RemoteInput::Kind::kKeyUp: app.RemoteBlueKey(input.code, false); break;
  }
}

RemoteInputSink RemoteInputTo(App& app) {
  return [&app](const RemoteInput& input) { ApplyRemoteInput(app, input); };
}

}  // namespace torvelkan
