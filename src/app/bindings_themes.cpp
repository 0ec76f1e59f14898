#include "app/bindings.h"

#include "base/args.h"
#include "base/json.h"

namespace velotap {

std::vector<Binding> ThemeBindings(ThemeBindingView view) {
    ThemeStore& store = view.store;
    std::vector<Binding> b;
    b.push_back({"setTheme", [&store](const std::string& args) {
                     SetCurrentTheme(store, FlattenArgs(args));
                     return std::string();
                 }});
    // Escaped: setTheme and theme.txt accept any text, and the result must stay valid JSON.
    b.push_back({"getSharedTheme",
                 [&store](const std::string&) { return JsonEscape(CurrentTheme(store)); }});
    b.push_back(
        {"getCustomThemes", [&store](const std::string&) { return CustomThemesJson(store); }});
    b.push_back({"getSkinPiece", [&store](const std::string& args) {
                     return SkinPieceJson(store, FlattenArgs(args));
                 }});
    b.push_back({"getSkinFont", [&store](const std::string& args) {
                     return SkinFontJson(store, FlattenArgs(args));
                 }});
    b.push_back({"importTheme", [view](const std::string&) {
                     FileDialogRequest request;
                     request.filters = {{"Velotap Theme (*.vtptheme)", "*.vtptheme"}};
                     std::optional<std::string> path = view.dialogs.Open(request);
                     if (!path) return std::string();
                     ThemeImport import = ImportThemeFile(view.store, *path);
                     if (!import.error.empty()) return JsonEscape(import.error);
                     SetCurrentTheme(view.store, import.key);
                     view.notifyPanels();
                     return std::string();
                 }});
    b.push_back({"deleteTheme", [view](const std::string& args) {
                     if (DeleteTheme(view.store, FlattenArgs(args))) view.notifyPanels();
                     return std::string();
                 }});
    b.push_back({"getPendingThemeAlert",
                 [view](const std::string&) { return JsonEscape(view.takePendingAlert()); }});
    return b;
}

}  // namespace velotap
