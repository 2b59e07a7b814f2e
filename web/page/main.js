// SPDX-License-Identifier: GPL-3.0-or-later
// The page: play Quillmaren or analyse with it. Rules and notation come from chess.js, the
// board from chessground; the engine runs in a worker (see ../quillmaren/index.mjs).
import {Chessground} from '@lichess-org/chessground';
import {Chess, validateFen, DEFAULT_POSITION} from 'chess.js';
import {createQuillmaren} from '../quillmaren/index.mjs';
import {UciClient} from './uci-client.js';

const $ = id => document.getElementById(id);
const MATE = 100000;

const state = {
  mode: 'play',
  game: new Chess(),
  startFen: DEFAULT_POSITION,
  player: 'white',
  time: {kind: 'move', ms: 1000},
  elo: null,            // the engine's strength in games: null for full strength
  clocks: {w: 0, b: 0},
  tick: 0,
  book: new Set(),      // plies played from the engine's book
  evals: null,          // after a review: White's score after each ply (index 0: the start)
  mistakes: null,       // after a review: the plies of the worst moves
  result: '',
  token: 0,             // bumped whenever the game changes under a running engine move
  analysing: false,
  lines: [],
  busy: false,          // a review is running
};
let client = null;
let board = null;

function say(text) { $('message').textContent = text; }

// Engine ------------------------------------------------------------------------------

async function startEngine() {
  try {
    // The bundle sits beside engine/, which holds the wrapper's files.
    const engine = await createQuillmaren({base: new URL('engine/', location.href)});
    engine.onerror = text => engineFailed(text);
    client = new UciClient(engine);
    client.onLine = logConsole;
    client.send('uci');
    if (engine.threads) client.setOption('Threads', Math.min(navigator.hardwareConcurrency || 2, 8));
    client.setOption('Hash', 64);
    await client.ready();
    $('engine-status').textContent = `Engine ready (${engine.threads ? 'threads' : 'one thread'})`;
    document.body.dataset.engine = 'ready';
    document.body.dataset.multipv = String(client.options.has('MultiPV'));
    maybeEngineMove();
  } catch (e) {
    engineFailed(e.message || String(e));
  }
}

function engineFailed(text) {
  const box = $('load-error');
  box.hidden = false;
  box.textContent = `The engine could not be loaded or stopped working: ${text}. The board still follows the rules, but the engine will not move or analyse. Reload the page to try again.`;
  $('engine-status').textContent = 'Engine failed';
  document.body.dataset.engine = 'failed';
}

function positionLine() {
  const moves = state.game.history({verbose: true}).map(m => m.lan);
  const start = state.startFen === DEFAULT_POSITION ? 'startpos' : `fen ${state.startFen}`;
  return `position ${start}${moves.length ? ` moves ${moves.join(' ')}` : ''}`;
}

// Score from the engine's side to move, as White's centipawns (mate as a large number).
function whiteScore(info, turn) {
  const s = info.mate !== undefined ? Math.sign(info.mate || -1) * (MATE - Math.abs(info.mate)) : info.cp;
  return turn === 'w' ? s : -s;
}

function scoreText(info, turn) {
  if (info.mate !== undefined) {
    const m = turn === 'w' ? info.mate : -info.mate;
    return `#${m}`;
  }
  const cp = whiteScore(info, turn) / 100;
  return (cp > 0 ? '+' : '') + cp.toFixed(2);
}

// SAN of a line of UCI moves from the current position (stops at the first it cannot play).
function sanLine(pv, limit = 12) {
  const g = new Chess(state.game.fen());
  const out = [];
  for (const uci of pv.slice(0, limit)) {
    try {
      out.push(g.move({from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4]}).san);
    } catch {
      break;
    }
  }
  return out.join(' ');
}

function setEvalBar(white) {
  const clamped = Math.max(-1000, Math.min(1000, white));
  const share = Math.abs(white) >= MATE - 1000 ? (white > 0 ? 100 : 0) : 50 + 50 * (2 / (1 + Math.exp(-clamped / 250)) - 1);
  $('eval-fill').style.height = `${share}%`;
  $('eval-text').textContent = Math.abs(white) >= MATE - 1000 ? '#' : (white / 100).toFixed(1);
}

// Board -------------------------------------------------------------------------------

function dests() {
  const map = new Map();
  if (state.result || (state.mode === 'play' && !playerToMove())) return map;
  for (const m of state.game.moves({verbose: true})) {
    if (!map.has(m.from)) map.set(m.from, []);
    map.get(m.from).push(m.to);
  }
  return map;
}

