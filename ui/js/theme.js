'use strict';
// Themes: the built-in "velotap" look lives in base.css; a custom theme overrides its seven values.
var currentThemeKey = 'velotap';

const Theme = {
  VARS: [['bgMain', '--bg-main'], ['bgPanel', '--bg-panel'], ['bgHeader', '--bg-header'],
         ['accent', '--accent'], ['accentHover', '--accent-hover'], ['text', '--text'],
         ['font', '--font']],
  list: null,  // custom theme records, once fetched
  loading: null,

  loadList() {
    if (!Theme.loading) {
      Theme.loading = Bridge.call('getCustomThemes').then(list => {
        Theme.list = Array.isArray(list) ? list : [];
        Theme.loading = null;
        Theme.renderSelect();
        return Theme.list;
      });
    }
    return Theme.loading;
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
    Dom.byId('theme-select').value = currentThemeKey;
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
