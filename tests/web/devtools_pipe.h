// Headless Chromium driven through its DevTools protocol on a pair of pipes
// (--remote-debugging-pipe): no port to find or to share with other users,
// nothing to install beyond the browser, and every process started is ours
// by its id.
#pragma once

#include <sys/types.h>

#include <boost/property_tree/ptree.hpp>
#include <chrono>
#include <string>

namespace torvelkan::web::testing {

using Json = boost::property_tree::ptree;

// A JSON string literal of text.
std::string Quote(const std::string& text);

class Chromium {
 public:
  // Starts the browser with a fresh profile in a folder of its own; Running()
  // says whether it came up.
  explicit Chromium(const std::string& program);
  // Closes the browser, kills it by its id if it does not go, and removes
  // the profile.
  ~Chromium();
  Chromium(const Chromium&) = delete;
  Chromium& operator=(const Chromium&) = delete;

  bool Running() const { return pid > 0; }

  // Sends a command (params a JSON object) and waits for its answer; the
  // answer's "result", or an empty tree with error set.
  Json Call(const std::string& method, const std::string& params, const std::string& session = "",
            std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // Opens url in a new page of width x height and returns the session to
  // talk to it.
  std::string Open(const std::string& url, int width, int height);

  // The value of a JavaScript expression in the page, as a string.
  std::string Evaluate(const std::string& session, const std::string& expression);

  // A real key event: "keyDown" or "keyUp", with the key's place (code), what
  // it types (key) and its Windows key code.
  void Key(const std::string& session, const std::string& type, const std::string& code,
           const std::string& key, int windowsCode);

  const std::string& Error() const { return error; }

 private:
  bool Send(const std::string& text) const;
  bool Receive(Json& message, std::chrono::steady_clock::time_point deadline);

  pid_t pid = -1;
  int toBrowser = -1;
  int fromBrowser = -1;
  int nextId = 1;
  std::string profile;
  std::string pending;  // bytes read past the last whole message
  std::string error;
};

}  // namespace torvelkan::web::testing
