// A peer over a transport of whole messages (a browser's WebSocket), without
// a socket: one protocol message per transport message each way, the same
// bounds on a slow reader as over TCP, and each end told when the other goes.
#include "net/message_pipe.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "net/message_stream.h"
#include "net/messages.h"
#include "net/peer_link.h"

namespace torvelkan::net {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The type of the one whole message in bytes, or 0 when it is not one.
std::uint8_t OneMessage(const Bytes& bytes) {
  MessageReader reader;
  reader.Feed(bytes);
  Message message;
  return reader.Next(message) == MessageReader::Result::kMessage && reader.Held() == 0
             ? message.type
             : 0;
}

TEST(MessagePipe, EachTransportMessageCarriesExactlyOneProtocolMessage) {
  auto pipe = std::make_shared<MessagePipe>();
  PeerLink link(pipe, "203.0.113.5", 1000);
  EXPECT_FALSE(link.Ready());

  Bytes hello;
  AppendHello(Hello{kProtocolVersion, Role::kGuest, "k7m2q9xp"}, hello);
  pipe->Arrive(hello);
  ASSERT_TRUE(link.Ready());
  std::array<std::uint8_t, 16> unused{};
  ASSERT_TRUE(link.Receive(unused));
  EXPECT_FALSE(link.Ready());
  Message message;
  ASSERT_EQ(link.Next(message), MessageReader::Result::kMessage);
  EXPECT_EQ(message.type, static_cast<std::uint8_t>(MessageType::kHello));
  EXPECT_EQ(link.Next(message), MessageReader::Result::kNone);

  // Out: what is queued goes to the pipe whole at each write, one message
  // to each of the transport's.
  const LinkSettings settings;
  AppendWelcome(Role::kGuest, link.Output());
  AppendHeartbeat(link.Output());
  AppendBye(ByeReason::kLeft, link.Output());
  const std::size_t queued = link.Output().size();
  EXPECT_EQ(link.Write(settings), queued);
  EXPECT_EQ(link.Pending(), 0u);
  EXPECT_EQ(link.Behind(), queued);
  std::vector<std::uint8_t> types;
  while (const Bytes* next = pipe->NextOutgoing()) {
    types.push_back(OneMessage(*next));
    pipe->Sent();
  }
  EXPECT_EQ(types, (std::vector<std::uint8_t>{2, 6, 7}));
  EXPECT_EQ(link.Behind(), 0u);

  // Two messages in one transport message, half of one, or none (a
  // WebSocket's text message arrives empty) break the stream.
  for (const std::size_t size : {hello.size() * 2, hello.size() - 1, std::size_t{0}}) {
    auto other = std::make_shared<MessagePipe>();
    PeerLink broken(other, "203.0.113.5", 1000);
    Bytes twice = hello;
    twice.insert(twice.end(), hello.begin(), hello.end());
    twice.resize(size);
    other->Arrive(twice);
    ASSERT_TRUE(broken.Ready()) << size;
    ASSERT_TRUE(broken.Receive(unused));
    EXPECT_EQ(broken.Next(message), MessageReader::Result::kError) << size;
    EXPECT_EQ(broken.ReaderError(), "a WebSocket message that is not one whole message");
  }
}

TEST(MessagePipe, ASlowBrowserSkipsFramesAndIsDroppedAndEachEndHearsTheOtherGo) {
  auto pipe = std::make_shared<MessagePipe>();
  LinkSettings settings;
  {
    PeerLink link(pipe, "203.0.113.5", 1000);
    link.Join(1000, settings);
    // The transport sends nothing: frames stop once a bound's worth waits.
    CellGrid grid{};
    std::size_t frames = 0;
    for (std::uint32_t now = 1000; now < 1400; now += settings.framePeriodMs) {
      for (Cell& cell : grid) {
        cell.Char.UnicodeChar = static_cast<char16_t>('a' + now % 26);
      }
      const std::size_t before = link.Output().size();
      link.QueueFrame(grid, now, settings);
      frames += link.Output().size() > before ? 1 : 0;
      link.Write(settings);
      EXPECT_EQ(link.CheckTimes(now, settings), PeerLink::Lapse::kNone) << now;
    }
    EXPECT_LE(link.Behind(), settings.frameSkipBytes + 8192u);
    EXPECT_LT(frames, 4u);
    link.Heard(1400 + settings.stallMs);  // still heard from, but not reading
    EXPECT_EQ(link.CheckTimes(1400 + settings.stallMs + 1, settings), PeerLink::Lapse::kNotReading);

    // The transport ends: the link reads its end and is gone.
    EXPECT_FALSE(pipe->LinkGone());
    pipe->EndPeer();
    ASSERT_TRUE(link.Ready());
    std::array<std::uint8_t, 16> unused{};
    EXPECT_FALSE(link.Receive(unused));
    EXPECT_TRUE(link.Gone());
  }
  EXPECT_TRUE(pipe->LinkGone());

  // A link given another pipe lets go of its first.
  auto first = std::make_shared<MessagePipe>();
  PeerLink moved(first, "203.0.113.6", 1000);
  moved = PeerLink(std::make_shared<MessagePipe>(), "203.0.113.7", 1000);
  EXPECT_TRUE(first->LinkGone());
  EXPECT_FALSE(moved.Gone()) << "the link holds its second pipe";
}

}  // namespace
}  // namespace torvelkan::net
