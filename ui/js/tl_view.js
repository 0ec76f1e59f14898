'use strict';
// The timeline on a canvas: a time axis, one lane per kind of event and one row per key, and a
// minimap of the whole macro. Only what is visible is drawn; when a lane holds more events than
// pixels they are drawn as a density per pixel column, found by binary search, so a frame costs
// the same with a hundred events as with a million.
const TL_LABEL_W = 120, TL_AXIS_H = 26, TL_LANE_H = 26, TL_KEY_H = 20;
const TL_FIXED_LANES = [
  {name: 'Mouse moves', test: t => t === 0 || t === 1},
  {name: 'Clicks', test: t => t === 2},
  {name: 'Wheel', test: t => t === 4},
  {name: 'Tools', test: t => t === 5},
];

class TimelineView {
  constructor(model, canvas, minimap) {
    this.model = model;
    this.canvas = canvas;
    this.minimap = minimap;
    this.t0 = 0;           // time at the left edge of the lanes
    this.pps = 100;        // pixels per second
    this.playhead = 0;     // where inserts and pastes go
    this.snap = true;
    this.locked = false;
    this.keyNames = {};
    this.layoutVersion = -1;
    this.drag = null;
    this.frameQueued = false;
    this.onSelect = () => {};
    this.onEdit = () => {};
    this.lastFrameMs = 0;
  }

  // --- layout ----------------------------------------------------------------------------------
  // Per lane the indices of its events (in time order) and their times; per key event the end of
  // its bar. Rebuilt only when the events changed.
  layout() {
    const m = this.model, ev = m.ev;
    if (this.layoutVersion === m.version) return;
    this.layoutVersion = m.version;
    // Lane of each key code through a table: a Set and a Map cost more than the rest together.
    const rowOfVk = new Int32Array(65536).fill(-1);
    for (let i = 0; i < ev.n; i++) if (ev.type[i] === 3) rowOfVk[ev.vk[i]] = 0;
    this.keyRows = [];
    for (let vk = 0; vk < 65536; vk++) {
      if (rowOfVk[vk] < 0) continue;
      rowOfVk[vk] = TL_FIXED_LANES.length + this.keyRows.length;
      this.keyRows.push(vk);
    }
    this.lanes = TL_FIXED_LANES.map(l => ({name: l.name, h: TL_LANE_H, key: false}))
        .concat(this.keyRows.map(vk => ({name: this.keyName(vk), h: TL_KEY_H, key: true, vk})));
    let y = TL_AXIS_H;
    for (const lane of this.lanes) { lane.y = y; y += lane.h; }
    this.contentH = y;
    const counts = new Uint32Array(this.lanes.length);
    const laneOf = this.laneOf = new Uint16Array(ev.n);
    for (let i = 0; i < ev.n; i++) {
      const t = ev.type[i];
      const lane = t === 3 ? rowOfVk[ev.vk[i]] : t <= 1 ? 0 : t === 2 ? 1 : t === 4 ? 2 : 3;
      laneOf[i] = lane;
      counts[lane]++;
    }
    const idx = [], times = [];
    for (let l = 0; l < this.lanes.length; l++) {
      idx.push(this.lanes[l].idx = new Uint32Array(counts[l]));
      times.push(this.lanes[l].time = new Float64Array(counts[l]));
      counts[l] = 0;
    }
    for (let i = 0; i < ev.n; i++) {
      const l = laneOf[i], k = counts[l]++;
      idx[l][k] = i;
      times[l][k] = ev.time[i];
    }
    // A key's bar runs from its press to its next release.
    this.barEnd = new Float64Array(ev.n).fill(NaN);
    this.maxBar = 0;
    for (const lane of this.lanes) {
      if (!lane.key) continue;
      let open = -1;
      for (const i of lane.idx) {
        if (ev.down[i]) {
          if (open < 0) open = i;
        } else if (open >= 0) {
          this.barEnd[open] = ev.time[i];
          this.maxBar = Math.max(this.maxBar, ev.time[i] - ev.time[open]);
          open = -1;
        }
      }
      if (open >= 0) this.barEnd[open] = ev.time[open];
    }
  }

