#pragma once
// Macro import and export: a macro file becomes a new profile at once when the risk scan finds
// nothing, or is held until the page confirms or cancels it; the current profile is written to a
// file the user picks.
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_state.h"
#include "macro/profile_list.h"
#include "macro/unified_event.h"
#include "platform/file_dialog.h"
#include "scan/macro_scan.h"

namespace velotap {

inline constexpr const char* kMcrRefusal =
    ".mcr files are no longer supported. Re-export that profile as .vtpmacro from whatever version "
    "of Velotap created it, then import that instead.";
// What the page is told when a macro file handed to the program cannot be read.
inline constexpr const char* kMacroUnreadableAlert =
    "That macro file could not be imported - it may be corrupted or from a version this build "
    "doesn't recognize. Since this is recorded work, it's worth checking the original file is "
    "intact before trying again.";
inline constexpr const char* kExportWriteError = "Couldn't save that macro file.";
inline constexpr const char* kProfileImportedScript =
    "if (window.onProfileImported) window.onProfileImported();";

// A parsed macro file on its way to becoming a profile.
struct MacroImport {
    std::string name;
    std::string settings;  // the new profile's settings line; empty when the file had none
    std::vector<UnifiedEvent> events;
};

// The import the risk scan flagged, waiting for the page. One per process, under its own lock,
// which is never held together with the macro lock.
struct HeldImport {
    std::mutex lock;
    bool present = false;
    std::string pendingId;
    MacroImport import;
    std::string level;
    std::vector<MacroScan::ScanMatch> matches;
    // Pending ids; seeded once, from the system's random device, when the holder is made.
    std::mt19937_64 idSource;

    HeldImport();
};

// Everything the import and export need from the main process.
struct MacroImportContext {
    ProfileList& profiles;
    EngineState& state;  // the live tool settings and the recording flag
    HeldImport& held;
    FileDialogs& dialogs;
    // The exporter's global settings line, written into exported files. Unset: export reports
    // that it is unavailable rather than writing a file without settings.
    std::function<std::string()> globalSettingsLine;
    // Runs a script in the main page.
    std::function<void(const std::string& script)> post;
};

struct ImportOutcome {
    enum class Kind { Imported, Held, Error, Cancelled };
    Kind kind = Kind::Error;
    std::string document;  // what importProfile returns for it
};

// Where a macro file came from: the import dialog marks the new profile's name as imported.
enum class ImportSource { Dialog, HandedOver };

// 32 lowercase hexadecimal digits, each the top four bits of one output of `source`.
std::string NewPendingId(std::mt19937_64& source);

// The outcome documents.
std::string ErrorOutcome(std::string_view message);
// {"outcome":"pending","pendingId":…,"level":…,"matches":[{"severity":…,"message":…,"atSec":…}]}
std::string PendingDocument(std::string_view pendingId, std::string_view level,
                            const std::vector<MacroScan::ScanMatch>& matches);

// The filters and default extension of the import and export dialogs.
FileDialogRequest MacroFileDialogRequest();

// Adds the import as a new profile with a name no other profile has, and makes it current. A
// file without settings gets the default tool settings, which also become the live ones.
void CommitImport(ProfileList& profiles, EngineState& state, MacroImport import);

// Scans the import: nothing found commits it at once; anything found holds it in place of
// whatever was held before.
ImportOutcome DecideImport(MacroImportContext& context, MacroImport import);

// Reads the macro file at `path` and decides on it.
ImportOutcome ImportMacroPath(MacroImportContext& context, const std::string& path,
                              ImportSource source);

// A macro file named on the command line at start-up, decided on like one picked in the dialog
// but under its own name. The alert for the page when it cannot be read; empty otherwise.
std::string ImportStartupMacro(MacroImportContext& context, const std::string& path);

// What the page functions do (app/bindings_profiles.cpp).
std::string ExportProfile(MacroImportContext& context);
std::string ImportProfile(MacroImportContext& context);
std::string GetPendingMacroImport(MacroImportContext& context);
// Only the held import's exact id acts; anything else leaves it held.
void ConfirmMacroImport(MacroImportContext& context, std::string_view pendingId);
void CancelMacroImport(MacroImportContext& context, std::string_view pendingId);

}  // namespace velotap