function playerToMove() { return state.game.turn() === state.player[0]; }

function turnColor() { return state.game.turn() === 'w' ? 'white' : 'black'; }

function render() {
  const history = state.game.history({verbose: true});
  const last = history[history.length - 1];
  board.set({
    fen: state.game.fen(),
    turnColor: turnColor(),
    lastMove: last ? [last.from, last.to] : undefined,
    check: state.game.inCheck(),
    movable: {color: state.mode === 'play' ? state.player : 'both', dests: dests()},
  });
  const list = $('moves');
  list.replaceChildren();
  const firstWhite = new Chess(state.startFen).turn() === 'w';
  history.forEach((m, i) => {
    const li = document.createElement('li');
    const ply = i + (firstWhite ? 0 : 1);
    li.textContent = `${ply % 2 === 0 ? `${Math.floor(ply / 2) + 1}. ` : ''}${m.san}`;
    if (state.book.has(i)) li.classList.add('book');
    if (state.mistakes?.has(i)) li.classList.add('mistake');
    list.append(li);
  });
  list.scrollTop = list.scrollHeight;
  $('fen-input').value = state.game.fen();
  $('board-wrap').dataset.fen = state.game.fen();
  $('result').textContent = state.result;
  $('moves').dataset.count = String(history.length);
  renderClocks();
}

function onBoardMove(from, to) {
  const piece = state.game.get(from);
  const promoting = piece?.type === 'p' && (to[1] === '8' || to[1] === '1');
  if (!promoting) return playMove({from, to});
  const box = $('promotion');
  box.hidden = false;
  box.onclick = event => {
    const piece = event.target.closest('button')?.dataset.piece;
    if (!piece) return;
    box.hidden = true;
    playMove({from, to, promotion: piece});
  };
}

// A move of the user (board, typed or a clicked line); false and a message when illegal.
function playMove(move) {
  if (state.result) {
    say('The game is over: start a new game or take back.');
    render();
    return false;
  }
  if (state.mode === 'play' && !playerToMove()) {
    say('Wait for the engine to move.');
    render();
    return false;
  }
  const mover = state.game.turn();
  try {
    state.game.move(move);
  } catch {
    say(`Illegal move: ${typeof move === 'string' ? move : move.from + move.to + (move.promotion ?? '')}`);
    render();
    return false;
  }
  if (state.mode === 'play' && state.time.kind === 'clock') state.clocks[mover] += state.time.inc * 1000;
  say('');
  afterMove();
  return true;
}

function afterMove() {
  state.token++;
  state.evals = null;
  state.mistakes = null;
  $('graph').toggleAttribute('hidden', true);
  $('mistakes').replaceChildren();
  checkResult();
  render();
  if (state.mode === 'play') maybeEngineMove();
  else if (state.analysing) analyse();
}

function checkResult() {
  const g = state.game;
  if (g.isCheckmate()) state.result = `Checkmate: ${g.turn() === 'w' ? 'Black' : 'White'} wins`;
  else if (g.isStalemate()) state.result = 'Draw by stalemate';
  else if (g.isInsufficientMaterial()) state.result = 'Draw: insufficient material';
  else if (g.isThreefoldRepetition()) state.result = 'Draw by threefold repetition';
  else if (g.isDrawByFiftyMoves()) state.result = 'Draw by the fifty-move rule';
  else state.result = '';
  if (state.result) {
    state.game.setHeader('Result', g.isCheckmate() ? (g.turn() === 'w' ? '0-1' : '1-0') : '1/2-1/2');
  }
}

// Play --------------------------------------------------------------------------------

function goLine() {
  if (state.time.kind === 'move') return `go movetime ${state.time.ms}`;
  const inc = state.time.inc * 1000;
  return `go wtime ${Math.round(state.clocks.w)} btime ${Math.round(state.clocks.b)} winc ${inc} binc ${inc}`;
}

// A game's settings, whatever the analysis left set. The Elo scale is the one the engine's
// README calibrates against Stockfish.
function gameOptions() {
  return [['MultiPV', 1], ['UCI_AnalyseMode', false], ['UCI_LimitStrength', state.elo !== null],
    ...(state.elo !== null ? [['UCI_Elo', state.elo]] : [])];
}

