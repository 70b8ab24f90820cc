// Headless Chromium driven through its DevTools protocol on a pair of pipes.
#include "web/devtools_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkdtemp is POSIX's
#include <sys/wait.h>
#include <unistd.h>

#include <boost/property_tree/json_parser.hpp>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <vector>

namespace torvelkan::web::testing {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The machine's network is closed: nothing may try to reach beyond it.
const char* const kFlags[] = {
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-extensions",
    "--remote-debugging-pipe",
    "--mute-audio",
    "about:blank",
};

bool WaitGone(pid_t child, std::chrono::milliseconds limit) {
  const auto until = SteadyClock::now() + limit;
  while (SteadyClock::now() < until) {
    if (waitpid(child, nullptr, WNOHANG) == child) {
      return true;
    }
    usleep(10000);
  }
  return false;
}

}  // namespace

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

Chromium::Chromium(const std::string& program) {
  std::string folder = (std::filesystem::temp_directory_path() / "torvelkan-chromium-XXXXXX");
  if (mkdtemp(folder.data()) == nullptr) {
    error = "no folder for the profile";
    return;
  }
  profile = folder;
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    error = "no pipes";
    return;
  }
  std::vector<std::string> arguments{program, "--user-data-dir=" + profile};
  arguments.insert(arguments.begin() + 1, std::begin(kFlags), std::end(kFlags));
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  const std::string log = profile + "/browser.log";
  pid = fork();
  if (pid == 0) {
    // The browser reads commands on descriptor 3 and answers on 4.
    const int commands = dup(in[0]);
    const int answers = dup(out[1]);
    dup2(commands, 3);
    dup2(answers, 4);
    const int sink = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(sink, 1);
    dup2(sink, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  toBrowser = in[1];
  fromBrowser = out[0];
  if (pid < 0) {
    error = "cannot start the browser";
    return;
  }
  // The browser is up once it answers.
  const Json version = Call("Browser.getVersion", "{}", "", std::chrono::seconds(20));
  if (version.get<std::string>("product", "").empty()) {
    error = "the browser did not answer: " + error;
  }
}

Chromium::~Chromium() {
  if (pid > 0) {
    Send(R"({"id":999999,"method":"Browser.close","params":{}})");
    if (!WaitGone(pid, std::chrono::seconds(5))) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  for (const int fd : {toBrowser, fromBrowser}) {
    if (fd >= 0) {
      close(fd);
    }
  }
  if (!profile.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(profile, ignored);
  }
}

bool Chromium::Send(const std::string& text) const {
  std::string bytes = text;
  bytes.push_back('\0');
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = write(toBrowser, bytes.data() + sent, bytes.size() - sent);
    if (n <= 0) {
      return false;
    }
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool Chromium::Receive(Json& message, SteadyClock::time_point deadline) {
  for (;;) {
    const std::size_t end = pending.find('\0');
    if (end != std::string::npos) {
      std::istringstream text(pending.substr(0, end));
      pending.erase(0, end + 1);
      message.clear();
      try {
        boost::property_tree::read_json(text, message);
      } catch (const std::exception& fault) {
        error = std::string("an answer that is not JSON: ") + fault.what();
        return false;
      }
      return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) {
      error = "no answer in time";
      return false;
    }
    pollfd entry{fromBrowser, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
      continue;
    }
    char buffer[65536];
    const ssize_t n = read(fromBrowser, buffer, sizeof buffer);
    if (n <= 0) {
      error = "the browser closed its pipe";
      return false;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
  }
}

Json Chromium::Call(const std::string& method, const std::string& params,
                    const std::string& session, std::chrono::milliseconds timeout) {
  const int id = nextId++;
  std::string text =
      "{\"id\":" + std::to_string(id) + ",\"method\":" + Quote(method) + ",\"params\":" + params;
  if (!session.empty()) {
    text += ",\"sessionId\":" + Quote(session);
  }
  text += "}";
  if (!Send(text)) {
    error = "cannot write to the browser";
    return {};
  }
  const auto deadline = SteadyClock::now() + timeout;
  Json message;
  while (Receive(message, deadline)) {
    if (message.get<int>("id", -1) != id) {
      continue;  // an event, or the answer to another session's command
    }
    if (const auto fault = message.get_child_optional("error")) {
      error = method + ": " + fault->get<std::string>("message", "an error");
      return {};
    }
    return message.get_child("result", Json());
  }
  return {};
}

std::string Chromium::Open(const std::string& url, int width, int height) {
  const Json target =
      Call("Target.createTarget", "{\"url\":" + Quote(url) + ",\"width\":" + std::to_string(width) +
                                      ",\"height\":" + std::to_string(height) +
                                      ",\"newWindow\":true" + "}");
  const std::string id = target.get<std::string>("targetId", "");
  if (id.empty()) {
    return {};
  }
  const Json attached =
      Call("Target.attachToTarget", "{\"targetId\":" + Quote(id) + ",\"flatten\":true}");
  std::string session = attached.get<std::string>("sessionId", "");
  if (!session.empty()) {
    // Keys go to the focused page, as they would in a window in front.
    Call("Emulation.setFocusEmulationEnabled", R"({"enabled":true})", session);
    Call("Page.bringToFront", "{}", session);
  }
  return session;
}

std::string Chromium::Evaluate(const std::string& session, const std::string& expression) {
  const Json result =
      Call("Runtime.evaluate", "{\"expression\":" + Quote(expression) + ",\"returnByValue\":true}",
           session);
  return result.get<std::string>("result.value", "");
}

void Chromium::Key(const std::string& session, const std::string& type, const std::string& code,
                   const std::string& key, int windowsCode) {
  Call("Input.dispatchKeyEvent",
       "{\"type\":" + Quote(type) + ",\"code\":" + Quote(code) + ",\"key\":" + Quote(key) +
           ",\"windowsVirtualKeyCode\":" + std::to_string(windowsCode) + "}",
       session);
}

}  // namespace torvelkan::web::testing
