// The page's screen: the 80 x 50 grid of the game, a character and an
// attribute per cell, drawn on a canvas as a terminal draws it. The first
// part of page.js: the build joins the parts in order, each using what the
// ones before it define.
'use strict';

const COLUMNS = 80;
const ROWS = 50;
const CELLS = COLUMNS * ROWS;

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

const canvas = document.getElementById('screen');
const context = canvas.getContext('2d', { alpha: false });
const statusLine = document.getElementById('status');

// The grid as the game sent it (or the lobby drew it).
const chars = new Uint8Array(CELLS);
const attributes = new Uint8Array(CELLS);
const dirty = new Uint8Array(CELLS);
let dirtyCells = [];
let redrawAll = true;
let drawPending = false;

const layout = { cellWidth: 8, cellHeight: 16, font: '', glyphScale: 1, square: false };

// A terminal's cells are about twice as tall as wide. When the window is too
// short for 50 such rows of readable text, cells are square, as the
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

// Called back with ('frame', time) once a frame's cells are in the grid and
// with ('drawn', time) once drawn: tools that measure the page set it.
let observer = null;

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
  if (observer !== null) {
    observer('drawn', performance.now());
  }
}

// Drawn once a display frame at most, just before the browser shows it.
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

// One cell as the game's screen puts it: off the grid, nothing.
function putCell(column, row, ch, attribute) {
  if (column < 0 || column >= COLUMNS || row < 0 || row >= ROWS) {
    return;
  }
  const i = row * COLUMNS + column;
  if (chars[i] !== ch || attributes[i] !== attribute) {
    chars[i] = ch;
    attributes[i] = attribute;
    touch(i);
  }
}

const ALIGN_LEFT = 0;
const ALIGN_CENTER = 1;

// Text of the page's own (letters, digits and punctuation), as the game's
// screen puts it: centred on column, or from it.
function putText(column, row, text, attribute, alignment) {
  const start = alignment === ALIGN_CENTER ? column - Math.floor(text.length / 2) : column;
  for (let k = 0; k < text.length; ++k) {
    const code = text.charCodeAt(k);
    putCell(start + k, row, code < 128 ? code : 63, attribute);
  }
}

function clearGrid() {
  for (let i = 0; i < CELLS; ++i) {
    putCell(i % COLUMNS, Math.floor(i / COLUMNS), 0, 0);
  }
}

// A grid that goes on from nothing, as a new connection's first frame does.
function blankGrid() {
  chars.fill(0);
  attributes.fill(0);
  dirty.fill(0);
  dirtyCells = [];
  redrawAll = true;
  scheduleDraw();
}