async function maybeEngineMove() {
  if (!client || state.mode !== 'play' || state.result || playerToMove()) return;
  const token = state.token;
  const turn = state.game.turn();
  const found = await client.search(positionLine(), goLine(), info => {
    if (token !== state.token || info.multipv !== 1) return;
    $('thinking').textContent = `depth ${info.depth}  ${scoreText(info, turn)}  ${Math.round((info.nps ?? 0) / 1000)} kN/s\n${sanLine(info.pv)}`;
    setEvalBar(whiteScore(info, turn));
  }, gameOptions());

  if (token !== state.token || state.mode !== 'play' || !found.move) return;
  const move = {from: found.move.slice(0, 2), to: found.move.slice(2, 4), promotion: found.move[4]};
  try {
    state.game.move(move);
  } catch {
    say(`The engine answered an illegal move (${found.move}): take back or start a new game.`);
    return;
  }
  if (found.book) {
    state.book.add(state.game.history().length - 1);
    $('thinking').textContent = `Book move ${state.game.history().slice(-1)[0]}`;
  }
  if (state.time.kind === 'clock') state.clocks[turn] += state.time.inc * 1000;
  afterMove();
}

function newGame(fen = DEFAULT_POSITION, pgn = null) {
  const game = new Chess(fen);
  if (pgn !== null) game.loadPgn(pgn);
  client?.stop();
  state.game = game;
  state.startFen = pgn !== null ? (game.getHeaders().FEN ?? DEFAULT_POSITION) : fen;
  state.book = new Set();
  const [kind, a, b] = $('time-select').value.split(':');
  state.time = kind === 'move' ? {kind, ms: Number(a)} : {kind, base: Number(a), inc: Number(b)};
  const level = $('level-select').value;
  state.elo = level === 'full' ? null : Number(level);
  const base = state.time.kind === 'clock' ? state.time.base * 1000 : 0;
  state.clocks = {w: base, b: base};
  state.tick = performance.now();
  $('thinking').textContent = '';
  client?.send('ucinewgame');
  afterMove();
}

function takeBack() {
  if (state.busy) return;
  client?.stop();
  const plies = state.mode === 'play' && playerToMove() ? 2 : 1;
  for (let i = 0; i < plies && state.game.history().length > 0; i++) {
    state.game.undo();
    state.book.delete(state.game.history().length);
  }
  // Back to the player's turn even when the first move was the engine's.
  afterMove();
}

function formatClock(ms) {
  const s = Math.max(0, Math.ceil(ms / 1000));
  return `${Math.floor(s / 60)}:${String(s % 60).padStart(2, '0')}`;
}

function renderClocks() {
  const bottom = board.state.orientation === 'white' ? 'w' : 'b';
  const top = bottom === 'w' ? 'b' : 'w';
  const running = state.mode === 'play' && !state.result ? state.game.turn() : null;
  for (const [id, side] of [['clock-top', top], ['clock-bottom', bottom]]) {
    const el = $(id);
    const label = side === 'w' ? 'White' : 'Black';
    el.textContent = `${label} ${formatClock(state.clocks[side])}`;
    el.classList.toggle('running', running === side);
  }
}

// Per-move times count up what each side used; game clocks count down and can fall.
function tickClocks() {
  const now = performance.now();
  const spent = now - state.tick;
  state.tick = now;
  if (state.mode !== 'play' || state.result || state.game.history().length === 0) return;
  const side = state.game.turn();
  state.clocks[side] += state.time.kind === 'clock' ? -spent : spent;
  if (state.time.kind === 'clock' && state.clocks[side] <= 0) {
    state.clocks[side] = 0;
    state.result = `${side === 'w' ? 'White' : 'Black'} lost on time`;
    state.game.setHeader('Result', side === 'w' ? '0-1' : '1-0');
    state.token++;
    client?.stop();
    render();
  }
  renderClocks();
}

// Analyse -----------------------------------------------------------------------------

function analyse() {
  if (!client || state.busy) return;
  state.analysing = true;
  state.lines = [];
  const count = Number($('lines-select').value);
  const turn = state.game.turn();
  const token = ++state.token;
  renderLines(turn);
  if (state.game.isGameOver()) {
    state.analysing = false;
    $('lines').textContent = state.result || 'No moves in this position';
    return;
  }
  // Without MultiPV (an older engine) the one line is shown.
  client.search(positionLine(), 'go infinite', info => {
    if (token !== state.token || info.multipv > count) return;
    state.lines[info.multipv - 1] = info;
    if (info.multipv === 1) setEvalBar(whiteScore(info, turn));
    renderLines(turn);
  }, [['MultiPV', count], ['UCI_AnalyseMode', true], ['UCI_LimitStrength', false]]);
}

