// The page's connections and keys. At /CODE/ the page is the screen and
// keyboard of a game played on this machine (torvelkan --web): every key
// held and let go goes to it, by its place on the keyboard. At / it is an
// arena's client (torvelkan --serve --web): the lobby, then a room played as
// a terminal guest plays it, each on a WebSocket of its own.

// Keys by where they are on the keyboard, not what they type: blue's W, A, S
// and D are under the left hand on any layout. Each goes as the game's own
// key number.
const FIGHTER_KEYS = new Map([
  ['ArrowLeft', 37], ['ArrowUp', 38], ['ArrowRight', 39], ['ArrowDown', 40],
  ['KeyA', 65], ['KeyD', 68], ['KeyS', 83], ['KeyW', 87],
]);
const GAME_KEYS = new Map([...FIGHTER_KEYS,
  ['Escape', 27], ['Enter', 13], ['NumpadEnter', 13], ['Space', 32]]);

const place = location.pathname.split('/');
const inArena = location.pathname === '/';
const gameCode = inArena ? '' : place[1] || '';
// Where the page is: 'game' (here), 'lobby' or 'room' (an arena's), 'ended'.
let stage = inArena ? 'lobby' : 'game';
let role = location.hash === '#watch' ? SPECTATOR : PLAYER;
let roomCode = '';
let socket = null;
let joined = false;
let lastHeard = performance.now();
let lastSent = 0;
let received = 0;  // bytes off the WebSockets, their own framing counted
const held = new Map();  // KeyboardEvent.code -> the game's key number

function show(text, over) {
  statusLine.textContent = text;
  statusLine.classList.toggle('ended', over);
}

function send(bytes) {
  if (socket !== null && socket.readyState === WebSocket.OPEN) {
    socket.send(bytes);
    lastSent = performance.now();
  }
}

function hangUp() {
  if (socket !== null) {
    const old = socket;
    socket = null;
    old.close();
  }
  joined = false;
  held.clear();
}

// The end: the page keeps its last picture and says why.
function end(reason) {
  if (stage === 'ended') {
    return;
  }
  stage = 'ended';
  hangUp();
  show(`Ended: ${reason}. Reload the page to connect again.`, true);
}

function fault(what) {
  send(message(BYE, [BYE_PROTOCOL]));
  end(`the ${inArena ? 'server' : 'host'} sent ${what}`);
}

// A WebSocket to the page's own server; onMessage gets [type, payload].
function connect(greeting, onMessage, onLost) {
  const address = new URL('play', location.href);
  address.protocol = location.protocol.replace('http', 'ws');
  address.hash = '';
  const opened = new WebSocket(address.href);
  socket = opened;
  opened.binaryType = 'arraybuffer';
  lastHeard = performance.now();
  opened.addEventListener('open', () => send(greeting));
  opened.addEventListener('message', (event) => {
    if (socket !== opened || !(event.data instanceof ArrayBuffer)) {
      return;
    }
    lastHeard = performance.now();
    received += event.data.byteLength + (event.data.byteLength < 126 ? 2 : 4);
    const unwrapped = unwrap(new Uint8Array(event.data));
    if (unwrapped === null) {
      fault('a message that is not one whole message');
      return;
    }
    onMessage(unwrapped[0], unwrapped[1]);
    // Answered from here too, since a hidden page's timers run late.
    if (socket === opened && joined && lastHeard - lastSent >= HEARTBEAT_MS) {
      send(message(HEARTBEAT, []));
    }
  });
  opened.addEventListener('close', () => {
    if (socket === opened) {
      socket = null;
      onLost();
    }
  });
}

// ---- A game played here ------------------------------------------------

function playGame() {
  connect(helloMessage(gameCode.slice(0, MAX_CODE), role), (type, payload) => {
    if (!joined) {
      if (type === WELCOME && payload.length === 3 &&
          ((payload[0] << 8) | payload[1]) === PROTOCOL_VERSION && payload[2] === role) {
        joined = true;
        show(role === PLAYER
          ? 'Playing: red on the arrow keys, blue on W, A, S, D; Space hands blue to the AI'
          : 'Watching: Esc leaves', false);
      } else if (type === REFUSE && payload.length === 3 && payload[0] >= 1 && payload[0] <= 5) {
        end(refuseText(payload[0], (payload[1] << 8) | payload[2]));
      } else {
        end('the host answered with something other than a welcome');
      }
    } else if (type === BYE) {
      end(payload.length === 1 ? byeText(payload[0], 'the host') : 'the connection ended');
    } else {
      inPlay(type, payload);
    }
  }, () => end(joined ? 'the host closed the connection' : 'the game could not be reached'));
  show('Connecting to the game…', false);
}

// Frames and heartbeats, in a game or a room alike.
function inPlay(type, payload) {
  if (type === FRAME) {
    const wrong = applyFrame(payload);
    if (wrong !== '') {
      fault(wrong);
    } else if (observer !== null) {
      observer('frame', performance.now());
    }
  } else if (type !== HEARTBEAT || payload.length !== 0) {
    fault(type === HEARTBEAT ? 'a heartbeat of the wrong length' : 'a message out of place');
  }
}

