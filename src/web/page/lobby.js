// An arena's lobby on the page, as the terminal client draws it: a box like
// the main menu's over bouncing dots, with the ways into a room, a code being
// typed, or the rooms to watch. Keys in, the choice they make out.

const LOBBY_ENTRIES = ['Start a room', 'Join a room by its code', 'Quick match', 'Watch a game',
  'Leave'];
const LOBBY_CHOICES = ['create', 'code', 'quick', 'list', 'leave'];
const BOX = { left: 22, right: 58, top: 16, bottom: 34, firstLine: 19, textColumn: 28 };
const FRAME_ATTRIBUTE = 7, TITLE_ATTRIBUTE = 14, SELECTED_ATTRIBUTE = 15, ENTRY_ATTRIBUTE = 7,
  HINT_ATTRIBUTE = 8;
const DOT_COLOURS = [4, 2, 1, 6, 3, 5];

const lobby = {
  page: 'menu',  // 'menu', 'code' or 'rooms'
  selected: 0,
  typed: '',
  rooms: { total: 0, rooms: [] },
  roomSelected: 0,
  message: '',
  waiting: false,
  // As the menu's, in the world's units: 400 across, 300 down.
  dots: Array.from({ length: 32 }, () => ({
    x: Math.random() * 400, y: Math.random() * 300,
    xVelocity: Math.random() - 0.5, yVelocity: Math.random() - 0.5,
    attribute: DOT_COLOURS[Math.floor(Math.random() * 6)] | 8,
  })),
};

function around(value, count) {
  return ((value % count) + count) % count;
}

// A key pressed in the lobby (its KeyboardEvent): the action it asks for, as
// { choice, code }, or null. While the server's answer is awaited only Esc
// acts, and leaves.
function lobbyKey(event) {
  if (lobby.waiting) {
    return event.code === 'Escape' ? { choice: 'leave' } : null;
  }
  const enter = event.code === 'Enter' || event.code === 'NumpadEnter';
  if (lobby.page === 'menu') {
    if (event.code === 'ArrowUp' || event.code === 'ArrowDown') {
      lobby.selected = around(lobby.selected + (event.code === 'ArrowUp' ? -1 : 1),
        LOBBY_ENTRIES.length);
      return null;
    }
    if (event.code === 'Escape') {
      return { choice: 'leave' };
    }
    if (!enter) {
      return null;
    }
    lobby.message = '';
    const choice = LOBBY_CHOICES[lobby.selected];
    if (choice === 'code') {
      lobby.page = 'code';
      lobby.typed = '';
      return null;
    }
    lobby.waiting = choice !== 'leave';
    return { choice };
  }
  if (lobby.page === 'code') {
    if (event.code === 'Escape') {
      lobby.page = 'menu';
    } else if (event.code === 'Backspace') {
      lobby.typed = lobby.typed.slice(0, -1);
    } else if (enter && lobby.typed !== '') {
      lobby.message = '';
      lobby.waiting = true;
      return { choice: 'join', code: lobby.typed };
    } else if (event.key.length === 1 && /^[0-9a-zA-Z]$/.test(event.key) &&
               lobby.typed.length < MAX_CODE) {
      // What the key types, whatever the layout: a code is letters and digits.
      lobby.typed += event.key.toLowerCase();
    }
    return null;
  }
  const count = lobby.rooms.rooms.length;
  if (event.code === 'Escape') {
    lobby.page = 'menu';
  } else if (event.code === 'ArrowUp' || event.code === 'ArrowDown') {
    lobby.roomSelected = count > 0
      ? around(lobby.roomSelected + (event.code === 'ArrowUp' ? -1 : 1), count) : 0;
  } else if (enter) {
    lobby.message = '';
    lobby.waiting = true;
    return count === 0 ? { choice: 'list' }
      : { choice: 'watch', code: lobby.rooms.rooms[lobby.roomSelected].code };
  }
  return null;
}

function lobbyShowRooms(list) {
  lobby.rooms = list;
  lobby.roomSelected = 0;
  lobby.page = 'rooms';
  lobby.waiting = false;
}

function lobbyShowMessage(text) {
  lobby.message = text;
  lobby.waiting = false;
}

function lobbyBackFromRoom(text) {
  lobby.page = 'menu';
  lobbyShowMessage(text);
}