  keyName(vk) {
    return this.keyNames[vk] || ('Key ' + vk);
  }

  get width() { return this.canvas.clientWidth; }
  get lanesW() { return Math.max(1, this.width - TL_LABEL_W); }
  get t1() { return this.t0 + this.lanesW / this.pps; }
  xOf(t) { return TL_LABEL_W + (t - this.t0) * this.pps; }
  tOf(x) { return this.t0 + (x - TL_LABEL_W) / this.pps; }

  laneAt(y) {
    for (let l = 0; l < this.lanes.length; l++) {
      const lane = this.lanes[l];
      if (y >= lane.y && y < lane.y + lane.h) return l;
    }
    return -1;
  }

  // --- zoom and pan ----------------------------------------------------------------------------
  fit() {
    const d = Math.max(this.model.duration, 1);
    this.pps = this.lanesW / (d * 1.04);
    this.t0 = -d * 0.02;
    this.clamp();
  }
  zoomAt(x, factor) {
    const t = this.tOf(x);
    this.pps = Math.min(200000, Math.max(this.lanesW / (Math.max(this.model.duration, 1) * 4),
                                         this.pps * factor));
    this.t0 = t - (x - TL_LABEL_W) / this.pps;
    this.clamp();
  }
  panBy(px) {
    this.t0 += px / this.pps;
    this.clamp();
  }
  clamp() {
    const span = this.lanesW / this.pps, d = Math.max(this.model.duration, 1);
    this.t0 = Math.min(Math.max(this.t0, -span * 0.5), d - span * 0.5);
    this.redraw();
  }

  // The step between labelled ticks: 1, 2 or 5 times a power of ten, at least 80 px apart.
  tickStep() {
    const raw = 80 / this.pps;
    const p = Math.pow(10, Math.floor(Math.log10(raw)));
    for (const m of [1, 2, 5, 10]) if (p * m >= raw) return p * m;
    return p * 10;
  }
  snapTime(t) {
    if (!this.snap) return t;
    const step = this.tickStep() / 10;
    return Math.round(t / step) * step;
  }

  // --- drawing ---------------------------------------------------------------------------------
  redraw() {
    if (this.frameQueued) return;
    this.frameQueued = true;
    requestAnimationFrame(() => {
      this.frameQueued = false;
      this.draw();
    });
  }

  fitCanvas(canvas, cssH) {
    const dpr = window.devicePixelRatio || 1;
    const w = canvas.clientWidth, h = cssH;
    if (canvas.width !== Math.round(w * dpr) || canvas.height !== Math.round(h * dpr)) {
      canvas.width = Math.round(w * dpr);
      canvas.height = Math.round(h * dpr);
      canvas.style.height = h + 'px';
    }
    const g = canvas.getContext('2d');
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    return g;
  }

  colors() {
    const s = getComputedStyle(document.documentElement);
    const v = name => s.getPropertyValue(name).trim();
    return {bg: v('--bg-main'), panel: v('--bg-panel'), header: v('--bg-header'),
            accent: v('--accent'), text: v('--text'), muted: v('--muted') || v('--text'),
            line: v('--line') || 'rgba(255,255,255,.1)', sel: v('--warn') || '#e3a33b'};
  }

