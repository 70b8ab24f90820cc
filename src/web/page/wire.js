// The game's protocol as the terminal clients speak it: each WebSocket
// message is one message, its 16-bit length first; every message checked to
// the byte before anything is shown, and no text from the other side ever
// shown, only our own words for its numbers and codes of checked characters.

const PROTOCOL_VERSION = 1;
const MAX_MESSAGE = 8192;
const MAX_CODE = 16;
const MAGIC = [0x54, 0x56, 0x4b, 0x4e];
const HELLO = 1, WELCOME = 2, REFUSE = 3, FRAME = 4, KEY = 5, HEARTBEAT = 6, BYE = 7;
const LOBBY_HELLO = 8, LOBBY_WELCOME = 9, LOBBY_REQUEST = 10, ROOM_READY = 11, ROOM_LIST = 12,
  LOBBY_REFUSE = 13, SERVER_BYE = 14;
const PLAYER = 1, SPECTATOR = 2;
const BYE_LEFT = 1, BYE_PROTOCOL = 4;
const OPEN_ROOM = 1, QUICK_MATCH = 2, LIST_ROOMS = 3;
const SERVER_STOPPING = 1;
const HEARTBEAT_MS = 500;
const SILENCE_MS = 3000;

function message(type, payload) {
  const length = 1 + payload.length;
  const bytes = new Uint8Array(2 + length);
  bytes[0] = length >> 8;
  bytes[1] = length & 255;
  bytes[2] = type;
  bytes.set(payload, 3);
  return bytes;
}

function codeBytes(code) {
  return [code.length, ...Array.from(code, (c) => c.charCodeAt(0) & 255)];
}

function helloMessage(code, role) {
  return message(HELLO, [...MAGIC, PROTOCOL_VERSION >> 8, PROTOCOL_VERSION & 255, role,
    ...codeBytes(code)]);
}

function lobbyHelloMessage() {
  return message(LOBBY_HELLO, [...MAGIC, PROTOCOL_VERSION >> 8, PROTOCOL_VERSION & 255]);
}

// A join code's characters: digits and lower-case letters.
function isCode(text) {
  return /^[0-9a-z]{1,16}$/.test(text);
}

// A WebSocket message as [type, payload], or null when it is not one whole
// message.
function unwrap(bytes) {
  const length = bytes.length >= 2 ? (bytes[0] << 8) | bytes[1] : -1;
  if (length < 1 || length > MAX_MESSAGE || length !== bytes.length - 2) {
    return null;
  }
  return [bytes[2], bytes.subarray(3)];
}

// A code at payload[at]: [code, where it ends], or null.
function readCode(payload, at) {
  const length = at < payload.length ? payload[at] : 0;
  if (length < 1 || length > MAX_CODE || payload.length - at - 1 < length) {
    return null;
  }
  const code = String.fromCharCode(...payload.subarray(at + 1, at + 1 + length));
  return isCode(code) ? [code, at + 1 + length] : null;
}

function parseRoomReady(payload) {
  const read = readCode(payload, 0);
  return read !== null && read[1] === payload.length ? read[0] : null;
}

// { total, rooms: [{ code, players, spectators }] }, or null.
function parseRoomList(payload) {
  if (payload.length < 3) {
    return null;
  }
  const list = { total: (payload[0] << 8) | payload[1], rooms: [] };
  const count = payload[2];
  if (count > 10 || count > list.total) {
    return null;
  }
  let at = 3;
  for (let k = 0; k < count; ++k) {
    const read = readCode(payload, at);
    if (read === null || payload.length - read[1] < 2 || payload[read[1]] > 2) {
      return null;
    }
    list.rooms.push({ code: read[0], players: payload[read[1]], spectators: payload[read[1] + 1] });
    at = read[1] + 2;
  }
  return at === payload.length ? list : null;
}

// A one-byte reason from 1 to most, or 0.
function reasonOf(payload, most) {
  return payload.length === 1 && payload[0] >= 1 && payload[0] <= most ? payload[0] : 0;
}

// A frame's numbers are base 128, at most two bytes: nothing counts past 4000.
function readNumber(bytes, at) {
  let value = 0;
  for (let shift = 0; shift <= 7; shift += 7) {
    if (at.i >= bytes.length) {
      return -1;
    }
    const byte = bytes[at.i++];
    value |= (byte & 127) << shift;
    if ((byte & 128) === 0) {
      return value;
    }
  }
  return -1;
}

// Checked whole before a cell changes, as the terminal guest does: a bad
// frame changes nothing. Returns what is wrong, or ''.
function applyFrame(payload) {
  if (payload.length === 0) {
    return 'an empty frame';
  }
  for (let pass = 0; pass < 2; ++pass) {
    const at = { i: 0 };
    let position = 0;
    while (at.i < payload.length) {
      const skip = readNumber(payload, at);
      const count = skip < 0 ? -1 : readNumber(payload, at);
      if (count < 0) {
        return 'a frame with a broken run header';
      }
      if (count === 0 || skip > CELLS - position || count > CELLS - position - skip) {
        return 'a frame with cells off the grid';
      }
      if (payload.length - at.i < 2 * count) {
        return 'a frame cut short';
      }
      position += skip;
      if (pass === 1) {
        for (let k = 0; k < count; ++k) {
          chars[position + k] = payload[at.i + 2 * k];
          attributes[position + k] = payload[at.i + 2 * k + 1];
          touch(position + k);
        }
      }
      position += count;
      at.i += 2 * count;
    }
  }
  scheduleDraw();
  return '';
}

// ---- Our own words, as the terminal clients word them ---------------------

function versionText(other, them) {
  return `${them} speaks protocol version ${other} and this game version ${PROTOCOL_VERSION}: ` +
      `use the same Torvelkan release on both sides`;
}

// A host's refusal.
function refuseText(reason, hostVersion) {
  switch (reason) {
    case 1: return versionText(hostVersion, 'the host');
    case 2: return 'the host refused the join code';
    case 3: return 'too many wrong codes from this address: wait a little before trying again';
    case 4: return 'another guest is already playing (--watch can still look on)';
    case 5: return 'every spectator place is taken';
    default: return 'the host refused';
  }
}

// An arena room's refusal.
function roomRefuseText(reason, serverVersion) {
  switch (reason) {
    case 1: return versionText(serverVersion, 'the server');
    case 2: return 'no room has that code';
    case 3: return 'too many wrong codes: wait a little before trying again';
    case 4: return 'both seats are taken: watch the room instead';
    case 5: return 'every spectator place in that room is taken';
    default: return 'the server refused';
  }
}

function byeText(reason, them) {
  switch (reason) {
    case 1: return `${them} left`;
    case 2: return `${them}'s game has ended`;
    case 3: return `${them} heard nothing from us for too long`;
    case 4: return `${them} did not understand us`;
    case 5: return 'the connection could not keep up';
    default: return 'the connection ended';
  }
}

function lobbyRefusalText(reason) {
  return reason === 2 ? 'this address has as many rooms open as it may: close one first'
    : 'the server has no room left: try again later';
}

function serverByeText(reason) {
  switch (reason) {
    case 1: return 'the server is stopping';
    case 2: return 'the server is full: try again later';
    case 3: return 'the lobby was idle too long';
    case 4: return 'the room has closed: both players left';
    default: return 'the server ended the connection';
  }
}
