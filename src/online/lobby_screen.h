// The lobby as the player sees it: a box like the main menu's over bouncing
// dots, with the ways into a room, a code being typed, or the rooms to watch.
//
// Pure: keys in, the choice they make out, and a drawing into the grid. What
// the server says reaches the screen only as our own words, numbers and codes
// of checked characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/console_screen.h"
#include "net/lobby_messages.h"
#include "screens/menu_dot.h"

namespace torvelkan::online {

class LobbyScreen {
 public:
  enum class Page { kMenu, kCode, kRooms };
  enum class Choice { kNone, kCreate, kQuick, kList, kJoin, kWatch, kLeave };
  struct Action {
    Choice choice = Choice::kNone;
    std::string code;  // kJoin: the room's code; kWatch: its watch code
  };

  static constexpr int kEntryCount = 5;
  static constexpr int kDotCount = 32;

  // server: shown at the foot as the player typed it (a checked address).
  explicit LobbyScreen(std::string server);

  // A key pressed: Up and Down move, Enter chooses, Esc goes back (and from
  // the menu leaves); on the code's page letters and digits type, Backspace
  // rubs out. While an answer is awaited only Esc acts.
  Action OnKey(std::uint16_t code);

  // What the server said, in our own words; the wait for it is over.
  void ShowRooms(const net::RoomList& list);
  void ShowMessage(const std::string& text);
  // Back from a room: the menu, with what ended the room's session.
  void BackFromRoom(const std::string& text);
  void Wait() { waiting = true; }
  void StopWaiting() { waiting = false; }

  void Update(std::uint32_t elapsed);
  void Render(ConsoleScreen& screen) const;

  // What tests look at.
  Page CurrentPage() const { return page; }
  int Selected() const { return selected; }
  const std::string& Typed() const { return typed; }
  const std::string& Message() const { return message; }

 private:
  Action OnMenuKey(std::uint16_t code);
  Action OnCodeKey(std::uint16_t code);
  Action OnRoomsKey(std::uint16_t code);
  void RenderMenu(ConsoleScreen& screen) const;
  void RenderCode(ConsoleScreen& screen) const;
  void RenderRooms(ConsoleScreen& screen) const;

  std::string server;
  Page page = Page::kMenu;
  int selected = 0;
  std::string typed;
  net::RoomList rooms;
  int roomSelected = 0;
  std::string message;
  bool waiting = false;
  std::vector<MenuDot> dots;
};

}  // namespace torvelkan::online
