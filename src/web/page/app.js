// SPDX-License-Identifier: GPL-3.0-or-later
// The live view: readings, the run's chart, alarms. Everything comes from the program
// that serves this page: the run so far over /api/run, then each new sample over a
// WebSocket; after a drop it asks for what it missed.
'use strict';

const token = new URLSearchParams(location.search).get('token') || '';
const colors = ['#d32f2f', '#1976d2', '#388e3c', '#f57c00', '#7b1fa2', '#0097a7', '#5d4037', '#c2185b'];
const view = { run: null, next: 0, status: null, span: 3600, socket: null, retryMs: 1000, closedWhy: '',
               hidden: new Set() };
let chart = null;
let redrawPending = false;

function withToken(path) {
  if (!token) return path;
  return path + (path.includes('?') ? '&' : '?') + 'token=' + encodeURIComponent(token);
}

function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}

function setLink(text, cls) {
  const pill = document.getElementById('link');
  pill.textContent = text;
  pill.className = 'pill ' + cls;
}

function channelCount(status) {
  return Math.max(1, (status && status.channels ? status.channels.length : 4));
}

// Clock times on the time axis: seconds only where the shown span is short.
function tickText(value) {
  const scale = chart ? chart.scales.x : null;
  const span = scale ? scale.max - scale.min : 0;
  const opts = span < 10 * 60 * 1000 ? { hour: '2-digit', minute: '2-digit', second: '2-digit' }
                                     : { hour: '2-digit', minute: '2-digit' };
  return new Date(value).toLocaleTimeString([], opts);
}

function several(status) {
  return !!status && !!status.meters && status.meters.length > 1;
}

// A meter as the user knows it: the name given to it, else its serial, else its place.
function meterLabel(meter, index) {
  if (meter && meter.name) return meter.name;
  if (meter && meter.serial) return meter.serial;
  return 'Meter ' + (index + 1);
}

function channelLabel(status, c) {
  const ch = status && status.channels ? status.channels[c] : null;
  const name = ch ? ch.name : 'T' + (c + 1);
  if (!several(status)) return name;
  const m = ch ? ch.meter : 0;
  return meterLabel(status.meters[m], m) + ' ' + name;
}

// The first meter's four channels keep the colours of one meter; more meters get further
// hues, and every meter after the first its own dashes, so 32 lines stay apart.
const dashes = [[], [6, 3], [2, 2], [8, 3, 2, 3], [12, 4], [3, 5], [10, 2, 2, 2], [5, 5]];
function channelColor(c) {
  if (c < colors.length) return colors[c];
  return 'hsl(' + Math.round((c * 137.5) % 360) + ', 65%, 42%)';
}

function makeChart(status) {
  const n = channelCount(status);
  const datasets = [];
  for (let c = 0; c < n; ++c) {
    const meter = status && status.channels ? status.channels[c].meter : 0;
    datasets.push({ label: channelLabel(status, c), data: [], borderColor: channelColor(c),
                    backgroundColor: channelColor(c), borderWidth: 1.5, pointRadius: 0,
                    borderDash: dashes[meter % dashes.length], spanGaps: false, hidden: view.hidden.has(c) });
  }
  if (chart) chart.destroy();
  chart = new Chart(document.getElementById('chart'), {
    type: 'line',
    data: { datasets },
    options: {
      animation: false, parsing: false, normalized: true, maintainAspectRatio: false,
      interaction: { mode: 'nearest', intersect: false },
      scales: {
        x: { type: 'linear', ticks: { maxTicksLimit: 7, callback: tickText } },
        y: { title: { display: true, text: '°C' } },
      },
      plugins: { legend: { display: false },
                 decimation: { enabled: true, algorithm: 'lttb', samples: 800 },
                 tooltip: { callbacks: { title: (items) => items.length ? new Date(items[0].parsed.x).toLocaleString() : '' } } },
    },
  });
  makeLegend(status);
}

// The legend below the chart: a button per channel shows or hides its line, and with
// several meters a button per meter does all of its channels at once.
function makeLegend(status) {
  const box = document.getElementById('legend');
  box.replaceChildren();
  const n = channelCount(status);
  const groups = new Map();
  for (let c = 0; c < n; ++c) {
    const m = status && status.channels ? status.channels[c].meter : 0;
    if (!groups.has(m)) groups.set(m, []);
    groups.get(m).push(c);
  }
  for (const [m, list] of groups) {
    const group = el('div', 'legend-group');
    if (several(status)) {
      const all = el('button', 'legend-meter', meterLabel(status.meters[m], m));
      all.type = 'button';
      all.dataset.meter = m;
      all.addEventListener('click', () => {
        const show = list.some((c) => view.hidden.has(c));
        for (const c of list) setShown(c, show);
      });
      group.append(all);
    }
    for (const c of list) {
      const key = el('button', 'key');
      key.type = 'button';
      key.dataset.dataset = c;
      const swatch = el('span', 'swatch');
      swatch.style.background = channelColor(c);
      key.append(swatch, el('span', 'key-name', status && status.channels ? status.channels[c].name : 'T' + (c + 1)));
      key.title = channelLabel(status, c);
      key.addEventListener('click', () => setShown(c, view.hidden.has(c)));
      group.append(key);
    }
    box.append(group);
  }
  showLegendState();
}

