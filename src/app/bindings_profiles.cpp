#include "app/bindings.h"

#include "base/args.h"
#include "profiles/profile_ops.h"

namespace velotap {

std::vector<Binding> ProfileBindings(ProfileList& list, EngineState& state) {
    std::vector<Binding> b;
    b.push_back({"clearProfile", [&list, &state](const std::string&) {
                     ClearProfile(list, state);
                     return std::string();
                 }});
    b.push_back({"addProfile", [&list, &state](const std::string& args) {
                     AddProfile(list, state, FlattenArgs(args));
                     return std::string();
                 }});
    b.push_back({"deleteProfile", [&list, &state](const std::string&) {
                     DeleteProfile(list, state);
                     return std::string();
                 }});
    b.push_back({"switchProfile", [&list, &state](const std::string& args) {
                     SwitchProfile(list, state, FlattenArgs(args));
                     return std::string();
                 }});
    b.push_back({"getProfiles", [&list](const std::string&) { return ProfilesJson(list); }});
    return b;
}

std::vector<Binding> MacroImportBindings(MacroImportContext context) {
    std::vector<Binding> b;
    b.push_back({"exportProfile",
                 [context](const std::string&) mutable { return ExportProfile(context); }});
    b.push_back({"importProfile",
                 [context](const std::string&) mutable { return ImportProfile(context); }});
    b.push_back({"confirmMacroImport", [context](const std::string& args) mutable {
                     ConfirmMacroImport(context, FlattenArgs(args));
                     return std::string();
                 }});
    b.push_back({"cancelMacroImport", [context](const std::string& args) mutable {
                     CancelMacroImport(context, FlattenArgs(args));
                     return std::string();
                 }});
    b.push_back({"getPendingMacroImport",
                 [context](const std::string&) mutable { return GetPendingMacroImport(context); }});
    return b;
}

}  // namespace velotap
