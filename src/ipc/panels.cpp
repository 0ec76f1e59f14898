#include "ipc/panels.h"

#include "base/args.h"
#include "base/file_read.h"
#include "base/json.h"

namespace velotap {

namespace {

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// A JSON string literal that cannot end the script element it stands in.
std::string ScriptString(const std::string& text) {
    std::string literal;
    for (char c : JsonEscape(text)) {
        if (c == '<')
            literal += "\\u003c";
        else
            literal += c;
    }
    return literal;
}

}  // namespace

PanelParams ParsePanelParams(std::string_view text) {
    std::string unquoted;
    for (char c : text)
        if (c != '"') unquoted += c;
    const std::vector<std::string> fields = SplitString(unquoted, '|');
    PanelParams params;
    if (!fields.empty() && !fields[0].empty()) params.title = fields[0];
    if (fields.size() >= 2) params.id = fields[1];
    if (fields.size() >= 4) {
        std::optional<int32_t> x = ToInt32(fields[2]), y = ToInt32(fields[3]);
        if (x && y) params.position = Point{*x, *y};
    }
    if (fields.size() >= 5) params.theme = fields[4];
    return params;
}

std::vector<std::string> PanelArguments(const std::string& flattened, const std::string& themeKey) {
    return {"--child", flattened + "|" + themeKey};
}

std::string PanelWindowTitle(const std::string& title) {
    return "Velotap - " + title;
}

Point PanelWindowPosition(Point pressedAt) {
    return {pressedAt.x - 150, pressedAt.y - 20};
}

std::string PanelStartScript(const std::string& themeKey, const std::string& panelId) {
    return "<script>\n"
           "if (typeof applyTheme === 'function') applyTheme(" +
           ScriptString(themeKey) +
           ");\n"
           "(function () {\n"
           "  var select = document.getElementById('theme-select');\n"
           "  if (select) select.value = typeof currentThemeKey !== 'undefined' ? currentThemeKey "
           ": 'velotap';\n"
           "  document.querySelectorAll('.panel').forEach(function (p) { p.style.display = "
           "'none'; });\n"
           "  var panel = document.getElementById(" +
           ScriptString(panelId) +
           ");\n"
           "  if (panel) {\n"
           "    panel.style.display = 'block';\n"
           "    panel.style.borderRadius = '0';\n"
           "    panel.style.boxShadow = 'none';\n"
           "    panel.style.border = 'none';\n"
           "    var header = panel.querySelector('.panel-header');\n"
           "    if (header) {\n"
           "      header.style.cursor = 'move';\n"
           "      header.addEventListener('mousedown', function (e) {\n"
           "        if (e.button !== 0 || (e.target.closest && e.target.closest('.panel-btn'))) "
           "return;\n"
           "        e.preventDefault();\n"
           "        if (window.beginWindowDrag) window.beginWindowDrag('');\n"
           "      });\n"
           "    }\n"
           "  }\n"
           "  document.body.style.padding = '0';\n"
           "  var dashboard = document.getElementById('dashboard');\n"
           "  if (dashboard) dashboard.style.gap = '0';\n"
           "  document.body.classList.remove('booting');\n"
           "  document.body.style.visibility = 'visible';\n"
           "})();\n"
           "if (typeof resizeHostWindow === 'function') resizeHostWindow();\n"
           "</script>";
}

std::string InsertBeforeBodyEnd(std::string html, const std::string& insert) {
    const size_t at = html.rfind("</body>");
    if (at != std::string::npos) html.insert(at, insert);
    return html;
}

std::string ReadPanelSettings(const std::string& path) {
    std::string line = FirstLine(ReadWholeFile(path));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.empty() ? "{}" : line;
}

}  // namespace velotap
