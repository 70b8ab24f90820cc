// What a browser may ask of the game's web server: the page's files and its
// WebSocket under the code, from this server's own names and own page only.
#include "web/request_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "web/page_files.h"

namespace torvelkan::web {
namespace {

constexpr std::uint16_t kPort = 41961;
constexpr char kHost[] = "127.0.0.1:41961";
constexpr char kOrigin[] = "http://127.0.0.1:41961";

struct Case {
  const char* method;
  const char* target;
  const char* host;
  const char* origin;
  bool upgrade;
  Answer answer;
  const char* code;  // what the caller must check, "" for nothing
};

TEST(RequestRules, OnlyThePagesFilesAndItsWebSocketUnderTheCodeAreServed) {
  const Case cases[] = {
      {"GET", "/k7m2q9xp/", kHost, "", false, Answer::kPage, "k7m2q9xp"},
      {"GET", "/k7m2q9xp/page.js", kHost, "", false, Answer::kScript, "k7m2q9xp"},
      {"GET", "/k7m2q9xp/page.css", kHost, "", false, Answer::kStyle, "k7m2q9xp"},
      {"GET", "/k7m2q9xp/play", kHost, kOrigin, true, Answer::kPlay, "k7m2q9xp"},
      {"GET", "/k7m2q9xp", kHost, "", false, Answer::kAddSlash, "k7m2q9xp"},
      // A wrong code is the caller's to find; the shape of one is checked here.
      {"GET", "/aaaaaaaa/", kHost, "", false, Answer::kPage, "aaaaaaaa"},
      {"GET", "/", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "/favicon.ico", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "/K7M2Q9XP/", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "/k7m2q9xp/../etc/passwd", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "/k7m2q9xp/page.js?x=1", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "/k7m2q9xp//", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "/0123456789abcdefg/", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "k7m2q9xp/", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "http://127.0.0.1:41961/k7m2q9xp/", kHost, "", false, Answer::kNotFound, ""},
      {"GET", "", kHost, "", false, Answer::kNotFound, ""},
      {"POST", "/k7m2q9xp/", kHost, "", false, Answer::kWrongMethod, ""},
      {"get", "/k7m2q9xp/", kHost, "", false, Answer::kWrongMethod, ""},
      // The WebSocket only from the page's own origin, and only as one.
      {"GET", "/k7m2q9xp/play", kHost, "", false, Answer::kNeedsUpgrade, ""},
      {"GET", "/k7m2q9xp/play", kHost, "", true, Answer::kWrongOrigin, ""},
      {"GET", "/k7m2q9xp/play", kHost, "null", true, Answer::kWrongOrigin, ""},
      {"GET", "/k7m2q9xp/play", kHost, "https://127.0.0.1:41961", true, Answer::kWrongOrigin, ""},
      {"GET", "/k7m2q9xp/play", kHost, "http://evil.example:41961", true, Answer::kWrongOrigin, ""},
      {"GET", "/k7m2q9xp/play", kHost, "http://127.0.0.1:41962", true, Answer::kWrongOrigin, ""},
      {"GET", "/k7m2q9xp/play", kHost, "http://127.0.0.1:41961/", true, Answer::kWrongOrigin, ""},
      {"GET", "/k7m2q9xp/", kHost, "", true, Answer::kNotFound, ""},
      // Loopback names only, with this server's port: a name of another site
      // made to point here is turned away before any code is looked at.
      {"GET", "/k7m2q9xp/", "localhost:41961", "", false, Answer::kPage, "k7m2q9xp"},
      {"GET", "/k7m2q9xp/", "LocalHost:41961", "", false, Answer::kPage, "k7m2q9xp"},
      {"GET", "/k7m2q9xp/", "[::1]:41961", "", false, Answer::kPage, "k7m2q9xp"},
      {"GET", "/k7m2q9xp/", "127.1.2.3:41961", "", false, Answer::kPage, "k7m2q9xp"},
      {"GET", "/k7m2q9xp/play", "localhost:41961", "http://localhost:41961", true, Answer::kPlay,
       "k7m2q9xp"},
      {"GET", "/k7m2q9xp/", "evil.example:41961", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.1", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.1:80", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.1:41960", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.256:41961", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.1.evil.example:41961", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "192.168.1.20:41961", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.1:41961\r\nX: y", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.1:", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "[::1]:", "", false, Answer::kWrongHost, ""},
      {"GET", "/k7m2q9xp/", "127.0.0.1:041961", "", false, Answer::kWrongHost, ""},
  };
  const Served served{kPort, true};
  for (const Case& c : cases) {
    const Judgement judgement =
        JudgeRequest(Request{c.method, c.target, c.host, c.origin, c.upgrade}, served);
    EXPECT_EQ(judgement.answer, c.answer) << c.method << " " << c.target << " Host " << c.host;
    EXPECT_EQ(judgement.code, c.code) << c.target;
  }
  // Listening on every address, any name of this machine will do.
  const Judgement far = JudgeRequest(Request{"GET", "/k7m2q9xp/", "192.168.1.20:41961", "", false},
                                     Served{kPort, false});
  EXPECT_EQ(far.answer, Answer::kPage);
}

TEST(RequestRules, AnArenasDoorServesItsPageUnderAnyNameAndItsWebSocketOnlyToItsOwnPage) {
  constexpr char kName[] = "game.example.org";
  struct DoorCase {
    const char* method;
    const char* target;
    const char* host;
    const char* origin;
    bool upgrade;
    Answer answer;
  };
  const DoorCase cases[] = {
      {"GET", "/", kName, "", false, Answer::kPage},
      {"GET", "/", "game.example.org:8080", "", false, Answer::kPage},
      {"GET", "/", "[2001:db8::1]:41962", "", false, Answer::kPage},
      {"GET", "/page.js", kName, "", false, Answer::kScript},
      {"GET", "/page.css", kName, "", false, Answer::kStyle},
      {"GET", "/play", kName, "http://game.example.org", true, Answer::kPlay},
      // Behind a proxy that speaks TLS, the page's own origin is https.
      {"GET", "/play", kName, "https://game.example.org", true, Answer::kPlay},
      {"GET", "/play", kName, "http://evil.example", true, Answer::kWrongOrigin},
      {"GET", "/play", kName, "http://game.example.org.evil.example", true, Answer::kWrongOrigin},
      {"GET", "/play", kName, "", true, Answer::kWrongOrigin},
      {"GET", "/play", kName, "null", true, Answer::kWrongOrigin},
      {"GET", "/play", kName, "ftp://game.example.org", true, Answer::kWrongOrigin},
      {"GET", "/play", kName, "", false, Answer::kNeedsUpgrade},
      {"GET", "/", kName, "http://game.example.org", true, Answer::kNotFound},
      // Nothing else, and no file at all.
      {"GET", "/../../etc/passwd", kName, "", false, Answer::kNotFound},
      {"GET", "/%2e%2e/%2e%2e/etc/passwd", kName, "", false, Answer::kNotFound},
      {"GET", "/page.js/../../../etc/passwd", kName, "", false, Answer::kNotFound},
      {"GET", "//etc/passwd", kName, "", false, Answer::kNotFound},
      {"GET", "/index.html", kName, "", false, Answer::kNotFound},
      {"GET", "/k7m2q9xp/", kName, "", false, Answer::kNotFound},
      {"GET", "/?room=k7m2q9xp", kName, "", false, Answer::kNotFound},
      {"GET", "*", kName, "", false, Answer::kNotFound},
      {"HEAD", "/", kName, "", false, Answer::kWrongMethod},
      {"POST", "/play", kName, "http://game.example.org", true, Answer::kWrongMethod},
      {"GET", "/", "", "", false, Answer::kWrongHost},
      {"GET", "/", "game example", "", false, Answer::kWrongHost},
      {"GET", "/", "game.example.org\r\nX: y", "", false, Answer::kWrongHost},
      {"GET", "/", "game.example.org:99999", "", false, Answer::kWrongHost},
  };
  for (const DoorCase& c : cases) {
    const Judgement judgement =
        JudgeDoorRequest(Request{c.method, c.target, c.host, c.origin, c.upgrade});
    EXPECT_EQ(judgement.answer, c.answer)
        << c.method << " " << c.target << " Host " << c.host << " Origin " << c.origin;
    EXPECT_EQ(judgement.code, "") << c.target;
  }
}

bool Has(const Response& response, const std::string& name, const std::string& value) {
  return std::any_of(response.headers.begin(), response.headers.end(), [&](const auto& header) {
    return header.first == name && header.second == value;
  });
}

TEST(RequestRules, EveryAnswerIsCarefulAndThePageMayRunOnlyItsOwnScript) {
  for (int answer = 0; answer <= static_cast<int>(Answer::kNeedsUpgrade); ++answer) {
    Judgement judgement{static_cast<Answer>(answer), "k7m2q9xp"};
    const Response response = ResponseFor(judgement);
    EXPECT_TRUE(Has(response, "X-Content-Type-Options", "nosniff")) << answer;
    EXPECT_TRUE(Has(response, "Referrer-Policy", "no-referrer")) << answer;
    EXPECT_TRUE(Has(response, "Cache-Control", "no-store")) << answer;
    const auto policy =
        std::find_if(response.headers.begin(), response.headers.end(),
                     [](const auto& h) { return h.first == "Content-Security-Policy"; });
    ASSERT_NE(policy, response.headers.end()) << answer;
    EXPECT_TRUE(policy->second.starts_with("default-src 'none';")) << policy->second;
    EXPECT_NE(policy->second.find("frame-ancestors 'none'"), std::string::npos) << answer;
    EXPECT_FALSE(response.contentType.empty());
    EXPECT_TRUE(response.body.empty() != response.text.empty()) << answer;
  }
  const Response page = ResponseFor(Judgement{Answer::kPage, "k7m2q9xp"});
  EXPECT_EQ(page.status, 200u);
  EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
  EXPECT_TRUE(Has(page, "Content-Security-Policy",
                  "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
                  "base-uri 'none'; form-action 'none'; frame-ancestors 'none'"));
  EXPECT_EQ(ResponseFor(Judgement{Answer::kScript, "k"}).contentType,
            "text/javascript; charset=utf-8");
  EXPECT_EQ(ResponseFor(Judgement{Answer::kStyle, "k"}).contentType, "text/css; charset=utf-8");
  const Response slash = ResponseFor(Judgement{Answer::kAddSlash, "k7m2q9xp"});
  EXPECT_EQ(slash.status, 308u);
  EXPECT_TRUE(Has(slash, "Location", "/k7m2q9xp/"));
  EXPECT_EQ(ResponseFor(Judgement{Answer::kWrongCode, "k"}).status, 404u);
  EXPECT_EQ(ResponseFor(Judgement{Answer::kTooManyTries, "k"}).status, 429u);
  EXPECT_EQ(ResponseFor(Judgement{Answer::kWrongOrigin, "k"}).status, 403u);
}

TEST(RequestRules, ThePageFetchesNothingFromElsewhere) {
  const auto text = [](std::span<const unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
  };
  const std::string html = text(PageHtml());
  EXPECT_NE(html.find("<script src=\"page.js\""), std::string::npos);
  EXPECT_NE(html.find("<link rel=\"stylesheet\" href=\"page.css\">"), std::string::npos);
  for (const std::string& file : {html, text(PageScript()), text(PageStyle())}) {
    for (const char* far : {"http:", "https:", "//cdn", "@import", "url(", "eval(", "innerHTML"}) {
      EXPECT_EQ(file.find(far), std::string::npos) << far;
    }
  }
}

}  // namespace
}  // namespace torvelkan::web
