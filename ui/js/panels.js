'use strict';
// The five panels: order (dragged by their headers, or Alt+Up/Down on a header button), collapse,
// pop-out, and the window size that fits them.
const Panels = {
  NAMES: ['panel-ui', 'panel-profile', 'panel-spammer', 'panel-keyspam', 'panel-tracker'],
  sortable: null,
  fitHost: false,
  // A pop-out panel window binds closeThisWindow; only the main window hides popped-out panels.
  isPanelWindow: () => Bridge.has('closeThisWindow'),

  all() {
    return [...Dom.byId('dashboard').querySelectorAll(':scope > .panel')];
  },
  title(panel) {
    return panel.querySelector('.panel-header h2').textContent;
  },

  init() {
    for (const panel of Panels.all()) {
      const header = panel.querySelector('.panel-header');
      const body = panel.querySelector('.panel-body');
      body.id = panel.id + '-body';
      const collapse = Panels.button('collapse', '<path d="M4 6l4 4 4-4"/>');
      collapse.setAttribute('aria-controls', body.id);
      collapse.setAttribute('aria-keyshortcuts', 'Alt+ArrowUp Alt+ArrowDown');
      collapse.addEventListener('click', () =>
        Panels.setCollapsed(panel, !panel.classList.contains('collapsed'), true));
      const popOut = Panels.button('popout', '<path d="M9 3h4v4M13 3L7 9M11 9v4H3V5h4"/>');
      popOut.setAttribute('aria-label', 'Pop out ' + Panels.title(panel));
      popOut.hidden = !Bridge.has('popOutPanel') || Panels.isPanelWindow();
      popOut.addEventListener('click', () => Panels.popOut(panel));
      const grip = document.createElement('span');
      grip.className = 'grip';
      grip.setAttribute('aria-hidden', 'true');
      header.prepend(grip);
      header.append(collapse, popOut);
      header.addEventListener('keydown', event => {
        if (!event.altKey || (event.key !== 'ArrowUp' && event.key !== 'ArrowDown')) return;
        event.preventDefault();
        Panels.move(panel, event.key === 'ArrowUp' ? -1 : 1);
      });
      Panels.setCollapsed(panel, false, false);
    }
    const observer = new ResizeObserver(entries => {
      for (const entry of entries) Panels.span(entry.target);
    });
    for (const panel of Panels.all()) observer.observe(panel);
    // A pop-out panel's header moves its window instead.
    if (typeof Sortable === 'function' && !Panels.isPanelWindow()) {
      Panels.sortable = Sortable.create(Dom.byId('dashboard'), {
        handle: '.panel-header', filter: '.panel-btn', preventOnFilter: false,
        draggable: '.panel', forceFallback: true, fallbackTolerance: 4, animation: 150,
        onEnd: event => {
          if (event.oldIndex !== event.newIndex) Panels.saveOrder();
        },
      });
    }
  },

  // Rows of the dashboard grid this panel covers: its height and the gap below it.
  span(panel) {
    const rows = 'span ' + Math.ceil((panel.getBoundingClientRect().height + 8) / 4);
    if (panel.style.gridRowEnd !== rows) panel.style.gridRowEnd = rows;
  },

  button(kind, path) {
    const button = document.createElement('button');
    button.className = 'panel-btn ' + kind;
    button.type = 'button';
    button.innerHTML = '<svg viewBox="0 0 16 16" aria-hidden="true">' + path + '</svg>';
    return button;
  },

  // Order and collapsed panels as the settings have them; panels the order leaves out keep their
  // place after the listed ones.
  apply(appSettings) {
    const order = (appSettings.panelOrder || []).filter(name => Panels.NAMES.includes(name));
    const dashboard = Dom.byId('dashboard');
    const panels = Panels.all();
    const ranked = panels.slice().sort((a, b) => {
      const ra = order.indexOf(a.id), rb = order.indexOf(b.id);
      return (ra < 0 ? order.length + panels.indexOf(a) : ra) -
             (rb < 0 ? order.length + panels.indexOf(b) : rb);
    });
    if (ranked.some((panel, i) => panel !== panels[i])) dashboard.append(...ranked);
    const minimised = appSettings.minimizedPanels || [];
    for (const panel of Panels.all()) {
      Panels.setCollapsed(panel, minimised.includes(panel.id), false);
    }
    if (Panels.sortable) Panels.sortable.option('animation', appSettings.disableAnimations ? 0 : 150);
  },

  setCollapsed(panel, collapsed, save) {
    Dom.cls(panel, 'collapsed', collapsed);
    const button = panel.querySelector('.panel-btn.collapse');
    Dom.attr(button, 'aria-expanded', String(!collapsed));
    Dom.attr(button, 'aria-label', (collapsed ? 'Expand ' : 'Collapse ') + Panels.title(panel));
    if (!save) return;
    Bridge.call('setAppSetting', 'min:' + panel.id, collapsed ? '1' : '0');
    Panels.refit();
  },

  move(panel, step) {
    const panels = Panels.all();
    const to = panels.indexOf(panel) + step;
    if (to < 0 || to >= panels.length) return;
    if (step < 0) panels[to].before(panel);
    else panels[to].after(panel);
    const focused = document.activeElement;
    if (focused && panel.contains(focused)) focused.focus();
    Dom.announce(Panels.title(panel) + ' moved to place ' + (to + 1));
    Panels.saveOrder();
  },

  saveOrder() {
    Bridge.call('setPanelOrder', Panels.all().map(p => p.id).join(','));
  },

  async popOut(panel) {
    const rect = panel.getBoundingClientRect();
    const x = Math.round(window.screenX + rect.left + 150);
    const y = Math.round(window.screenY + rect.top + 20);
    const failure = await Bridge.call('popOutPanel',
                                      [Panels.title(panel), panel.id, x, y].join('|'));
    if (failure) Notice.error(failure);
  },

  // Panels shown in their own windows leave the main window until they close.
  showPopped(ids) {
    if (Panels.isPanelWindow()) return;
    for (const panel of Panels.all()) Dom.hidden(panel, ids.includes(panel.id));
  },

  refit() {
    if (Panels.fitHost) requestAnimationFrame(resizeHostWindow);
  },
};

// Asks the host window for the size that fits the visible panels at the current width; the
// panel start script calls it, and from then on the page keeps the window fitted.
function resizeHostWindow() {
  Panels.fitHost = true;
  const shown = Panels.all().filter(p => getComputedStyle(p).display !== 'none');
  if (!shown.length) return;
  const bottom = Math.max(...shown.map(p => p.getBoundingClientRect().bottom)) + window.scrollY;
  const padding = parseFloat(getComputedStyle(document.body).paddingBottom) || 0;
  Bridge.call('resizeWindow', Math.ceil(document.documentElement.clientWidth),
              Math.ceil(bottom + padding));
}

Panels.init();