function renderLines(turn) {
  const list = $('lines');
  list.replaceChildren();
  state.lines.forEach(info => {
    if (!info) return;
    const li = document.createElement('li');
    li.textContent = `${scoreText(info, turn)}  d${info.depth}  ${sanLine(info.pv)}`;
    li.dataset.depth = String(info.depth);
    li.onclick = () => playMove({from: info.pv[0].slice(0, 2), to: info.pv[0].slice(2, 4), promotion: info.pv[0][4]});
    list.append(li);
  });
}

async function stopAnalysis() {
  state.analysing = false;
  if (!client?.searching) {
    say('No analysis is running: nothing to stop.');
    return;
  }
  await client.stop();
}

function setMode(mode) {
  state.mode = mode;
  $('tab-play').classList.toggle('active', mode === 'play');
  $('tab-analyse').classList.toggle('active', mode === 'analyse');
  $('play-panel').hidden = mode !== 'play';
  $('analyse-panel').hidden = mode !== 'analyse';
  state.token++;
  client?.stop();
  state.analysing = false;
  if (mode === 'analyse') {
    state.result = '';  // any position may be explored from here
    analyse();
  } else {
    checkResult();
  }
  render();
  maybeEngineMove();
}

// Review of a game: the score after every ply, drawn as a graph, the worst drops marked.
async function review() {
  if (!client || state.busy) return;
  const moves = state.game.history({verbose: true});
  if (moves.length === 0) return say('No moves to evaluate.');
  state.busy = true;
  state.analysing = false;
  state.token++;
  await client.stop();
  $('review').disabled = true;
  client.setOption('OwnBook', 'false');
  const replay = new Chess(state.startFen);
  const start = state.startFen === DEFAULT_POSITION ? 'startpos' : `fen ${state.startFen}`;
  const evals = [];
  // About twenty seconds for the whole game.
  const ms = Math.round(Math.max(50, Math.min(300, 20000 / (moves.length + 1))));
  for (let i = 0; i <= moves.length; i++) {
    say(`Evaluating move ${i} of ${moves.length}…`);
    if (i > 0) replay.move(moves[i - 1].lan);
    if (replay.isCheckmate()) {
      evals.push(replay.turn() === 'w' ? -MATE : MATE);
      continue;
    }
    if (replay.isGameOver()) {
      evals.push(0);
      continue;
    }
    const line = `position ${start}${i ? ` moves ${moves.slice(0, i).map(m => m.lan).join(' ')}` : ''}`;
    const found = await client.search(line, `go depth 12 movetime ${ms}`, null,
      [['MultiPV', 1], ['UCI_LimitStrength', false]]);
    const last = found.infos.filter(x => x.multipv === 1).pop();
    evals.push(last ? whiteScore(last, replay.turn()) : (evals[i - 1] ?? 0));
  }
  client.setOption('OwnBook', 'true');
  state.busy = false;
  $('review').disabled = false;
  state.evals = evals;
  say('');
  drawGraph(moves);
}

function drawGraph(moves) {
  const evals = state.evals;
  const clip = v => Math.max(-1000, Math.min(1000, v));
  const x = i => (i / Math.max(1, evals.length - 1)) * 300;
  const y = v => 50 - clip(v) / 22;  // a margin, so that a mistake at the edge is not cut off
  const losses = moves.map((m, i) => {
    const before = m.color === 'w' ? evals[i] : -evals[i];
    const after = m.color === 'w' ? evals[i + 1] : -evals[i + 1];
    return {ply: i, loss: clip(before) - clip(after), san: m.san, color: m.color};
  });
  const worst = losses.filter(l => l.loss >= 100).sort((a, b) => b.loss - a.loss).slice(0, 3);
  state.mistakes = new Set(worst.map(w => w.ply));
  const svg = $('graph');
  const points = evals.map((v, i) => `${x(i)},${y(v)}`).join(' ');
  svg.innerHTML = `<line x1="0" y1="50" x2="300" y2="50" stroke="#bbb" stroke-width="0.5"/>`
    + `<polygon points="0,100 ${points} 300,100" fill="#ddd" stroke="none"/>`
    + `<polyline points="${points}" fill="none" stroke="#333" stroke-width="1"/>`
    + worst.map(w => `<circle class="mistake" cx="${x(w.ply + 1)}" cy="${y(evals[w.ply + 1])}" r="3" fill="#b3261e"/>`).join('');
  svg.toggleAttribute('hidden', false);  // an SVG element has no hidden property
  const list = $('mistakes');
  list.replaceChildren(...worst.map(w => {
    const li = document.createElement('li');
    const number = Math.floor(w.ply / 2) + 1;
    li.textContent = `${number}${w.color === 'w' ? '.' : '…'} ${w.san}: loses ${(w.loss / 100).toFixed(1)}`;
    return li;
  }));
  if (worst.length === 0) list.innerHTML = '<li>No move lost a pawn or more.</li>';
  render();
}