// ---- An arena: its lobby and its rooms -----------------------------------

function openLobby() {
  stage = 'lobby';
  lobby.waiting = false;
  blankGrid();
  connect(lobbyHelloMessage(), (type, payload) => {
    if (!joined) {
      if (type === LOBBY_WELCOME && payload.length === 2 &&
          ((payload[0] << 8) | payload[1]) === PROTOCOL_VERSION) {
        joined = true;
        show('In the lobby: Up, Down and Enter choose, Esc goes back and leaves', false);
      } else if (type === REFUSE && payload.length === 3 && payload[0] === 1) {
        end(versionText((payload[1] << 8) | payload[2], 'the server'));
      } else if (type === SERVER_BYE && reasonOf(payload, 4)) {
        end(serverByeText(payload[0]));
      } else {
        end('the server answered with something other than a lobby');
      }
      return;
    }
    if (type === ROOM_READY) {
      const code = parseRoomReady(payload);
      if (code === null) {
        fault('a room\'s code that is not one');
      } else {
        enterRoom(code, PLAYER);
      }
    } else if (type === ROOM_LIST) {
      const list = parseRoomList(payload);
      if (list === null) {
        fault('a room list that is not one');
      } else {
        lobbyShowRooms(list);
      }
    } else if (type === LOBBY_REFUSE && reasonOf(payload, 2)) {
      lobbyShowMessage(lobbyRefusalText(payload[0]));
    } else if (type === SERVER_BYE && reasonOf(payload, 4)) {
      end(serverByeText(payload[0]));
    } else if (type !== HEARTBEAT || payload.length !== 0) {
      fault('a message out of place');
    }
  }, () => end(joined ? 'the server closed the connection' : 'the server could not be reached'));
  show('Connecting to the server…', false);
}

// The lobby's connection is closed while in a room and opened again after,
// as the terminal client does.
function enterRoom(code, asked) {
  if (socket !== null) {
    send(message(BYE, [BYE_LEFT]));
  }
  hangUp();
  stage = 'room';
  role = asked;
  roomCode = code;
  blankGrid();
  connect(helloMessage(code, asked), (type, payload) => {
    if (!joined) {
      if (type === WELCOME && payload.length === 3 &&
          ((payload[0] << 8) | payload[1]) === PROTOCOL_VERSION && payload[2] === asked) {
        joined = true;
        show(asked === SPECTATOR ? `Watching room ${code}: Esc goes back to the lobby`
          : `In room ${code}: your fighter on the arrow keys or W, A, S, D; Esc goes back to ` +
            `the lobby. A friend joins with the code, or at ${location.origin}/#${code}`, false);
      } else if (type === REFUSE && payload.length === 3) {
        backToLobby(roomRefuseText(payload[0], (payload[1] << 8) | payload[2]));
      } else if (type === SERVER_BYE && reasonOf(payload, 4)) {
        leaveRoom(payload[0]);
      } else {
        backToLobby('the server answered with something other than a welcome');
      }
    } else if (type === BYE) {
      backToLobby(payload.length === 1 ? byeText(payload[0], 'the server')
        : 'the connection ended');
    } else if (type === SERVER_BYE && reasonOf(payload, 4)) {
      leaveRoom(payload[0]);
    } else {
      inPlay(type, payload);
    }
  }, () => backToLobby('the server closed the connection'));
  show(`Going into room ${code}…`, false);
}

function leaveRoom(reason) {
  if (reason === SERVER_STOPPING) {
    end(serverByeText(reason));
  } else {
    backToLobby(serverByeText(reason));
  }
}

function backToLobby(why) {
  if (stage === 'ended') {
    return;
  }
  hangUp();
  lobbyBackFromRoom(why);
  openLobby();
}

function lobbyChoice(action) {
  switch (action.choice) {
    case 'create': send(message(LOBBY_REQUEST, [OPEN_ROOM])); break;
    case 'quick': send(message(LOBBY_REQUEST, [QUICK_MATCH])); break;
    case 'list': send(message(LOBBY_REQUEST, [LIST_ROOMS])); break;
    case 'join': enterRoom(action.code, PLAYER); break;
    case 'watch': enterRoom(action.code, SPECTATOR); break;
    default:
      send(message(BYE, [BYE_LEFT]));
      end('you left the server');
  }
}

setInterval(() => {
  if (!joined || stage === 'ended') {
    return;
  }
  const now = performance.now();
  if (now - lastHeard > SILENCE_MS) {
    end(`the ${inArena ? 'server' : 'host'} stopped answering`);
  } else if (now - lastSent >= HEARTBEAT_MS) {
    send(message(HEARTBEAT, []));
  }
}, 100);

// The lobby's dots move on while it is shown.
let lobbyDrawn = performance.now();
setInterval(() => {
  const now = performance.now();
  if (stage === 'lobby') {
    lobbyUpdate(Math.min(now - lobbyDrawn, 100));
    lobbyRender(location.host);
  }
  lobbyDrawn = now;
}, 20);
