#include "profiles/macro_import.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>

#include "base/args.h"
#include "base/json.h"
#include "macro/event_line.h"
#include "profiles/import_gate.h"
#include "profiles/macro_file.h"
#include "profiles/profile_settings.h"

namespace velotap {

namespace {

std::mt19937_64 SeededIdSource() {
    std::array<std::uint32_t, 8> words{};
    try {
        std::random_device device;
        for (std::uint32_t& w : words)
            w = device();
    } catch (const std::exception&) {
        // No random device: ids only need to differ from the ones a stale page still holds.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        words[0] = static_cast<std::uint32_t>(now);
        words[1] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now) >> 32);
    }
    std::seed_seq seed(words.begin(), words.end());
    return std::mt19937_64(seed);
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(a) == lower(b);
    });
}

bool NameTaken(const ProfileList& profiles, const std::string& name) {
    return std::any_of(profiles.profiles.begin(), profiles.profiles.end(),
                       [&](const Profile& p) { return p.name == name; });
}

// `name`, or the first of "name (2)", "name (3)", … that no profile has.
std::string UniqueName(const ProfileList& profiles, const std::string& name) {
    if (!NameTaken(profiles, name)) return name;
    for (size_t n = 2;; ++n) {
        std::string candidate = name + " (" + std::to_string(n) + ")";
        if (!NameTaken(profiles, candidate)) return candidate;
    }
}

ImportOutcome Error(std::string_view message) {
    return {ImportOutcome::Kind::Error, ErrorOutcome(message)};
}

// Takes the held import out when `pendingId` is exactly its id.
std::optional<MacroImport> TakeHeld(HeldImport& held, std::string_view pendingId) {
    std::lock_guard lock(held.lock);
    if (!held.present || held.pendingId != pendingId) return std::nullopt;
    held.present = false;
    held.pendingId.clear();
    held.level.clear();
    held.matches.clear();
    return std::exchange(held.import, MacroImport{});
}

}  // namespace

HeldImport::HeldImport() : idSource(SeededIdSource()) {}

std::string NewPendingId(std::mt19937_64& source) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id(32, '0');
    for (char& digit : id)
        digit = kHex[source() >> 60];
    return id;
}

std::string ErrorOutcome(std::string_view message) {
    return R"({"outcome":"error","message":)" + JsonEscape(message) + "}";
}

std::string PendingDocument(std::string_view pendingId, std::string_view level,
                            const std::vector<MacroScan::ScanMatch>& matches) {
    std::string doc = R"({"outcome":"pending","pendingId":")";
    doc.append(pendingId).append(R"(","level":")").append(level).append(R"(","matches":[)");
    for (size_t i = 0; i < matches.size(); ++i) {
        const MacroScan::ScanMatch& m = matches[i];
        if (i > 0) doc += ',';
        doc.append(R"({"severity":")").append(m.severity).append(R"(","message":)");
        doc.append(JsonEscape(m.message)).append(R"(,"atSec":)").append(FormatGeneral6(m.atSec));
        doc += '}';
    }
    doc += "]}";
    return doc;
}

FileDialogRequest MacroFileDialogRequest() {
    return {{{"Velotap Macro (*.vtpmacro)", "*.vtpmacro"}, {"All Files", "*.*"}}, "vtpmacro"};
}

void CommitImport(ProfileList& profiles, EngineState& state, MacroImport import) {
    std::lock_guard lock(profiles.lock);
    // The recorder writes into the current profile: switching under a running recording would
    // split it across two profiles. The new profile then waits in the list, and a file without
    // settings gets the defaults without the live settings of the recording profile changing.
    const bool recording = state.recording.load() != 0;
    if (import.settings.empty()) {
        if (recording) {
            EngineState defaults;
            ResetToolSettings(defaults);
            import.settings = ProfileSettingsLine(defaults);
        } else {
            ResetToolSettings(state);
            import.settings = ProfileSettingsLine(state);
        }
    }
    profiles.profiles.push_back(
        {UniqueName(profiles, import.name), std::move(import.settings), std::move(import.events)});
    if (!recording) {
        profiles.currentIndex = static_cast<int32_t>(profiles.profiles.size() - 1);
        profiles.Touch();
    }
}

ImportOutcome DecideImport(MacroImportContext& context, MacroImport import) {
    // The scan sees what playback would send, the key spammer's keys of the stored settings too.
    ImportScan checked = ScanImport(import.events, import.settings);
    if (!checked.checked) return Error(kImportTooManyKeysError);
    MacroScan::ScanResult& scan = checked.result;
    if (scan.matches.empty()) {
        CommitImport(context.profiles, context.state, std::move(import));
        return {ImportOutcome::Kind::Imported, R"({"outcome":"imported"})"};
    }
    HeldImport& held = context.held;
    std::lock_guard lock(held.lock);
    held.present = true;
    held.pendingId = NewPendingId(held.idSource);
    held.import = std::move(import);
    held.level = std::move(scan.level);
    held.matches = std::move(scan.matches);
    return {ImportOutcome::Kind::Held, PendingDocument(held.pendingId, held.level, held.matches)};
}

ImportOutcome ImportMacroPath(MacroImportContext& context, const std::string& path,
                              ImportSource source) {
    if (EndsWithIgnoringCase(path, ".mcr")) return Error(kMcrRefusal);
    // The file's settings amend the importer's own, which the live settings mirror.
    MacroFileParse parsed = ReadMacroFile(path, ProfileSettingsLine(context.state));
    if (!parsed.error.empty()) return Error(parsed.error);
    if (source == ImportSource::Dialog) parsed.name += " (Imported)";
    return DecideImport(context, MacroImport{std::move(parsed.name), std::move(parsed.settings),
                                             std::move(parsed.events)});
}

std::string ImportStartupMacro(MacroImportContext& context, const std::string& path) {
    if (ImportMacroPath(context, path, ImportSource::HandedOver).kind ==
        ImportOutcome::Kind::Error) {
        return kMacroUnreadableAlert;
    }
    return {};
}

std::string ExportProfile(MacroImportContext& context) {
    std::string name;
    std::vector<UnifiedEvent> macro;
    {
        std::lock_guard lock(context.profiles.lock);
        const Profile& current = context.profiles.PeekCurrent();
        name = current.name;
        macro = current.macro;
    }
    std::optional<std::string> path = context.dialogs.Save(MacroFileDialogRequest());
    if (!path) return {};
    if (!WriteMacroFile(*path, name, context.globalSettingsLine(), macro)) {
        return JsonEscape(kExportWriteError);
    }
    return {};
}

std::string ImportProfile(MacroImportContext& context) {
    std::optional<std::string> path = context.dialogs.Open(MacroFileDialogRequest());
    if (!path) return R"({"outcome":"cancelled"})";
    return ImportMacroPath(context, *path, ImportSource::Dialog).document;
}

std::string GetPendingMacroImport(MacroImportContext& context) {
    HeldImport& held = context.held;
    std::lock_guard lock(held.lock);
    if (!held.present) return R"({"outcome":"none"})";
    return PendingDocument(held.pendingId, held.level, held.matches);
}

void ConfirmMacroImport(MacroImportContext& context, std::string_view pendingId) {
    std::optional<MacroImport> taken = TakeHeld(context.held, pendingId);
    if (!taken) return;
    CommitImport(context.profiles, context.state, std::move(*taken));
    if (context.post) context.post(kProfileImportedScript);
}

void CancelMacroImport(MacroImportContext& context, std::string_view pendingId) {
    TakeHeld(context.held, pendingId);
}

}  // namespace velotap
