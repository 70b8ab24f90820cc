// The page's keys, and its start: the last part of page.js.

function releaseAll() {
  for (const key of held.values()) {
    send(message(KEY, [key, 0]));
  }
  held.clear();
}

const LOBBY_KEYS = ['ArrowUp', 'ArrowDown', 'Enter', 'NumpadEnter', 'Escape', 'Backspace'];

window.addEventListener('keydown', (event) => {
  // The browser's own shortcuts (with Ctrl, Alt or the system key) stay its own.
  if (event.ctrlKey || event.altKey || event.metaKey) {
    return;
  }
  if (stage === 'lobby') {
    if (LOBBY_KEYS.includes(event.code) || event.key.length === 1) {
      event.preventDefault();
    }
    const action = joined ? lobbyKey(event) : null;
    if (action !== null) {
      lobbyChoice(action);
    }
    if (stage === 'lobby') {
      lobbyRender(location.host);  // the choice shows at once
    }
    return;
  }
  const leaving = stage === 'room' && event.code === 'Escape';
  const key = (stage === 'game' ? GAME_KEYS : FIGHTER_KEYS).get(event.code);
  if (key === undefined && !leaving) {
    return;
  }
  event.preventDefault();
  if (event.repeat || held.has(event.code) || !joined) {
    return;
  }
  if (leaving) {
    // As a terminal guest does: goodbye to the room, back to the lobby.
    send(message(BYE, [BYE_LEFT]));
    backToLobby('');
    return;
  }
  if (role === SPECTATOR) {
    if (event.code === 'Escape') {
      send(message(BYE, [BYE_LEFT]));
      end('you left');
    }
    return;
  }
  held.set(event.code, key);
  send(message(KEY, [key, 1]));
});

window.addEventListener('keyup', (event) => {
  const key = held.get(event.code);
  if (key !== undefined) {
    event.preventDefault();
    held.delete(event.code);
    send(message(KEY, [key, 0]));
  }
});

// Keys let go while the page cannot see them would stay held for ever.
window.addEventListener('blur', releaseAll);
window.addEventListener('pagehide', releaseAll);
document.addEventListener('visibilitychange', () => {
  if (document.hidden) {
    releaseAll();
  }
});

window.addEventListener('resize', fit);

// What the page shows, for tests and the tools that measure it: the grid as
// hexadecimal, a character and an attribute per cell, row by row; the state
// line; the bytes received; and calls as frames come and are drawn.
window.torvelkan = Object.freeze({
  grid: () => Array.from(chars, (c, i) =>
    c.toString(16).padStart(2, '0') + attributes[i].toString(16).padStart(2, '0')).join(''),
  status: () => statusLine.textContent,
  view: () => (layout.square ? 'square' : 'tall'),
  received: () => received,
  observe: (callback) => { observer = typeof callback === 'function' ? callback : null; },
});

fit();
canvas.focus();
if (!inArena) {
  playGame();
} else {
  // A link with a room's code (…/#k7m2q9xp) goes straight into that room.
  const linked = location.hash.slice(1).replace(/-/g, '').toLowerCase();
  if (isCode(linked)) {
    enterRoom(linked, PLAYER);
  } else {
    openLobby();
  }
}