// The dots move by elapsed ms, bounce off the world's edges, then fall.
function lobbyUpdate(elapsed) {
  const gravity = 0.001 * elapsed;
  for (const dot of lobby.dots) {
    dot.x += elapsed * dot.xVelocity;
    dot.y += elapsed * dot.yVelocity;
    if (dot.x < 0) {
      dot.x = 0;
      dot.xVelocity = -dot.xVelocity;
    } else if (dot.x >= 400) {
      dot.x = 399;
      dot.xVelocity = -dot.xVelocity;
    }
    if (dot.y < 0) {
      dot.y = 0;
      dot.yVelocity = -dot.yVelocity;
    } else if (dot.y >= 300) {
      dot.y = 299;
      dot.yVelocity = -dot.yVelocity;
    }
    dot.yVelocity += gravity;
  }
}

function lobbyRender(server) {
  clearGrid();
  for (const dot of lobby.dots) {
    putCell(Math.trunc(dot.x / 5), Math.trunc(dot.y / 6), 0x6f, dot.attribute);
  }
  for (let column = BOX.left; column <= BOX.right; ++column) {
    for (let row = BOX.top; row <= BOX.bottom; ++row) {
      putCell(column, row, 32, 0);
    }
    putCell(column, BOX.top - 1, 0x2d, FRAME_ATTRIBUTE);
    putCell(column, BOX.bottom + 1, 0x2d, FRAME_ATTRIBUTE);
  }
  for (let row = BOX.top; row <= BOX.bottom; ++row) {
    putCell(BOX.left - 1, row, 0x7c, FRAME_ATTRIBUTE);
    putCell(BOX.right + 1, row, 0x7c, FRAME_ATTRIBUTE);
  }
  putText(40, BOX.top, 'Torvelkan online', TITLE_ATTRIBUTE, ALIGN_CENTER);
  if (lobby.page === 'menu') {
    LOBBY_ENTRIES.forEach((entry, k) => {
      const row = BOX.firstLine + 2 * k;
      const chosen = k === lobby.selected;
      if (chosen) {
        putCell(BOX.textColumn - 2, row, 0x3e, SELECTED_ATTRIBUTE);
      }
      putText(BOX.textColumn, row, entry, chosen ? SELECTED_ATTRIBUTE : ENTRY_ATTRIBUTE,
        ALIGN_LEFT);
    });
  } else if (lobby.page === 'code') {
    putText(40, BOX.firstLine, 'The room\'s code:', ENTRY_ATTRIBUTE, ALIGN_CENTER);
    putText(40, BOX.firstLine + 2, lobby.typed.padEnd(MAX_CODE, '_'), SELECTED_ATTRIBUTE,
      ALIGN_CENTER);
    putText(40, BOX.firstLine + 6, 'Enter joins, Esc goes back', HINT_ATTRIBUTE, ALIGN_CENTER);
  } else if (lobby.rooms.rooms.length === 0) {
    putText(40, BOX.firstLine, 'No one is playing now.', ENTRY_ATTRIBUTE, ALIGN_CENTER);
    putText(40, BOX.firstLine + 6, 'Enter looks again, Esc goes back', HINT_ATTRIBUTE,
      ALIGN_CENTER);
  } else {
    putText(40, BOX.firstLine - 1, `Rooms being played: ${lobby.rooms.total}`, ENTRY_ATTRIBUTE,
      ALIGN_CENTER);
    lobby.rooms.rooms.forEach((room, k) => {
      const row = BOX.firstLine + 1 + k;
      const chosen = k === lobby.roomSelected;
      if (chosen) {
        putCell(BOX.left + 2, row, 0x3e, SELECTED_ATTRIBUTE);
      }
      const line = `${room.code}  ${room.players}${room.players === 1 ? ' player, ' : ' players, '}` +
          `${room.spectators} watching`;
      putText(BOX.left + 4, row, line, chosen ? SELECTED_ATTRIBUTE : ENTRY_ATTRIBUTE, ALIGN_LEFT);
    });
    putText(40, BOX.bottom - 2, 'Enter watches, Esc goes back', HINT_ATTRIBUTE, ALIGN_CENTER);
  }
  if (lobby.waiting) {
    putText(40, BOX.bottom - 1, 'Asking the server...', HINT_ATTRIBUTE, ALIGN_CENTER);
  }
  if (lobby.message !== '') {
    putText(40, BOX.bottom + 3, lobby.message.slice(0, COLUMNS - 2), ENTRY_ATTRIBUTE,
      ALIGN_CENTER);
  }
  putText(40, ROWS - 2, `Server ${server}`, HINT_ATTRIBUTE, ALIGN_CENTER);
  scheduleDraw();
}