  draw() {
    const started = performance.now();
    this.layout();
    const c = this.colors();
    const g = this.fitCanvas(this.canvas, Math.max(this.contentH, this.canvas.parentElement.clientHeight));
    const W = this.width, H = this.canvas.clientHeight;
    g.fillStyle = c.bg;
    g.fillRect(0, 0, W, H);
    this.drawAxis(g, c, W, H);
    for (let l = 0; l < this.lanes.length; l++) this.drawLane(g, c, l, W);
    // The playhead and a box being drawn.
    const px = this.xOf(this.playhead);
    if (px >= TL_LABEL_W) {
      g.fillStyle = c.accent;
      g.fillRect(Math.round(px), 0, 1, H);
    }
    if (this.drag && this.drag.kind === 'box') {
      const d = this.drag;
      g.strokeStyle = c.accent;
      g.fillStyle = 'rgba(90,134,255,.15)';
      const x = Math.min(d.x0, d.x1), y = Math.min(d.y0, d.y1);
      g.fillRect(x, y, Math.abs(d.x1 - d.x0), Math.abs(d.y1 - d.y0));
      g.strokeRect(x + .5, y + .5, Math.abs(d.x1 - d.x0), Math.abs(d.y1 - d.y0));
    }
    this.drawMinimap(c);
    this.lastFrameMs = performance.now() - started;
  }

  drawAxis(g, c, W, H) {
    g.fillStyle = c.header;
    g.fillRect(0, 0, W, TL_AXIS_H);
    const step = this.tickStep();
    const digits = Math.max(0, -Math.floor(Math.log10(step)));
    g.font = '11px ' + (getComputedStyle(document.body).fontFamily || 'sans-serif');
    g.textBaseline = 'middle';
    for (let t = Math.ceil(this.t0 / step) * step; t <= this.t1; t += step) {
      const x = Math.round(this.xOf(t));
      if (x < TL_LABEL_W) continue;
      g.fillStyle = c.line;
      g.fillRect(x, TL_AXIS_H, 1, H - TL_AXIS_H);
      g.fillStyle = c.muted;
      g.fillRect(x, TL_AXIS_H - 6, 1, 6);
      g.fillText(t.toFixed(digits) + ' s', x + 3, TL_AXIS_H / 2);
    }
    g.fillStyle = c.text;
    g.fillText('Time', 8, TL_AXIS_H / 2);
  }

  drawLane(g, c, l, W) {
    const lane = this.lanes[l], ev = this.model.ev, sel = this.model.sel;
    g.fillStyle = l % 2 ? c.panel : c.bg;
    g.fillRect(0, lane.y, W, lane.h);
    g.fillStyle = c.line;
    g.fillRect(0, lane.y + lane.h - 1, W, 1);
    g.fillStyle = c.text;
    g.fillText(lane.name.length > 18 ? lane.name.slice(0, 17) + '…' : lane.name, 8,
               lane.y + lane.h / 2);
    g.save();
    g.beginPath();
    g.rect(TL_LABEL_W, lane.y, W - TL_LABEL_W, lane.h);
    g.clip();
    const from = tlLowerBound(lane.time, lane.time.length, this.t0 - (lane.key ? this.maxBar : 0));
    const to = tlLowerBound(lane.time, lane.time.length, this.t1, true);
    const top = lane.y + 4, h = lane.h - 8;
    // One path per colour: a fill per event costs far more than the rectangles themselves.
    const plain = new Path2D(), picked = new Path2D();
    if (to - from > this.lanesW * 2) {
      this.densityPath(plain, lane, top, h);
    } else {
      for (let k = from; k < to; k++) {
        const i = lane.idx[k], x = this.xOf(ev.time[i]), path = sel[i] ? picked : plain;
        if (lane.key) {
          if (!ev.down[i]) {
            if (Number.isNaN(this.barEnd[i])) path.rect(x - 1, top, 2, h);
            continue;
          }
          const end = Number.isNaN(this.barEnd[i]) ? ev.time[i] : this.barEnd[i];
          path.rect(x, top, Math.max(3, (end - ev.time[i]) * this.pps), h);
        } else if (ev.type[i] === 2) {
          path.rect(x - 2, ev.down[i] ? top : top + h / 2, 4, h / 2);
        } else {
          path.rect(x - 1, top + 2, 3, h - 4);
        }
      }
    }
    g.fillStyle = c.accent;
    g.fill(plain);
    g.fillStyle = c.sel;
    g.fill(picked);
    g.restore();
  }

