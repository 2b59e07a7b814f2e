// SPDX-License-Identifier: GPL-3.0-or-later
// The page in Debian's chromium, served by scripts/serve-web.py: a game against the engine to
// its end, its review, analysis with several lines, and bad input refused. With
// QUILLMAREN_SCREENSHOTS=dir the pictures of the README are taken on the way.
import assert from 'node:assert/strict';
import {spawn} from 'node:child_process';
import {Chess} from 'chess.js';
import puppeteer from 'puppeteer-core';

const shots = process.env.QUILLMAREN_SCREENSHOTS;
const root = new URL('../../', import.meta.url).pathname;

function serve(port, plain) {
  const server = spawn('python3', [`${root}scripts/serve-web.py`, String(port), ...(plain ? ['--plain'] : [])],
    {stdio: ['ignore', 'pipe', 'inherit']});
  return new Promise(resolve => server.stdout.once('data', () => resolve(server)));
}

async function openPage(browser, url, errors) {
  const page = await browser.newPage();
  page.on('console', m => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', e => errors.push(e.message));
  page.errors = errors;
  await page.setViewport({width: 1100, height: 820});
  await page.goto(url);
  await page.waitForSelector('body[data-engine]', {timeout: 30000});
  assert.equal(await page.$eval('body', b => b.dataset.engine), 'ready');
  return page;
}

const sleep = ms => new Promise(r => setTimeout(r, ms));

// Screenshots wait for the board to finish animating: one piece element per piece of the
// position (the drag ghost aside), none of them sliding or fading.
async function shoot(page, name) {
  await page.waitForFunction(() => {
    const placement = document.querySelector('#board-wrap').dataset.fen.split(' ')[0];
    const pieces = document.querySelectorAll('#board piece:not(.ghost)');
    return !document.querySelector('#board piece.anim, #board piece.fading')
      && pieces.length === placement.replace(/[^a-zA-Z]/g, '').length;
  }, {timeout: 10000});
  await page.screenshot({path: `${shots}/${name}.png`});
}
const text = (page, sel) => page.$eval(sel, e => e.textContent);
const moveCount = page => page.$eval('#moves', e => Number(e.dataset.count));
const fen = page => page.$eval('#board-wrap', e => e.dataset.fen);

// Drags a piece with the mouse, White at the bottom.
async function drag(page, from, to) {
  const box = await (await page.$('#board')).boundingBox();
  const at = sq => ({x: box.x + (sq.charCodeAt(0) - 97 + 0.5) * box.width / 8,
    y: box.y + (8 - Number(sq[1]) + 0.5) * box.height / 8});
  const a = at(from), b = at(to);
  await page.mouse.move(a.x, a.y);
  await page.mouse.down();
  await page.mouse.move(b.x, b.y, {steps: 5});
  await page.mouse.up();
}

async function typeMove(page, move) {
  await page.$eval('#move-input', e => { e.value = ''; });
  await page.type('#move-input', move);
  await page.click('#move-enter');
}

// The game so far, replayed from the move list.
async function replay(page) {
  const sans = await page.$$eval('#moves li', lis => lis.map(li => li.textContent.replace(/^\d+\.\s*/, '')));
  const game = new Chess();
  for (const san of sans) game.move(san);
  return game;
}

async function playGame(page) {
  await page.select('#time-select', 'move:100');
  await page.click('#new-game');
  await drag(page, 'e2', 'e4');
  await page.waitForFunction(() => Number(document.querySelector('#moves').dataset.count) >= 2, {timeout: 20000});
  // An illegal drag and an illegal typed move change nothing.
  const before = await fen(page);
  await drag(page, 'e4', 'e6');
  assert.equal(await fen(page), before);
  await typeMove(page, 'Ke5');
  assert.match(await text(page, '#message'), /Illegal move: Ke5/);
  assert.equal(await fen(page), before);
  // Then random legal moves until the game ends (the engine mates long before the cap).
  for (let ply = 0; ply < 300; ply++) {
    if (await text(page, '#result')) break;
    if (shots && ply === 6) await shoot(page, 'web-play');
    const game = await replay(page);
    assert.ok(!game.isGameOver(), 'the page announces the end of the game');
    const moves = game.moves({verbose: true});
    const m = moves[Math.floor(Math.random() * moves.length)];
    const count = await moveCount(page);
    await typeMove(page, m.lan);
    await page.waitForFunction(n => document.querySelector('#result').textContent
      || Number(document.querySelector('#moves').dataset.count) >= n + 2, {timeout: 20000}, count);
  }
  const result = await text(page, '#result');
  const game = await replay(page);
  assert.ok(game.isGameOver(), `game over by the rules: ${game.pgn()}`);
  assert.match(result, /Checkmate|Draw/);
  console.log(`browser: a game of ${game.history().length} plies, "${result}"`);
  // The review draws the graph and names the worst moves.
  await page.click('#review');
  await page.waitForSelector('#graph:not([hidden])', {timeout: 120000}).catch(async e => {
    console.log(await text(page, '#message'), await page.$eval('#console-log', e => e.textContent.slice(-300)), page.errors);
    throw e;
  });
  assert.ok((await page.$$('#mistakes li')).length >= 1);
  if (shots) await shoot(page, 'web-review');
  // Taking back after the end gives the player the move again.
  const plies = await moveCount(page);
  await page.click('#take-back');
  assert.equal(await moveCount(page), plies - 2);
  assert.equal(await text(page, '#result'), '');
}

async function analyse(page, multipv, screenshot) {
  const bad = await fen(page);
  await page.click('#io summary');
  await page.$eval('#fen-input', e => { e.value = '8/8/8/8/8/8/8/8 w - - 0 1'; });
  await page.click('#fen-load');
  assert.match(await text(page, '#message'), /Illegal FEN/);
  assert.equal(await fen(page), bad);
  const position = 'r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3';
  await page.$eval('#fen-input', (e, f) => { e.value = f; }, position);
  await page.click('#fen-load');
  await page.click('#tab-analyse');
  const lines = multipv ? 3 : 1;
  const depthOver = d => page.waitForFunction((n, d) => {
    const li = document.querySelectorAll('#lines li');
    return li.length === n && [...li].every(l => Number(l.dataset.depth) >= d);
  }, {timeout: 30000}, lines, d);
  await depthOver(4);
  await depthOver(8);  // deepening
  if (shots && screenshot) await shoot(page, 'web-analyse');
  await page.click('#stop');
  await sleep(300);
  const stopped = await text(page, '#lines');
  await sleep(500);
  assert.equal(await text(page, '#lines'), stopped, 'no more lines once stopped');
  await page.click('#stop');
  assert.match(await text(page, '#message'), /nothing to stop/);
  // A click on the first line plays its move.
  await page.click('#lines li');
  assert.equal(await moveCount(page), 1);
  assert.notEqual(await fen(page), position);
  // Garbage and a stray stop through the console are refused; the engine still answers.
  await page.click('#console summary');
  for (const line of ['hello there', 'stop', 'isready']) {
    await page.type('#console-input', line);
    await page.click('#console-send');
  }
  await page.waitForFunction(() => document.querySelector('#console-log').textContent.includes('readyok'));
  const log = await text(page, '#console-log');
  assert.match(log, /Not a UCI command: "hello"/);
  assert.match(log, /nothing to stop/);
}

const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--no-first-run']});
const servers = [await serve(8031, false), await serve(8032, true)];
try {
  const errors = [];
  const page = await openPage(browser, 'http://127.0.0.1:8031/', errors);
  assert.match(await text(page, '#engine-status'), /threads/);
  const multipv = await page.$eval('body', b => b.dataset.multipv === 'true');
  await playGame(page);
  await analyse(page, multipv, true);
  // Back to a game: the engine plays one line again, so its book answers 1. e4.
  await page.$eval('#fen-input', e => { e.value = 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'; });
  await page.click('#fen-load');
  await page.click('#tab-play');
  await drag(page, 'e2', 'e4');
  await page.waitForFunction(() => Number(document.querySelector('#moves').dataset.count) >= 2, {timeout: 20000});
  assert.ok(await page.$eval('#moves li:nth-child(2)', li => li.classList.contains('book')), 'a book reply after analysis');
  // A weaker engine to play: the level goes in before the game's first search, as Black the
  // player sees the engine open, and analysis is full strength again.
  await page.select('#level-select', '1350');
  await page.select('#side-select', 'black');
  await page.click('#new-game');
  await page.waitForFunction(() => Number(document.querySelector('#moves').dataset.count) >= 1, {timeout: 20000});
  await page.click('#tab-analyse');
  await page.waitForFunction(() => document.querySelectorAll('#lines li').length > 0, {timeout: 20000});
  await page.click('#stop');
  const sent = (await text(page, '#console-log')).split('\n');
  const last = (line, from = sent.length) => sent.lastIndexOf(line, from);
  const go = last('> go movetime 100');
  const fullBefore = last('> setoption name UCI_LimitStrength value false', go);
  assert.ok(last('> setoption name UCI_LimitStrength value true', go) > fullBefore
    && last('> setoption name UCI_Elo value 1350', go) > fullBefore, sent.slice(-20).join('\n'));
  assert.ok(last('> setoption name UCI_LimitStrength value false') > go, 'analysis at full strength');
  await page.select('#level-select', 'full');
  await page.select('#side-select', 'white');
  await page.click('#tab-play');
  // Once loaded the page works offline: with its server gone it comes back from the cache.
  await page.evaluate(() => navigator.serviceWorker.ready);
  servers[0].kill();
  await page.reload();
  await page.waitForSelector('body[data-engine]', {timeout: 30000});
  assert.equal(await page.$eval('body', b => b.dataset.engine), 'ready');
  // Without cross-origin isolation: the one-thread engine, stopped in the middle of a search.
  const plain = await openPage(browser, 'http://127.0.0.1:8032/', errors);
  assert.match(await text(plain, '#engine-status'), /one thread/);
  await analyse(plain, multipv, false);
  // On a phone-sized screen the page fits its width, the whole board in view.
  await plain.setViewport({width: 390, height: 844});
  await sleep(300);
  assert.ok(await plain.evaluate(() => document.documentElement.scrollWidth <= innerWidth
    && document.querySelector('#board').getBoundingClientRect().right <= innerWidth));
  assert.deepEqual(errors, []);
  // An engine that cannot load: the page says so rather than show a board that never answers.
  const broken = await (await browser.createBrowserContext()).newPage();
  await broken.setRequestInterception(true);
  broken.on('request', r => (r.url().endsWith('.wasm') ? r.abort() : r.continue()));
  await broken.goto('http://127.0.0.1:8032/');
  await broken.waitForSelector('body[data-engine="failed"]', {timeout: 30000});
  assert.match(await text(broken, '#load-error'), /engine could not be loaded/);
  console.log(`browser: game, review, analysis (${multipv ? 'three lines' : 'one line: no MultiPV in this engine'}), bad input, offline, phone width, failed load: pass`);
} finally {
  await browser.close();
  for (const s of servers) s.kill();
}
