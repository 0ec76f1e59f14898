#include "app/bindings.h"

#include "base/args.h"

namespace velotap {

Binding OptimizeMacroBinding(MacroEditView v) {
    return {"optimizeMacro", [v](const std::string&) {
                EditCurrentMacro(v, [](std::vector<UnifiedEvent>& m) { ThinMovement(m); });
                return std::string();
            }};
}

std::vector<Binding> MacroListBindings(MacroEditView v) {
    std::vector<Binding> b;
    b.push_back({"getMacroEvents", [v](const std::string& args) {
                     // The page asks for the rows in view; without arguments, the whole list.
                     if (std::optional<std::string> window =
                             ListMacroEventWindow(v.profiles, FlattenArgs(args)))
                         return *std::move(window);
                     return ListMacroEvents(v);
                 }});
    b.push_back({"deleteEvent", [v](const std::string& args) {
                     const std::string flattened = FlattenArgs(args);
                     EditCurrentMacro(
                         v, [&](std::vector<UnifiedEvent>& m) { DeleteEvent(m, flattened); });
                     return std::string();
                 }});
    b.push_back({"updateEventTime", [v](const std::string& args) {
                     const std::string flattened = FlattenArgs(args);
                     EditCurrentMacro(
                         v, [&](std::vector<UnifiedEvent>& m) { UpdateEventTime(m, flattened); });
                     return std::string();
                 }});
    return b;
}

Binding MirroredMacroEventsBinding(std::string mirrorPath) {
    return {"getMacroEvents", [path = std::move(mirrorPath)](const std::string&) {
                return ReadMacroEventsMirror(path);
            }};
}

}  // namespace velotap