  // Events per pixel column, as bars whose height grows with the count.
  densityPath(path, lane, top, h) {
    const n = lane.time.length, cols = Math.ceil(this.lanesW);
    let prev = tlLowerBound(lane.time, n, this.t0);
    for (let col = 0; col < cols && prev < n; col++) {
      const next = tlLowerBound(lane.time, n, this.tOf(TL_LABEL_W + col + 1));
      const count = next - prev;
      if (count > 0) {
        const bar = Math.max(2, Math.min(h, (Math.log2(count + 1) / 10) * h));
        path.rect(TL_LABEL_W + col, top + h - bar, 1, bar);
      }
      prev = next;
    }
  }

  drawMinimap(c) {
    const mm = this.minimap, g = this.fitCanvas(mm, mm.clientHeight || 40);
    const W = mm.clientWidth, H = mm.clientHeight || 40, d = Math.max(this.model.duration, 1);
    g.fillStyle = c.panel;
    g.fillRect(0, 0, W, H);
    if (this.miniVersion !== this.model.version || this.miniW !== W) {
      // The whole macro's density per column, once per change.
      this.miniVersion = this.model.version;
      this.miniW = W;
      const ev = this.model.ev;
      this.mini = new Uint32Array(W);
      let k = 0;
      for (let col = 0; col < W; col++) {
        const next = tlLowerBound(ev.time, ev.n, (col + 1) / W * d);
        this.mini[col] = next - k;
        k = next;
      }
    }
    const bars = new Path2D();
    for (let col = 0; col < W; col++) {
      if (!this.mini[col]) continue;
      const bar = Math.max(2, Math.min(H - 4, Math.log2(this.mini[col] + 1) / 12 * (H - 4)));
      bars.rect(col, H - 2 - bar, 1, bar);
    }
    g.fillStyle = c.accent;
    g.fill(bars);
    const x0 = this.t0 / d * W, x1 = this.t1 / d * W;
    g.strokeStyle = c.text;
    g.strokeRect(Math.max(0, x0) + .5, .5, Math.max(3, Math.min(W, x1) - Math.max(0, x0)), H - 1);
  }

  // --- pointer ---------------------------------------------------------------------------------
  hit(x, y) {
    const l = this.laneAt(y);
    if (l < 0 || x < TL_LABEL_W) return -1;
    const lane = this.lanes[l], ev = this.model.ev, t = this.tOf(x), tol = 5 / this.pps;
    let k = tlLowerBound(lane.time, lane.time.length, t - tol - (lane.key ? this.maxBar : 0));
    let best = -1, bestD = Infinity;
    for (; k < lane.time.length && lane.time[k] <= t + tol; k++) {
      const i = lane.idx[k];
      const end = lane.key && ev.down[i] && !Number.isNaN(this.barEnd[i]) ? this.barEnd[i] : ev.time[i];
      const dist = t < ev.time[i] ? ev.time[i] - t : t > end ? t - end : 0;
      if (dist <= tol && dist < bestD) { best = i; bestD = dist; }
    }
    return best;
  }

