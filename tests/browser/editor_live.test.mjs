// The editor page in real Chromium against `talvo-host ui` on the built
// bundle: what a musician does with it, end to end. Screenshots go to
// TALVO_ARTEFACTS. Run by ctest (browser.editor), or alone with the four
// variables set: node --test tests/browser
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import { chromium } from 'playwright-core';

const { TALVO_HOST, TALVO_BUNDLE, TALVO_CHROMIUM, TALVO_ARTEFACTS } = process.env;
const work = mkdtempSync(join(tmpdir(), 'oriel-browser-'));
const stateFile = join(work, 'state.json');
const consoleErrors = [];
const hostLines = [];
let host;
let context;
let page;

function waitFor(predicate, what, ms = 10000) {
  return new Promise((resolve, reject) => {
    const started = Date.now();
    const poll = () => {
      const found = predicate();
      if (found) resolve(found);
      else if (Date.now() - started > ms) reject(new Error(`timed out waiting for ${what}`));
      else setTimeout(poll, 50);
    };
    poll();
  });
}

const dial = (path) => page.locator(`.knob[data-path="${path}"] [role="slider"]`);
const openTab = (name) => page.getByRole('tab', { name }).click();
const connected = () => page.waitForFunction(() => document.getElementById('status').textContent === 'Connected');
const shoot = (name) => page.screenshot({ path: join(TALVO_ARTEFACTS, `${name}.png`) });

before(async () => {
  mkdirSync(TALVO_ARTEFACTS, { recursive: true });
  host = spawn(TALVO_HOST, ['ui', TALVO_BUNDLE, '--state-out', stateFile], { stdio: ['pipe', 'pipe', 'inherit'] });
  createInterface({ input: host.stdout }).on('line', (line) => hostLines.push(line));
  const url = await waitFor(() => hostLines.join('\n').match(/http:\/\/127\.0\.0\.1:\d+\/[0-9a-f]{32}\//)?.[0],
    'the address talvo-host prints', 30000);
  context = await chromium.launchPersistentContext(join(work, 'profile'), {
    executablePath: TALVO_CHROMIUM,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 1100, height: 860 },
  });
  page = context.pages()[0] || await context.newPage();
  page.on('console', (message) => message.type() === 'error' && consoleErrors.push(message.text()));
  page.on('pageerror', (error) => consoleErrors.push(error.message));
  await page.goto(url);
});

after(async () => {
  await context?.close();
  if (host && host.exitCode === null) host.kill('SIGKILL');
  rmSync(work, { recursive: true, force: true });
});

test('the page draws the hello from the plug-in', async () => {
  await connected();
  assert.equal(await dial('oriel.rate').getAttribute('aria-valuenow'), '5');
  assert.equal(await dial('oriel.wet').getAttribute('aria-valuenow'), '1');
  await shoot('hello');
});

test('a drag is one gesture to the host and the controller keeps its value', async () => {
  const box = await dial('oriel.depth').boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down();
  for (let y = 1; y <= 6; y += 1) await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2 - 10 * y);
  await page.mouse.up();
  const shown = Number(await dial('oriel.depth').getAttribute('aria-valuenow'));
  assert.ok(shown > 0.3, `depth moved to ${shown}`);

  const edits = await waitFor(() => hostLines.includes('endEdit oriel.depth') &&
    hostLines.filter((l) => /Edit oriel\.depth/.test(l)), 'the end of the gesture');
  assert.equal(edits[0], 'beginEdit oriel.depth');
  assert.ok(edits.slice(1, -1).length > 1 && edits.slice(1, -1).every((l) => l.startsWith('performEdit ')));
  assert.equal(edits.at(-1), 'endEdit oriel.depth');
  const state = await page.evaluate(() => new Promise((resolve) => {
    window.talvoHost.onMessage((m) => m.type === 'talvo.state' && resolve(m.state));
    window.talvoHost.postMessage({ type: 'talvo.getState' });
  }));
  assert.equal(state.params['oriel.depth'], shown);
});

test('host automation moves the control', async () => {
  host.stdin.write('oriel.rate=7.5\n');
  await page.waitForFunction(() =>
    document.querySelector('.knob[data-path="oriel.rate"] [role="slider"]').getAttribute('aria-valuenow') === '7.5');
  assert.match(await page.locator('.knob[data-path="oriel.rate"] .knob-readout').textContent(), /7\.5/);
});

test('the CC map editor saves a map that comes back with the next hello', async () => {
  await openTab('MIDI');
  await page.getByRole('button', { name: 'Add binding' }).click();
  await page.getByLabel('Parameter').selectOption('oriel.depth');
  await page.getByLabel('CC', { exact: true }).fill('74');
  await page.getByRole('button', { name: 'Save map' }).click();
  await page.getByText('Saved.', { exact: false }).waitFor();
  await shoot('ccmap');

  await page.reload();
  await connected();
  await openTab('MIDI');
  assert.equal(await page.getByLabel('CC', { exact: true }).inputValue(), '74');
  assert.equal(await page.getByLabel('Parameter').inputValue(), 'oriel.depth');
});

test('the diagnostics panel shows lifecycle events', async () => {
  await openTab('Diagnostics');
  const saved = page.locator('.card', { hasText: 'Lifecycle' }).getByText('State saved').first();
  await saved.scrollIntoViewIfNeeded(); // the page's own getState, a moment ago
  await shoot('diagnostics');
});

test('a bad bank folder shows its error in words', async () => {
  await openTab('Bank');
  await page.locator('#bank-folder').fill('/nonexistent/oriel-pack');
  await page.getByRole('button', { name: 'Load bank' }).click();
  await page.locator('.bank-status').getByText('could not be read').waitFor();
  await shoot('bank-error');
});

test('keyboard alone reaches every control', async () => {
  // Every focusable, enabled and visible control of each panel is reached
  // by Tab; the arrow keys move between the panels' tabs.
  await page.evaluate(() => document.addEventListener('focusin', (e) => { e.target.dataset.reached = '1'; }));
  const unreached = (tabsToo) => page.evaluate((all) => [...document.querySelectorAll(
    'button, input, select, textarea, [tabindex]')]
    .filter((el) => !el.disabled && el.checkVisibility() && !el.dataset.reached && (all || el.role !== 'tab'))
    .map((el) => el.id || el.ariaLabel || el.textContent.trim() || el.outerHTML.slice(0, 60)), tabsToo);
  const focusedRole = () => page.evaluate(() => document.activeElement.role);
  for (let panel = 0; panel < 3; panel += 1) {
    for (let i = 0; i < 80; i += 1) await page.keyboard.press('Tab');
    assert.deepEqual(await unreached(false), [], `not reached with panel ${panel + 1} open`);
    for (let i = 0; i < 80 && await focusedRole() !== 'tab'; i += 1) await page.keyboard.press('Tab');
    await page.keyboard.press('ArrowRight');
  }
  assert.deepEqual(await unreached(true), []);
});

test('ending the session saves the map in the processor state; the page logged no errors', async () => {
  await context.close();
  context = null;
  host.kill('SIGTERM');
  const [code] = await once(host, 'exit');
  assert.equal(code, 0);
  const state = JSON.parse(readFileSync(stateFile, 'utf8'));
  assert.deepEqual(state.ccMap.bindings.map((b) => [b.path, b.cc]), [['oriel.depth', 74]]);
  assert.equal(state.params['oriel.rate'], 7.5); // the host's automation reached the processor
  assert.deepEqual(consoleErrors, []);
});
