#include "themes/hand_over.h"

#include <filesystem>
#include <system_error>

#include "base/file_read.h"
#include "base/json.h"
#include "platform/file_replace.h"
#include "profiles/macro_import.h"
#include "themes/theme_file.h"
#include "themes/theme_names.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;

constexpr size_t kDropPathLimit = 259;  // characters a 260-character buffer holds with its end

size_t Utf8Length(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void Remove(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

void Report(HandOverContext& context, const std::string& appliedKey,
            const std::vector<ThemeReject>& rejects) {
    if (context.pageExists()) context.post(ThemeResultScript(appliedKey, rejects));
}

void ApplyKey(HandOverContext& context, const std::string& key) {
    SetCurrentTheme(context.store, key);
    Report(context, key, {});
}

// A message for the page: an alert while it exists, else the pending alert.
void Alert(HandOverContext& context, const std::string& message) {
    if (context.pageExists()) {
        context.post("alert(" + JsonEscape(message) + ");");
    } else {
        context.setPendingAlert(message);
    }
}

void HandOverMacro(HandOverContext& context, const std::string& stem) {
    std::optional<std::string> file = FindFolderFile(context.store.folder, stem, kMacroExtension);
    if (!file) return;
    MacroHandOver outcome = context.importMacro(*file);
    Remove(*file);
    switch (outcome.kind) {
        case MacroHandOver::Kind::Unreadable:
            Alert(context, kMacroUnreadableAlert);
            break;
        case MacroHandOver::Kind::Imported:
            if (context.pageExists()) {
                context.post(kProfileImportedScript);
            }
            break;
        case MacroHandOver::Kind::Held:
            if (context.pageExists()) {
                context.post("if (window.onPendingMacroImport) window.onPendingMacroImport(" +
                             outcome.pendingDocument + ");");
            }
            break;
    }
}

void HandOverTheme(HandOverContext& context, const std::string& key) {
    ThemeStore& store = context.store;
    if (store.registry.count(key)) return ApplyKey(context, key);
    std::optional<std::string> file = FindFolderFile(store.folder, key, kThemeExtension);
    if (!file) return;  // deleted meanwhile: handled, nothing to apply
    ThemeCheck check = LoadThemeFile(*file);
    if (check.accepted) {
        store.registry.insert_or_assign(key, std::move(check.record));
        return ApplyKey(context, key);
    }
    Remove(*file);
    if (context.pageExists()) {
        Report(context, {}, {{key + std::string(kThemeExtension), kHandedOverThemeInvalidMessage}});
    } else {
        context.setPendingAlert(kHandedOverThemeInvalidMessage);
    }
}

}  // namespace

std::string ThemeResultScript(const std::string& appliedKey,
                              const std::vector<ThemeReject>& rejects) {
    std::string result = "{\"appliedKey\":" + JsonEscape(appliedKey) + ",\"rejects\":[";
    for (size_t i = 0; i < rejects.size(); ++i) {
        if (i) result += ',';
        result += "{\"name\":" + JsonEscape(rejects[i].name) +
                  ",\"reason\":" + JsonEscape(rejects[i].reason) + "}";
    }
    result += "]}";
    return "if (window.onThemeDropInstalled) window.onThemeDropInstalled(" + JsonEscape(result) +
           ");";
}

CopyAndMarkResult CopyAndMark(const std::string& themesFolder, const std::string& path) {
    const bool theme = IsThemeFileName(path);
    if (!theme && !IsMacroFileName(path)) return CopyAndMarkResult::Ignored;
    if (BaseName(path).size() <= kThemeExtension.size()) return CopyAndMarkResult::Ignored;
    const std::string stem = StemOf(path);
    if (theme && !IsThemeKey(stem)) return CopyAndMarkResult::Ignored;

    std::error_code error;
    fs::create_directories(themesFolder, error);
    std::optional<FolderDestination> destination =
        ChooseDestination(themesFolder, path, stem, theme ? kThemeExtension : kMacroExtension);
    if (!destination) return CopyAndMarkResult::NamesTaken;
    if (destination->copy &&
        !fs::copy_file(path, destination->path, fs::copy_options::none, error)) {
        return CopyAndMarkResult::CopyFailed;
    }
    // Written whole, so the watcher never reads half a marker.
    ReplaceFileContents(FolderPath(themesFolder, kMarkerFileName),
                        std::string(theme ? "THEME:" : "MACRO:") + StemOf(destination->path));
    return CopyAndMarkResult::Marked;
}

bool ProcessMarker(HandOverContext& context) {
    ThemeStore& store = context.store;
    std::lock_guard lock(store.lock);
    const std::string marker = FolderPath(store.folder, kMarkerFileName);
    std::string text;
    const FileReadStatus read = ReadWholeFile(marker, text, 65536);
    if (read == FileReadStatus::OpenFailed) return false;
    Remove(marker);
    if (read != FileReadStatus::Ok) return false;

    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a marker written with CR LF
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon + 1 == line.size()) return false;
    const std::string tag = line.substr(0, colon), value = line.substr(colon + 1);
    if (tag == "MACRO") {
        HandOverMacro(context, value);
        return true;
    }
    if (tag == "THEME" && IsThemeKey(value)) {
        HandOverTheme(context, value);
        return true;
    }
    return false;
}

void InstallDroppedFiles(HandOverContext& context, const std::vector<std::string>& paths) {
    std::string applied;
    std::vector<ThemeReject> rejects;
    for (const std::string& path : paths) {
        if (!IsThemeFileName(path)) continue;
        const std::string name(BaseName(path));
        if (Utf8Length(path) > kDropPathLimit) {
            rejects.push_back({name, kDropPathTooLongMessage});
            continue;
        }
        ThemeImport import = ImportThemeFile(context.store, path);
        if (!import.error.empty()) {
            rejects.push_back({name, import.error});
        } else {
            applied = import.key;
        }
    }
    if (!applied.empty()) {
        SetCurrentTheme(context.store, applied);
        context.notifyPanels();
    }
    Report(context, applied, rejects);
}

void OpenStartupTheme(HandOverContext& context, const std::string& path) {
    ThemeImport import = ImportThemeFile(context.store, path);
    if (import.error.empty()) {
        SetCurrentTheme(context.store, import.key);
    } else {
        context.setPendingAlert(import.error);
    }
}

}  // namespace velotap