  attach() {
    const cv = this.canvas;
    const pos = e => {
      const r = cv.getBoundingClientRect();
      return [e.clientX - r.left, e.clientY - r.top];
    };
    cv.addEventListener('wheel', e => {
      e.preventDefault();
      const [x] = pos(e);
      if (e.shiftKey || Math.abs(e.deltaX) > Math.abs(e.deltaY)) {
        this.panBy((e.deltaX || e.deltaY));
      } else {
        this.zoomAt(Math.max(x, TL_LABEL_W), Math.pow(1.0015, -e.deltaY));
      }
    }, {passive: false});
    cv.addEventListener('pointerdown', e => {
      const [x, y] = pos(e);
      cv.setPointerCapture(e.pointerId);
      if (e.button === 1 || (e.button === 0 && e.altKey)) {
        this.drag = {kind: 'pan', x0: x, t0: this.t0};
        return;
      }
      if (e.button !== 0) return;
      const add = e.shiftKey || e.ctrlKey;
      if (y < TL_AXIS_H) {
        this.playhead = Math.max(0, this.snapTime(this.tOf(x)));
        this.drag = {kind: 'range', x0: x, x1: x, add};
        this.redraw();
        return;
      }
      const i = this.hit(x, y);
      if (i >= 0) {
        if (add) this.model.select(i, !this.model.sel[i]);
        else if (!this.model.sel[i]) { this.model.selectNone(); this.model.select(i); }
        this.drag = {kind: 'move', x0: x, ti: this.model.ev.time[i], dt: 0};
      } else {
        if (!add) this.model.selectNone();
        this.playhead = Math.max(0, this.snapTime(this.tOf(x)));
        this.drag = {kind: 'box', x0: x, y0: y, x1: x, y1: y, add};
      }
      this.onSelect();
      this.redraw();
    });
    cv.addEventListener('pointermove', e => {
      if (!this.drag) return;
      const [x, y] = pos(e), d = this.drag;
      if (d.kind === 'pan') {
        this.t0 = d.t0 - (x - d.x0) / this.pps;
        this.clamp();
      } else if (d.kind === 'move') {
        d.dt = this.snapTime(d.ti + (x - d.x0) / this.pps) - d.ti;
        this.canvas.title = (d.dt >= 0 ? '+' : '') + d.dt.toFixed(3) + ' s';
      } else {
        d.x1 = x;
        d.y1 = y;
        this.redraw();
      }
    });
    const end = e => {
      const d = this.drag;
      this.drag = null;
      this.canvas.title = '';
      if (!d) return;
      if (d.kind === 'move' && d.dt && !this.locked) {
        if (this.model.moveSelected(d.dt)) this.onEdit();
      } else if (d.kind === 'box' && Math.abs(d.x1 - d.x0) + Math.abs(d.y1 - d.y0) > 3) {
        const l0 = Math.min(d.y0, d.y1), l1 = Math.max(d.y0, d.y1);
        const lanes = new Set();
        this.lanes.forEach((lane, l) => {
          if (lane.y + lane.h > l0 && lane.y < l1) lanes.add(l);
        });
        this.model.selectRange(this.tOf(Math.min(d.x0, d.x1)), this.tOf(Math.max(d.x0, d.x1)),
                               i => lanes.has(this.laneOf[i]), d.add);
      } else if (d.kind === 'range' && Math.abs(d.x1 - d.x0) > 3) {
        this.model.selectRange(this.tOf(Math.min(d.x0, d.x1)), this.tOf(Math.max(d.x0, d.x1)),
                               null, d.add);
      }
      this.onSelect();
      this.redraw();
    };
    cv.addEventListener('pointerup', end);
    cv.addEventListener('pointercancel', end);

    const mm = this.minimap;
    const jump = e => {
      const r = mm.getBoundingClientRect();
      const t = (e.clientX - r.left) / r.width * Math.max(this.model.duration, 1);
      this.t0 = t - (this.t1 - this.t0) / 2;
      this.clamp();
    };
    mm.addEventListener('pointerdown', e => {
      mm.setPointerCapture(e.pointerId);
      this.miniDrag = true;
      jump(e);
    });
    mm.addEventListener('pointermove', e => { if (this.miniDrag) jump(e); });
    mm.addEventListener('pointerup', () => { this.miniDrag = false; });
    new ResizeObserver(() => this.redraw()).observe(cv.parentElement);
  }
}

if (typeof module !== 'undefined') module.exports = {TimelineView};
