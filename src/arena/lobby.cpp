// The arena's rooms and what the lobby does with them.
#include "arena/lobby.h"

#include <algorithm>
#include <utility>

#include "net/join_code.h"

namespace torvelkan::arena {

namespace {

std::uint32_t Milliseconds(std::int64_t microseconds) {
  return static_cast<std::uint32_t>(microseconds / 1000);
}

}  // namespace

Lobby::Lobby(const ArenaSettings& given, CodeSource source)
    : settings(given),
      newCode(std::move(source)),
      guard(given.wrongCodesPerSecond, given.unlimitedAddresses) {}

bool Lobby::Limited(const std::string& address) const {
  return std::find(settings.unlimitedAddresses.begin(), settings.unlimitedAddresses.end(),
                   address) == settings.unlimitedAddresses.end();
}

Room::Codes Lobby::FreshCodes() const {
  // Two codes of 40 bits each meet another room's with no real chance, but
  // a meeting would hand one room's seats to another's players.
  Room::Codes codes;
  do {
    codes.play = newCode();
  } while (Find(codes.play, true) != nullptr);
  do {
    codes.watch = newCode();
  } while (codes.watch == codes.play || Find(codes.watch, true) != nullptr);
  return codes;
}

Room* Lobby::Open(const std::string& address, bool quick, std::uint32_t nowMs,
                  net::LobbyRefusal& refusal) {
  if (rooms.size() >= settings.maxRooms) {
    refusal = net::LobbyRefusal::kServerFull;
    return nullptr;
  }
  if (Limited(address)) {
    const auto made = std::count_if(rooms.begin(), rooms.end(),
                                    [&](const auto& room) { return room->Creator() == address; });
    if (static_cast<std::size_t>(made) >= settings.maxRoomsPerAddress) {
      refusal = net::LobbyRefusal::kTooManyRooms;
      return nullptr;
    }
  }
  rooms.push_back(std::make_unique<Room>(FreshCodes(), address, quick, nowMs, settings.roomWaitMs));
  rooms.back()->Promise(address, nowMs);
  return rooms.back().get();
}

Room* Lobby::QuickMatch(const std::string& address, std::uint32_t nowMs,
                        net::LobbyRefusal& refusal) {
  // Rooms stay in the order they were made: the first found waits longest.
  Room* waiting = nullptr;
  Room* fresh = nullptr;
  for (const auto& room : rooms) {
    if (!room->Quick() || room->FreeSeats(nowMs) == 0) {
      continue;
    }
    if (room->Players() == 1 && waiting == nullptr) {
      waiting = room.get();
    } else if (room->Players() == 0 && fresh == nullptr) {
      fresh = room.get();
    }
  }
  Room* room = waiting != nullptr ? waiting : fresh;
  if (room == nullptr) {
    return Open(address, true, nowMs, refusal);
  }
  room->Promise(address, nowMs);
  return room;
}

net::RoomList Lobby::List() const {
  std::vector<const Room*> playing;
  for (const auto& room : rooms) {
    if (room->Players() > 0) {
      playing.push_back(room.get());
    }
  }
  std::stable_sort(playing.begin(), playing.end(), [](const Room* a, const Room* b) {
    return a->Players() + a->Spectators() > b->Players() + b->Spectators();
  });
  net::RoomList list;
  list.total = static_cast<std::uint16_t>(std::min<std::size_t>(playing.size(), 0xFFFF));
  for (std::size_t i = 0; i < playing.size() && i < net::kMaxListedRooms; ++i) {
    list.rooms.push_back(net::RoomEntry{
        playing[i]->WatchCode(), static_cast<std::uint8_t>(playing[i]->Players()),
        static_cast<std::uint8_t>(std::min<std::size_t>(playing[i]->Spectators(), 0xFF))});
  }
  return list;
}

Room* Lobby::Find(const std::string& code, bool watchCodeToo) const {
  // Every room is looked at, in time that does not depend on where a code
  // differs.
  Room* found = nullptr;
  for (const auto& room : rooms) {
    const bool play = net::SameCode(code, room->Code());
    const bool watch = net::SameCode(code, room->WatchCode());
    if (play || (watchCodeToo && watch)) {
      found = room.get();
    }
  }
  return found;
}

Admission Lobby::Admit(const net::Hello& hello, const std::string& address, std::int64_t nowUs,
                       std::uint32_t tick) {
  Admission admission;
  if (!net::Welcomed(hello.version)) {
    admission.refusal = net::RefuseReason::kVersion;
    admission.why = "it speaks protocol version " + std::to_string(hello.version);
    return admission;
  }
  const bool player = hello.role == net::Role::kGuest;
  Room* room = Find(hello.code, !player);
  // A player the lobby has just handed this code to is no guesser: it comes
  // in whatever guessers elsewhere have cost everyone else.
  const bool promised = player && room != nullptr && room->PromisedTo(address, Milliseconds(nowUs));
  const CodeGuard::Verdict verdict =
      promised ? CodeGuard::Verdict::kRight
               : guard.Judge(address, room != nullptr, Milliseconds(nowUs));
  switch (verdict) {
    case CodeGuard::Verdict::kWait:
      admission.refusal = net::RefuseReason::kTooManyTries;
      admission.why = "too many wrong codes";
      return admission;
    case CodeGuard::Verdict::kWrong:
      admission.refusal = net::RefuseReason::kWrongCode;
      admission.why = "no room has that code";
      return admission;
    case CodeGuard::Verdict::kRight: break;
  }
  if (room == nullptr) {  // a right code names a room; said again for the reader
    admission.refusal = net::RefuseReason::kWrongCode;
    return admission;
  }
  if (player) {
    admission.seat = room->Seat(nowUs, tick, address);
    if (!admission.seat.has_value()) {
      admission.refusal = net::RefuseReason::kGuestTaken;
      admission.why = "both seats are taken";
      return admission;
    }
  } else if (room->Spectators() >= settings.maxSpectatorsPerRoom) {
    admission.refusal = net::RefuseReason::kFull;
    admission.why = "no spectator place left";
    return admission;
  } else {
    room->Watch();
  }
  admission.room = room;
  return admission;
}

void Lobby::RemoveEnded(std::uint32_t nowMs, const std::function<void(Room&)>& closing) {
  std::erase_if(rooms, [&](const auto& room) {
    if (!room->Ended(nowMs)) {
      return false;
    }
    closing(*room);
    return true;
  });
}

}  // namespace torvelkan::arena