// Import, export, console ---------------------------------------------------------------

function loadFen() {
  const fen = $('fen-input').value.trim();
  const check = validateFen(fen);
  if (!check.ok) return say(`Illegal FEN: ${check.error}`);
  newGame(fen);
  say('Position set.');
}

function loadPgn() {
  try {
    newGame(DEFAULT_POSITION, $('pgn-input').value);
    say('Game loaded.');
  } catch (e) {
    say(`This PGN could not be read: ${e.message}`);
  }
}

async function copy(text, what) {
  try {
    await navigator.clipboard.writeText(text);
    say(`${what} copied to the clipboard.`);
  } catch {
    say(`The clipboard is not available here: select the ${what} and copy it.`);
  }
}

const UCI_COMMANDS = new Set(['uci', 'debug', 'isready', 'setoption', 'register', 'ucinewgame',
  'position', 'go', 'stop', 'ponderhit', 'quit']);

function sendConsole() {
  const line = $('console-input').value.trim();
  if (!line || !client) return;
  $('console-input').value = '';
  const word = line.split(/\s+/)[0];
  if (!UCI_COMMANDS.has(word)) return logConsole(`Not a UCI command: "${word}" (the engine would ignore it)`, 'note');
  if (word === 'stop' && !client.searching) return logConsole('No search is running: nothing to stop.', 'note');
  if (word === 'quit') return logConsole('The page keeps the engine running: reload the page to restart it.', 'note');
  client.send(line);
}

function logConsole(line, direction) {
  const log = $('console-log');
  if (direction === 'out' && line.startsWith('info') && !$('console').open) return;
  log.textContent += `${direction === 'in' ? '> ' : direction === 'note' ? '! ' : ''}${line}\n`;
  if (log.textContent.length > 20000) log.textContent = log.textContent.slice(-10000);
  log.scrollTop = log.scrollHeight;
}

function typedMove() {
  const text = $('move-input').value.trim();
  if (!text) return;
  const uci = /^[a-h][1-8][a-h][1-8][qrbn]?$/.test(text);
  if (playMove(uci ? {from: text.slice(0, 2), to: text.slice(2, 4), promotion: text[4]} : text)) $('move-input').value = '';
}

// Start -------------------------------------------------------------------------------

function init() {
  board = Chessground($('board'), {
    movable: {free: false, showDests: true, events: {after: onBoardMove}},
    premovable: {enabled: false},
    draggable: {showGhost: true},
  });
  // The board draws its pieces at fixed offsets: again whenever its box changes size.
  new ResizeObserver(() => board.redrawAll()).observe($('board-wrap'));
  $('tab-play').onclick = () => setMode('play');
  $('tab-analyse').onclick = () => setMode('analyse');
  $('new-game').onclick = () => {
    state.player = $('side-select').value;
    board.set({orientation: state.player});
    newGame(state.startFen === DEFAULT_POSITION ? DEFAULT_POSITION : state.startFen);
  };
  $('take-back').onclick = takeBack;
  $('flip').onclick = $('flip2').onclick = () => { board.toggleOrientation(); renderClocks(); };
  $('go').onclick = analyse;
  $('stop').onclick = stopAnalysis;
  $('lines-select').onchange = () => state.analysing && analyse();
  $('review').onclick = review;
  $('fen-load').onclick = loadFen;
  $('fen-copy').onclick = () => copy(state.game.fen(), 'FEN');
  $('pgn-load').onclick = loadPgn;
  $('pgn-copy').onclick = () => copy(state.game.pgn(), 'PGN');
  $('io').ontoggle = () => { $('pgn-input').value = state.game.pgn(); };
  $('console-send').onclick = sendConsole;
  $('console-input').onkeydown = e => { if (e.key === 'Enter') sendConsole(); };
  $('move-enter').onclick = typedMove;
  $('move-input').onkeydown = e => { if (e.key === 'Enter') typedMove(); };
  setInterval(tickClocks, 100);
  state.tick = performance.now();
  newGame();
  startEngine();
  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
}

init();
