// A web server's sessions of one kind, each held weakly (its handlers own
// it): those ended forgotten, all of them dropped, whether any is still open.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

namespace torvelkan::web {

template <class Session>
void ForgetEnded(std::vector<std::weak_ptr<Session>>& sessions) {
  std::erase_if(sessions, [](const auto& weak) { return weak.expired(); });
}

template <class Session>
void DropAll(const std::vector<std::weak_ptr<Session>>& sessions) {
  for (const auto& weak : sessions) {
    if (const auto session = weak.lock()) {
      session->Drop();
    }
  }
}

template <class Session>
bool AnyOpen(const std::vector<std::weak_ptr<Session>>& sessions) {
  return std::any_of(sessions.begin(), sessions.end(), [](const auto& weak) {
    const auto session = weak.lock();
    return session && !session->Over();
  });
}

}  // namespace torvelkan::web
