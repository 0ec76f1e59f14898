'use strict';
// Themes: the built-in "velotap" look lives in base.css; a custom theme overrides its seven values
// and may carry a skin (images for parts of the page, skin.css) and a font.
var currentThemeKey = 'velotap';

const Theme = {
  VARS: [['bgMain', '--bg-main'], ['bgPanel', '--bg-panel'], ['bgHeader', '--bg-header'],
         ['accent', '--accent'], ['accentHover', '--accent-hover'], ['text', '--text'],
         ['font', '--font']],
  SWATCH: ['bgMain', 'bgPanel', 'bgHeader', 'accent', 'accentHover', 'text'],
  PIECES: ['window', 'panel', 'panel-header', 'modal', 'modal-header', 'button', 'button-accent',
           'button-danger', 'button-small', 'field', 'switch', 'switch-knob', 'radio',
           'scroll-track', 'scroll-thumb', 'button.on', 'button-accent.on', 'button-danger.on',
           'button-small.on', 'field.on', 'switch.on', 'switch-knob.on', 'radio.on',
           'scroll-thumb.on'],
  list: null,  // custom theme records, once fetched
  loading: null,
  // The skin shown: the record it belongs to (as JSON), its image URLs and its font.
  skin: {id: null, urls: [], font: null, generation: 0},

  loadList() {
    if (!Theme.loading) {
      Theme.loading = Bridge.call('getCustomThemes').then(list => {
        Theme.list = Array.isArray(list) ? list : [];
        Theme.loading = null;
        Theme.renderSelect();
        Theme.renderList();
        return Theme.list;
      });
    }
    return Theme.loading;
  },

  // Reloads the list and applies the program's current theme (after an import, a delete or a
  // change in the themes folder).
  async refresh() {
    Theme.list = null;
    await Theme.loadList();
    const key = Bridge.has('getSharedTheme') ? await Bridge.call('getSharedTheme') : currentThemeKey;
    applyTheme(key || currentThemeKey);
  },

  renderSelect() {
    const select = Dom.byId('theme-select');
    const options = [['velotap', 'Velotap']].concat((Theme.list || []).map(t => [t.key, t.name]));
    const wanted = options.map(o => o.join('\n')).join('\n\n');
    if (select.dataset.options !== wanted) {
      select.dataset.options = wanted;
      select.textContent = '';
      for (const [key, name] of options) select.add(new Option(name, key));
    }
    select.value = currentThemeKey;
  },

  // Every theme with a swatch of its colours; custom ones can be deleted.
  renderList() {
    const box = Dom.byId('theme-list');
    if (!box) return;
    const themes = [{key: 'velotap', name: 'Velotap'}].concat(Theme.list || []);
    const wanted = JSON.stringify(themes);
    if (box.dataset.shown !== wanted) {
      box.dataset.shown = wanted;
      box.textContent = '';
      const canDelete = Bridge.has('deleteTheme');
      for (const t of themes) {
        const item = document.createElement('li');
        item.className = 'theme';
        item.dataset.key = t.key;
        const swatch = document.createElement('span');
        swatch.className = 'swatch';
        swatch.setAttribute('aria-hidden', 'true');
        for (const field of Theme.SWATCH) {
          const chip = document.createElement('span');
          // The built-in colours are base.css's own.
          chip.style.background = t[field] || 'var(--velotap-' +
              field.replace(/[A-Z]/g, c => '-' + c.toLowerCase()) + ')';
          swatch.appendChild(chip);
        }
        const name = document.createElement('span');
        name.className = 'theme-name';
        name.textContent = t.name + (t.name !== t.key && t.key !== 'velotap' ? ' (' + t.key + ')' : '');
        item.append(swatch, name);
        if (t.hasSkin) {
          const tag = document.createElement('span');
          tag.className = 'state';
          tag.textContent = 'skin';
          item.appendChild(tag);
        }
        if (t.key !== 'velotap' && canDelete) {
          const del = document.createElement('button');
          del.className = 'btn small';
          del.textContent = 'Delete';
          del.setAttribute('aria-label', 'Delete theme ' + t.name);
          del.addEventListener('click', () => Theme.remove(t));
          item.appendChild(del);
        }
        box.appendChild(item);
      }
    }
    for (const item of box.children) {
      Dom.attr(item, 'aria-current', item.dataset.key === currentThemeKey ? 'true' : 'false');
    }
  },

  // Sets the page's colour variables from a record; none restores the built-in look.
  paint(record) {
    const style = document.documentElement.style;
    for (const [field, variable] of Theme.VARS) {
      if (record && record[field]) style.setProperty(variable, record[field]);
      else style.removeProperty(variable);
    }
    // Native parts (scroll bars, the number spinners) follow a light or dark background.
    style.colorScheme = record && Theme.isLight(record.bgMain) ? 'light' : 'dark';
  },

  isLight(colour) {
    let rgb = null;
    const hex = /^#([0-9a-f]{3}|[0-9a-f]{6})$/i.exec(colour || '');
    if (hex) {
      const h = hex[1].length === 3 ? hex[1].replace(/./g, c => c + c) : hex[1];
      rgb = [0, 2, 4].map(i => parseInt(h.slice(i, i + 2), 16));
    } else {
      const m = /^rgb\(([^)]*)\)$/.exec(colour || '');
      if (m) rgb = m[1].split(',').slice(0, 3).map(v => parseInt(v, 10));
    }
    if (!rgb || rgb.some(Number.isNaN)) return false;
    return 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2] > 140;
  },

  bytes(base64) {
    const text = atob(base64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  },

  // Removes the skin's images and font; the theme's colours stay.
  dropSkin() {
    const style = document.documentElement.style;
    for (const piece of Theme.PIECES) style.removeProperty(Theme.pieceVar(piece));
    for (const url of Theme.skin.urls) URL.revokeObjectURL(url);
    if (Theme.skin.font) document.fonts.delete(Theme.skin.font);
    Dom.cls(document.documentElement, 'skin-scroll', false);
    Theme.skin = {id: null, urls: [], font: null, generation: Theme.skin.generation + 1};
  },

  // The skin's font first, the theme's stack behind it.
  skinFont(record) {
    if (Theme.skin.font) {
      document.documentElement.style.setProperty(
          '--font', '"' + Theme.skin.font.family + '", ' + record.font);
    }
  },

  pieceVar(piece) {
    return '--skin-' + piece.replace('.', '-');
  },

  // Loads the theme's pieces as images of the parts they name and its font through FontFace. A
  // later theme change makes a load still under way drop what it fetched.
  async loadSkin(record, id) {
    Theme.dropSkin();
    const skin = Theme.skin;
    skin.id = id;
    const style = document.documentElement.style;
    const current = () => Theme.skin === skin;
    for (const piece of Theme.PIECES) {
      const base64 = await Bridge.call('getSkinPiece', record.key + '|' + piece);
      if (!current()) return;
      if (!base64) continue;
      const url = URL.createObjectURL(new Blob([Theme.bytes(base64)], {type: 'image/png'}));
      skin.urls.push(url);
      style.setProperty(Theme.pieceVar(piece), 'url("' + url + '")');
      if (piece.startsWith('scroll-')) Dom.cls(document.documentElement, 'skin-scroll', true);
    }
    const font = await Bridge.call('getSkinFont', record.key);
    if (!current() || !font) return;
    try {
      const face = new FontFace('VelotapSkin' + skin.generation, Theme.bytes(font));
      await face.load();
      if (!current()) return;
      document.fonts.add(face);
      skin.font = face;
      Theme.skinFont(record);
    } catch (error) {
      // A font the engine cannot read: the theme's font stack stays.
    }
  },

  apply(key) {
    const record = (Theme.list || []).find(t => t.key === key);
    if (key !== 'velotap' && !record && Theme.list === null && Bridge.has('getCustomThemes')) {
      // Custom themes are not known yet: apply once they are.
      Theme.loadList().then(() => {
        if (currentThemeKey === key) Theme.apply(key);
      });
      currentThemeKey = key;
      return;
    }
    // A key without a theme falls back to the built-in look.
    currentThemeKey = record ? key : 'velotap';
    Theme.paint(record);
    const id = record && record.hasSkin && Bridge.has('getSkinPiece') ? JSON.stringify(record) : null;
    if (id === null) Theme.dropSkin();
    else if (id !== Theme.skin.id) Theme.loadSkin(record, id);
    else Theme.skinFont(record);
    Dom.byId('theme-select').value = currentThemeKey;
    Theme.renderList();
  },

  async importFile() {
    const failure = await Bridge.call('importTheme');
    if (failure) {
      Notice.error(failure);
      return;
    }
    const before = currentThemeKey;
    await Theme.refresh();
    if (currentThemeKey !== before) {
      const record = (Theme.list || []).find(t => t.key === currentThemeKey);
      Notice.toast('Theme "' + (record ? record.name : currentThemeKey) + '" imported.');
    }
  },

  async remove(record) {
    Dom.text(Dom.byId('confirmText'), 'The theme "' + record.name +
             '" is removed from Velotap\'s themes folder.');
    if (await Modal.show(Dom.byId('confirm'), 'confirmCancel') !== 'go') return;
    await Bridge.call('deleteTheme', record.key);
    await Theme.refresh();
    Notice.toast('Theme "' + record.name + '" deleted.');
  },
};

// Called by the program's panel start script and by the theme notices.
function applyTheme(key) {
  Theme.apply(String(key || 'velotap'));
}

Dom.byId('theme-select').addEventListener('change', event => {
  applyTheme(event.target.value);
  Bridge.call('setTheme', currentThemeKey);
});
if (Dom.byId('themeImport')) {
  Dom.byId('themeImport').hidden = !Bridge.has('importTheme');
  Dom.byId('themeImport').addEventListener('click', () => Theme.importFile());
}