function setShown(c, shown) {
  if (shown) view.hidden.delete(c); else view.hidden.add(c);
  if (chart && chart.data.datasets[c]) chart.setDatasetVisibility(c, shown);
  showLegendState();
  redraw();
}

function showLegendState() {
  document.querySelectorAll('#legend .key').forEach((key) => {
    const shown = !view.hidden.has(Number(key.dataset.dataset));
    key.setAttribute('aria-pressed', String(shown));
    key.classList.toggle('off', !shown);
  });
}

function renameChannels(status) {
  if (!chart) return;
  chart.data.datasets.forEach((d, c) => { d.label = channelLabel(status, c); });
  document.querySelectorAll('#legend .key').forEach((key) => { key.title = channelLabel(status, Number(key.dataset.dataset)); });
  document.querySelectorAll('#legend .legend-meter').forEach((b) => {
    const m = Number(b.dataset.meter);
    b.textContent = meterLabel(status.meters[m], m);
  });
}

function redraw() {
  if (redrawPending || !chart) return;
  redrawPending = true;
  requestAnimationFrame(() => {
    redrawPending = false;
    let first = Infinity, last = -Infinity;
    for (const d of chart.data.datasets) {
      if (!d.data.length) continue;
      first = Math.min(first, d.data[0].x);
      last = Math.max(last, d.data[d.data.length - 1].x);
    }
    const some = isFinite(first);
    chart.options.scales.x.min = some ? (view.span > 0 ? Math.max(first, last - view.span * 1000) : first) : undefined;
    chart.options.scales.x.max = some ? last : undefined;
    chart.update('none');
  });
}

function addSamples(samples) {
  for (const s of samples) {
    if (s.seq < view.next) continue;  // had it already
    if (s.seq > view.next) { catchUp(); return; }  // something went missing: read the run again from there
    const x = Date.parse(s.time);
    s.values.forEach((v, c) => {
      const d = chart.data.datasets[c];
      if (!d) return;
      if (s.afterMiss && d.data.length) d.data.push({ x: x - 1, y: null });
      d.data.push({ x, y: typeof v === 'number' ? v : null });
    });
    view.next = s.seq + 1;
  }
  redraw();
}

function shownRate(seconds) {
  if (!seconds) return 'reading';
  return seconds >= 60 ? Math.floor(seconds / 60) + ' min ' + (seconds % 60) + ' s' : seconds + ' s';
}

function shownElapsed(seconds) {
  const s = Math.floor(seconds);
  const h = Math.floor(s / 3600), m = Math.floor((s % 3600) / 60), r = s % 60;
  return (h ? h + ':' + String(m).padStart(2, '0') : m) + ':' + String(r).padStart(2, '0');
}

function showStatus(status) {
  const firstOrNew = !view.status || channelCount(view.status) !== channelCount(status);
  view.status = status;
  view.statusAt = Date.now();
  if (firstOrNew) makeChart(status); else renameChannels(status);
  const run = status.run;
  document.getElementById('run-state').textContent = run.state;
  document.getElementById('run-samples').textContent = run.samples;
  document.getElementById('run-rate').textContent = run.rateSeconds === undefined ? '—' : shownRate(run.rateSeconds);
  tickElapsed();
  const events = document.getElementById('events');
  events.replaceChildren();
  for (const e of status.alarmEvents.slice().reverse()) {
    const channel = e.meter !== undefined ? meterLabel(status.meters[e.meter], e.meter) + ' ' + e.channel : e.channel;
    const li = el('li', e.raised ? 'raised' : '',
                  new Date(Date.parse(e.time)).toLocaleTimeString() + ' ' + channel + ' ' + e.value + ' ' + e.text);
    events.append(li);
  }
  document.getElementById('alarm-none').hidden = status.alarmEvents.length > 0;
  markAlarms();
}

function tickElapsed() {
  const status = view.status;
  if (!status || status.run.start === null || status.run.start === undefined) {
    document.getElementById('run-elapsed').textContent = '—';
    return;
  }
  let s = status.run.elapsedSeconds;
  if (status.run.state === 'recording') s += (Date.now() - view.statusAt) / 1000;
  document.getElementById('run-elapsed').textContent = shownElapsed(s);
}

