// The lobby as the player sees it.
#include "online/lobby_screen.h"

#include <utility>

#include "common/keys.h"
#include "net/messages.h"
#include "screens/menu_box.h"

namespace torvelkan::online {

namespace {

constexpr const char* kEntries[LobbyScreen::kEntryCount] = {
    "Start a room", "Join a room by its code", "Quick match", "Watch a game", "Leave"};
constexpr LobbyScreen::Choice kEntryChoices[LobbyScreen::kEntryCount] = {
    LobbyScreen::Choice::kCreate, LobbyScreen::Choice::kNone, LobbyScreen::Choice::kQuick,
    LobbyScreen::Choice::kList, LobbyScreen::Choice::kLeave};
constexpr int kJoinEntry = 1;

// The box, as the main menu's but wider for the list of rooms.
constexpr int kBoxLeft = 22;
constexpr int kBoxRight = 58;
constexpr int kBoxTop = 16;
constexpr int kBoxBottom = 34;
constexpr int kFirstLine = 19;
constexpr int kTextColumn = 28;

constexpr std::uint16_t kFrameAttribute = 7;
constexpr std::uint16_t kTitleAttribute = 14;
constexpr std::uint16_t kSelectedAttribute = 15;
constexpr std::uint16_t kEntryAttribute = 7;
constexpr std::uint16_t kHintAttribute = 8;

// The character a key types into a code, or 0.
char CodeCharacter(std::uint16_t code) {
  if (code >= vk::kA && code <= vk::kZ) {
    return static_cast<char>('a' + (code - vk::kA));
  }
  if (code >= vk::k0 && code <= vk::k0 + 9) {
    return static_cast<char>('0' + (code - vk::k0));
  }
  if (code >= vk::kNumpad0 && code <= vk::kNumpad0 + 9) {
    return static_cast<char>('0' + (code - vk::kNumpad0));
  }
  return 0;
}

int Around(int value, int count) { return (value % count + count) % count; }

}  // namespace

LobbyScreen::LobbyScreen(std::string serverName) : server(std::move(serverName)) {
  dots.reserve(kDotCount);
  for (int i = 0; i < kDotCount; ++i) {
    dots.push_back(RandomMenuDot());
  }
}

LobbyScreen::Action LobbyScreen::OnKey(std::uint16_t code) {
  if (waiting && code != vk::kEscape) {
    return {};
  }
  if (waiting) {
    return Action{Choice::kLeave, {}};  // the server keeps us waiting: leave it
  }
  switch (page) {
    case Page::kMenu: return OnMenuKey(code);
    case Page::kCode: return OnCodeKey(code);
    case Page::kRooms: return OnRoomsKey(code);
  }
  return {};
}

LobbyScreen::Action LobbyScreen::OnMenuKey(std::uint16_t code) {
  switch (code) {
    case vk::kUp: selected = Around(selected - 1, kEntryCount); return {};
    case vk::kDown: selected = Around(selected + 1, kEntryCount); return {};
    case vk::kEscape: return Action{Choice::kLeave, {}};
    case vk::kEnter: break;
    default: return {};
  }
  message.clear();
  if (selected == kJoinEntry) {
    page = Page::kCode;
    typed.clear();
    return {};
  }
  const Choice choice = kEntryChoices[selected];
  if (choice != Choice::kLeave) {
    waiting = true;
  }
  return Action{choice, {}};
}

LobbyScreen::Action LobbyScreen::OnCodeKey(std::uint16_t code) {
  if (code == vk::kEscape) {
    page = Page::kMenu;
    return {};
  }
  if (code == vk::kBack) {
    if (!typed.empty()) {
      typed.pop_back();
    }
    return {};
  }
  if (code == vk::kEnter) {
    if (typed.empty()) {
      return {};
    }
    message.clear();
    waiting = true;
    return Action{Choice::kJoin, typed};
  }
  const char c = CodeCharacter(code);
  if (c != 0 && typed.size() < net::kMaxCodeLength) {
    typed.push_back(c);
  }
  return {};
}

LobbyScreen::Action LobbyScreen::OnRoomsKey(std::uint16_t code) {
  const int count = static_cast<int>(rooms.rooms.size());
  switch (code) {
    case vk::kEscape: page = Page::kMenu; return {};
    case vk::kUp: roomSelected = count > 0 ? Around(roomSelected - 1, count) : 0; return {};
    case vk::kDown: roomSelected = count > 0 ? Around(roomSelected + 1, count) : 0; return {};
    case vk::kEnter:
      message.clear();
      waiting = true;
      if (count == 0) {
        return Action{Choice::kList, {}};  // look again
      }
      return Action{Choice::kWatch, rooms.rooms[static_cast<std::size_t>(roomSelected)].watchCode};
    default: return {};
  }
}

void LobbyScreen::ShowRooms(const net::RoomList& list) {
  rooms = list;
  roomSelected = 0;
  page = Page::kRooms;
  waiting = false;
}

void LobbyScreen::ShowMessage(const std::string& text) {
  message = text;
  waiting = false;
}

void LobbyScreen::BackFromRoom(const std::string& text) {
  page = Page::kMenu;
  ShowMessage(text);
}

void LobbyScreen::Update(std::uint32_t elapsed) {
  const float d = static_cast<float>(elapsed);
  const float g = 0.001f * d;  // the menu's gravity
  for (MenuDot& dot : dots) {
    MoveMenuDot(dot, d, g);
  }
}

void LobbyScreen::Render(ConsoleScreen& screen) const {
  screen.Clear();
  DrawDotsBehindBox(screen, dots, {kBoxLeft, kBoxRight, kBoxTop, kBoxBottom}, kFrameAttribute);
  screen.PutText(40, kBoxTop, "Torvelkan online", kTitleAttribute, kAlignCenter);
  switch (page) {
    case Page::kMenu: RenderMenu(screen); break;
    case Page::kCode: RenderCode(screen); break;
    case Page::kRooms: RenderRooms(screen); break;
  }
  if (waiting) {
    screen.PutText(40, kBoxBottom - 1, "Asking the server...", kHintAttribute, kAlignCenter);
  }
  if (!message.empty()) {
    screen.PutText(40, kBoxBottom + 3, message.substr(0, kColumns - 2), kEntryAttribute,
                   kAlignCenter);
  }
  screen.PutText(40, kRows - 2, "Server " + server, kHintAttribute, kAlignCenter);
}

void LobbyScreen::RenderMenu(ConsoleScreen& screen) const {
  for (int i = 0; i < kEntryCount; ++i) {
    const int row = kFirstLine + 2 * i;
    const bool chosen = i == selected;
    if (chosen) {
      screen.PutCell(kTextColumn - 2, row, '>', kSelectedAttribute);
    }
    screen.PutText(kTextColumn, row, kEntries[i], chosen ? kSelectedAttribute : kEntryAttribute,
                   kAlignLeft);
  }
}

void LobbyScreen::RenderCode(ConsoleScreen& screen) const {
  screen.PutText(40, kFirstLine, "The room's code:", kEntryAttribute, kAlignCenter);
  std::string field = typed;
  field.resize(net::kMaxCodeLength, '_');
  screen.PutText(40, kFirstLine + 2, field, kSelectedAttribute, kAlignCenter);
  screen.PutText(40, kFirstLine + 6, "Enter joins, Esc goes back", kHintAttribute, kAlignCenter);
}

void LobbyScreen::RenderRooms(ConsoleScreen& screen) const {
  if (rooms.rooms.empty()) {
    screen.PutText(40, kFirstLine, "No one is playing now.", kEntryAttribute, kAlignCenter);
    screen.PutText(40, kFirstLine + 6, "Enter looks again, Esc goes back", kHintAttribute,
                   kAlignCenter);
    return;
  }
  screen.PutText(40, kFirstLine - 1, "Rooms being played: " + std::to_string(rooms.total),
                 kEntryAttribute, kAlignCenter);
  for (std::size_t i = 0; i < rooms.rooms.size(); ++i) {
    const net::RoomEntry& room = rooms.rooms[i];
    const int row = kFirstLine + 1 + static_cast<int>(i);
    const bool chosen = static_cast<int>(i) == roomSelected;
    if (chosen) {
      screen.PutCell(kBoxLeft + 2, row, '>', kSelectedAttribute);
    }
    const std::string line = room.watchCode + "  " + std::to_string(room.players) +
                             (room.players == 1 ? " player, " : " players, ") +
                             std::to_string(room.spectators) + " watching";
    screen.PutText(kBoxLeft + 4, row, line, chosen ? kSelectedAttribute : kEntryAttribute,
                   kAlignLeft);
  }
  screen.PutText(40, kBoxBottom - 2, "Enter watches, Esc goes back", kHintAttribute, kAlignCenter);
}

}  // namespace torvelkan::online
