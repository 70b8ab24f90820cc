// The game's screen and keyboard in a browser: the 80 x 50 grid the game
// sends, drawn on a canvas as a terminal draws it, and every key held and let
// go, by its place on the keyboard, over the game's own protocol on a
// WebSocket.
'use strict';

(() => {
  const COLUMNS = 80;
  const ROWS = 50;
  const CELLS = COLUMNS * ROWS;

  // The protocol, as the terminal guest speaks it: each WebSocket message is
  // one message, its 16-bit length first.
  const PROTOCOL_VERSION = 1;
  const MAX_MESSAGE = 8192;
  const MAGIC = [0x54, 0x56, 0x4b, 0x4e];
  const HELLO = 1, WELCOME = 2, REFUSE = 3, FRAME = 4, KEY = 5, HEARTBEAT = 6, BYE = 7;
  const PLAYER = 1, SPECTATOR = 2;
  const BYE_LEFT = 1, BYE_PROTOCOL = 4;
  const HEARTBEAT_MS = 500;
  const SILENCE_MS = 3000;

  // Keys by where they are on the keyboard, not what they type: blue's W, A,
  // S and D are under the left hand on any layout. Each goes as the game's
  // own key number.
  const KEYS = new Map([
    ['ArrowLeft', 37], ['ArrowUp', 38], ['ArrowRight', 39], ['ArrowDown', 40],
    ['KeyA', 65], ['KeyD', 68], ['KeyS', 83], ['KeyW', 87],
    ['Escape', 27], ['Enter', 13], ['NumpadEnter', 13], ['Space', 32],
  ]);

  // The console's sixteen colours, in the Windows console's own shades.
  const PALETTE = [
    '#000000', '#000080', '#008000', '#008080', '#800000', '#800080', '#808000', '#c0c0c0',
    '#808080', '#0000ff', '#00ff00', '#00ffff', '#ff0000', '#ff00ff', '#ffff00', '#ffffff',
  ];

  // Code page 437, the console's characters, as the terminal shows them.
  const CP437 = Array.from(
    ' ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼' +
    ' !"#$%&\'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_' +
    '`abcdefghijklmnopqrstuvwxyz{|}~⌂' +
    'ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»' +
    '░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀' +
    'αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■ ');

  // The farewells and refusals in the terminal guest's own words.
  function refuseText(reason, hostVersion) {
    switch (reason) {
      case 1:
        return `the host speaks protocol version ${hostVersion} and this game version ` +
            `${PROTOCOL_VERSION}: use the same Torvelkan release on both sides`;
      case 2: return 'the host refused the join code';
      case 3: return 'too many wrong codes from this address: wait a little before trying again';
      case 4: return 'another guest is already playing (--watch can still look on)';
      case 5: return 'every spectator place is taken';
      default: return 'the host refused';
    }
  }

  function byeText(reason) {
    switch (reason) {
      case 1: return 'the host left';
      case 2: return 'the host\'s game has ended';
      case 3: return 'the host heard nothing from us for too long';
      case 4: return 'the host did not understand us';
      case 5: return 'the connection could not keep up';
      default: return 'the connection ended';
    }
  }

  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d', { alpha: false });
  const statusLine = document.getElementById('status');

  // The grid as the game sent it: a character and an attribute per cell.
  const chars = new Uint8Array(CELLS);
  const attributes = new Uint8Array(CELLS);
  const dirty = new Uint8Array(CELLS);
  let dirtyCells = [];
  let redrawAll = true;
  let drawPending = false;

  // ---- Drawing -----------------------------------------------------------

  const layout = { cellWidth: 8, cellHeight: 16, font: '', glyphScale: 1, square: false };

  // A terminal's cells are about twice as tall as wide. When the window is
  // too short for 50 such rows of readable text, cells are square, as the
  // terminal's half view draws them.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const width = window.innerWidth;
    const height = window.innerHeight - statusLine.offsetHeight - 8;
    const tallRow = Math.min(width / COLUMNS * 2, height / ROWS);
    layout.square = tallRow < 14;
    const cssWidth = layout.square ? Math.min(width / COLUMNS, height / ROWS) : tallRow / 2;
    layout.cellWidth = Math.max(1, Math.floor(cssWidth * ratio));
    layout.cellHeight = layout.square ? layout.cellWidth : layout.cellWidth * 2;
    canvas.width = layout.cellWidth * COLUMNS;
    canvas.height = layout.cellHeight * ROWS;
    canvas.style.width = `${canvas.width / ratio}px`;
    canvas.style.height = `${canvas.height / ratio}px`;
    const fontSize = Math.max(1, Math.round(layout.cellHeight * (layout.square ? 0.9 : 0.8)));
    layout.font = `${fontSize}px "DejaVu Sans Mono", "Cascadia Mono", Consolas, Menlo, monospace`;
    context.font = layout.font;
    // Every glyph as wide as its cell, however wide the font draws it.
    const advance = context.measureText('M').width || layout.cellWidth;
    layout.glyphScale = layout.cellWidth / advance;
    redrawAll = true;
    scheduleDraw();
  }

  function blend(a, b, share) {
    const x = parseInt(a.slice(1), 16);
    const y = parseInt(b.slice(1), 16);
    const mix = (shift) => Math.round(((x >> shift) & 255) * (1 - share) +
                                      ((y >> shift) & 255) * share);
    return `rgb(${mix(16)},${mix(8)},${mix(0)})`;
  }

  // The block characters are drawn as shapes, so that they meet without seams.
  function drawBlock(ch, x, y, w, h, foreground, background) {
    switch (ch) {
      case 0xdb: context.fillStyle = foreground; context.fillRect(x, y, w, h); return true;
      case 0xdc: context.fillStyle = foreground; context.fillRect(x, y + h / 2, w, h / 2); return true;
      case 0xdf: context.fillStyle = foreground; context.fillRect(x, y, w, h / 2); return true;
      case 0xdd: context.fillStyle = foreground; context.fillRect(x, y, w / 2, h); return true;
      case 0xde: context.fillStyle = foreground; context.fillRect(x + w / 2, y, w / 2, h); return true;
      case 0xb0: case 0xb1: case 0xb2:
        context.fillStyle = blend(background, foreground, (ch - 0xaf) / 4);
        context.fillRect(x, y, w, h);
        return true;
      default: return false;
    }
  }

  function drawCell(i) {
    const w = layout.cellWidth;
    const h = layout.cellHeight;
    const x = (i % COLUMNS) * w;
    const y = Math.floor(i / COLUMNS) * h;
    const attribute = attributes[i];
    const foreground = PALETTE[attribute & 15];
    const background = PALETTE[(attribute >> 4) & 15];
    context.fillStyle = background;
    context.fillRect(x, y, w, h);
    const ch = chars[i];
    if (ch === 0 || ch === 32 || ch === 255 || drawBlock(ch, x, y, w, h, foreground, background)) {
      return;
    }
    context.save();
    context.beginPath();
    context.rect(x, y, w, h);
    context.clip();
    context.setTransform(layout.glyphScale, 0, 0, 1, x + w / 2, y + h / 2);
    context.fillStyle = foreground;
    context.fillText(CP437[ch], 0, 0);
    context.restore();
  }

  function draw() {
    drawPending = false;
    context.font = layout.font;
    context.textAlign = 'center';
    context.textBaseline = 'middle';
    if (redrawAll) {
      redrawAll = false;
      for (let i = 0; i < CELLS; ++i) {
        drawCell(i);
      }
    } else {
      for (const i of dirtyCells) {
        drawCell(i);
      }
    }
    for (const i of dirtyCells) {
      dirty[i] = 0;
    }
    dirtyCells = [];
  }

  function scheduleDraw() {
    if (!drawPending) {
      drawPending = true;
      requestAnimationFrame(draw);
    }
  }

  function touch(i) {
    if (!dirty[i]) {
      dirty[i] = 1;
      dirtyCells.push(i);
    }
  }

  // ---- The protocol ------------------------------------------------------

  function message(type, payload) {
    const length = 1 + payload.length;
    const bytes = new Uint8Array(2 + length);
    bytes[0] = length >> 8;
    bytes[1] = length & 255;
    bytes[2] = type;
    bytes.set(payload, 3);
    return bytes;
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

  const place = location.pathname.split('/');
  const code = place.length > 1 ? place[1] : '';
  const role = location.hash === '#watch' ? SPECTATOR : PLAYER;
  let socket = null;
  let joined = false;
  let ended = false;
  let lastHeard = performance.now();
  let lastSent = 0;
  const held = new Map();  // KeyboardEvent.code -> the game's key number

  function show(text, over) {
    statusLine.textContent = text;
    statusLine.classList.toggle('ended', over);
  }

  function send(type, payload) {
    if (socket !== null && socket.readyState === WebSocket.OPEN) {
      socket.send(message(type, payload));
      lastSent = performance.now();
    }
  }

  function end(reason) {
    if (ended) {
      return;
    }
    ended = true;
    joined = false;
    held.clear();
    show(`Ended: ${reason}. Reload the page to connect again.`, true);
    if (socket !== null) {
      socket.close();
    }
  }

  function fault(what) {
    send(BYE, [BYE_PROTOCOL]);
    end(`the host sent ${what}`);
  }

  function receive(bytes) {
    const length = bytes.length >= 2 ? (bytes[0] << 8) | bytes[1] : -1;
    if (length < 1 || length > MAX_MESSAGE || length !== bytes.length - 2) {
      fault('a message that is not one whole message');
      return;
    }
    const type = bytes[2];
    const payload = bytes.subarray(3);
    if (!joined) {
      if (type === WELCOME && payload.length === 3 &&
          ((payload[0] << 8) | payload[1]) === PROTOCOL_VERSION && payload[2] === role) {
        joined = true;
        show(role === PLAYER
          ? 'Playing: red on the arrow keys, blue on W, A, S, D; Space hands blue to the AI'
          : 'Watching: Esc leaves', false);
        return;
      }
      if (type === REFUSE && payload.length === 3 && payload[0] >= 1 && payload[0] <= 5) {
        end(refuseText(payload[0], (payload[1] << 8) | payload[2]));
        return;
      }
      end('the host answered with something other than a welcome');
      return;
    }
    if (type === FRAME) {
      const wrong = applyFrame(payload);
      if (wrong !== '') {
        fault(wrong);
      }
    } else if (type === HEARTBEAT) {
      if (payload.length !== 0) {
        fault('a heartbeat of the wrong length');
      }
    } else if (type === BYE) {
      end(payload.length === 1 ? byeText(payload[0]) : 'the connection ended');
    } else {
      fault('a message out of place');
    }
  }

  function connect() {
    const address = new URL('play', location.href);
    address.protocol = 'ws:';
    address.hash = '';
    socket = new WebSocket(address.href);
    socket.binaryType = 'arraybuffer';
    socket.addEventListener('open', () => {
      const codeBytes = Array.from(code, (c) => c.charCodeAt(0) & 255).slice(0, 16);
      send(HELLO, [...MAGIC, PROTOCOL_VERSION >> 8, PROTOCOL_VERSION & 255, role,
        codeBytes.length, ...codeBytes]);
      show('Connected: waiting for the game to answer…', false);
    });
    socket.addEventListener('message', (event) => {
      if (ended || !(event.data instanceof ArrayBuffer)) {
        return;
      }
      lastHeard = performance.now();
      receive(new Uint8Array(event.data));
      // Answered from here too, since a hidden page's timers run late.
      if (joined && lastHeard - lastSent >= HEARTBEAT_MS) {
        send(HEARTBEAT, []);
      }
    });
    socket.addEventListener('close', () => {
      end(joined ? 'the host closed the connection' : 'the game could not be reached');
    });
  }

  setInterval(() => {
    if (!joined || ended) {
      return;
    }
    const now = performance.now();
    if (now - lastHeard > SILENCE_MS) {
      end('the host stopped answering');
    } else if (now - lastSent >= HEARTBEAT_MS) {
      send(HEARTBEAT, []);
    }
  }, 100);

  // ---- Keys --------------------------------------------------------------

  function releaseAll() {
    for (const key of held.values()) {
      send(KEY, [key, 0]);
    }
    held.clear();
  }

  window.addEventListener('keydown', (event) => {
    const key = KEYS.get(event.code);
    // The browser's own shortcuts (with Ctrl, Alt or the system key) stay its own.
    if (key === undefined || event.ctrlKey || event.altKey || event.metaKey) {
      return;
    }
    event.preventDefault();
    if (event.repeat || held.has(event.code) || !joined) {
      return;
    }
    if (role === SPECTATOR) {
      if (event.code === 'Escape') {
        send(BYE, [BYE_LEFT]);
        end('you left');
      }
      return;
    }
    held.set(event.code, key);
    send(KEY, [key, 1]);
  });

  window.addEventListener('keyup', (event) => {
    const key = held.get(event.code);
    if (key !== undefined) {
      event.preventDefault();
      held.delete(event.code);
      send(KEY, [key, 0]);
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

  // What the page shows, for tests: the grid as hexadecimal, a character and
  // an attribute per cell, row by row; and the state line.
  window.torvelkan = Object.freeze({
    grid: () => Array.from(chars, (c, i) =>
      c.toString(16).padStart(2, '0') + attributes[i].toString(16).padStart(2, '0')).join(''),
    status: () => statusLine.textContent,
    view: () => (layout.square ? 'square' : 'tall'),
  });

  fit();
  canvas.focus();
  connect();
})();