function markAlarms() {
  if (!view.status) return;
  view.status.channels.forEach((ch, c) => {
    const tile = document.querySelector('.tile[data-meter="' + ch.meter + '"][data-channel="' + (c % 4) + '"]');
    if (tile) tile.classList.toggle('alarm', !!ch.alarm);
  });
}

function showReadings(readings) {
  const box = document.getElementById('meters');
  for (const m of readings.meters) {
    let card = box.querySelector('.meter[data-meter="' + m.index + '"]');
    if (!card) {
      card = el('div', 'card meter');
      card.dataset.meter = m.index;
      const head = el('div', 'meter-head');
      head.append(el('span', 'who'), el('span', 'state'));
      const tiles = el('div', 'tiles');
      for (let c = 0; c < m.channels; ++c) {
        const tile = el('div', 'tile');
        tile.dataset.meter = m.index;
        tile.dataset.channel = c;
        const value = el('div');
        value.append(el('span', 'value', '----'), el('span', 'unit', ''));
        tile.append(el('div', 'name', 'T' + (c + 1)), value);
        tiles.append(tile);
      }
      card.append(head, tiles);
      box.append(card);
    }
    card.querySelector('.who').textContent =
      [m.name || 'Meter ' + (m.index + 1), m.model, m.serial].filter(Boolean).join(' · ');
    const state = card.querySelector('.state');
    state.textContent = m.connected ? 'connected' : 'not connected';
    state.classList.toggle('off', !m.connected);
    card.querySelectorAll('.tile').forEach((tile, c) => {
      const r = m.readings[c];
      tile.querySelector('.value').textContent = r ? r.text : '----';
      tile.querySelector('.unit').textContent = r && r.state === 'ok' ? m.unit : '';
    });
  }
  markAlarms();
}

async function getJson(path) {
  const reply = await fetch(withToken(path), { cache: 'no-store' });
  if (reply.status === 403) throw new Error('this view needs its access token: open the link the program shows');
  if (!reply.ok) throw new Error(path + ': ' + reply.status);
  return reply.json();
}

let catchingUp = false;
async function catchUp() {
  if (catchingUp) return;
  catchingUp = true;
  try {
    for (;;) {
      const page = await getJson('/api/run?limit=5000&since=' + view.next);
      if (page.run !== view.run) { startRun(page.run); continue; }
      addSamples(page.samples);
      if (page.complete || page.samples.length === 0) break;
    }
  } catch (e) {
    setLink(String(e.message || e), 'gone');
  } finally {
    catchingUp = false;
  }
}

function startRun(run) {
  view.run = run;
  view.next = 0;
  if (chart) for (const d of chart.data.datasets) d.data = [];
  redraw();
}

function connect() {
  const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
  const query = '/ws?since=' + view.next + (view.run !== null ? '&run=' + view.run : '');
  const ws = new WebSocket(scheme + '//' + location.host + withToken(query));
  view.socket = ws;
  ws.onopen = () => { view.retryMs = 1000; view.closedWhy = ''; setLink('live', 'live'); };
  ws.onmessage = (event) => {
    const m = JSON.parse(event.data);
    if (m.type === 'hello') {
      if (m.status.run.number !== view.run) startRun(m.status.run.number);
      showStatus(m.status);
      showReadings(m.readings);
    } else if (m.type === 'samples') {
      if (m.run === view.run) addSamples(m.samples);
    } else if (m.type === 'readings') {
      showReadings(m);
    } else if (m.type === 'status') {
      showStatus(m);
    } else if (m.type === 'run') {
      startRun(m.status.run.number);
      showStatus(m.status);
    }
  };
  ws.onclose = (event) => {
    view.socket = null;
    view.closedWhy = event.reason || '';
    setLink(view.closedWhy ? view.closedWhy : 'reconnecting…', view.closedWhy ? 'gone' : 'wait');
    setTimeout(connect, view.retryMs);
    view.retryMs = Math.min(view.retryMs * 2, 15000);
  };
}

async function start() {
  document.querySelectorAll('.chart-tools button').forEach((b) => {
    b.addEventListener('click', () => {
      document.querySelectorAll('.chart-tools button').forEach((o) => o.classList.toggle('on', o === b));
      view.span = Number(b.dataset.span);
      redraw();
    });
  });
  setInterval(tickElapsed, 1000);
  try {
    const status = await getJson('/api/status');
    showStatus(status);
    showReadings(await getJson('/api/readings'));
    startRun(status.run.number);
    await catchUp();
  } catch (e) {
    setLink(String(e.message || e), 'gone');
    if (String(e.message).includes('token')) return;
  }
  connect();
}

start();
