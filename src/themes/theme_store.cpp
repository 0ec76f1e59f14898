#include "themes/theme_store.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/args.h"
#include "base/file_read.h"
#include "base/json.h"
#include "platform/file_replace.h"
#include "themes/skin_pieces.h"
#include "themes/theme_file.h"
#include "themes/theme_names.h"
#include "themes/theme_validate.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;

// Fills the skin cache for `key`; the caller holds the lock.
bool FillSkinCache(ThemeStore& store, const std::string& key) {
    SkinCache& skin = store.skin;
    if (skin.valid && skin.key == key) return true;
    skin.Reset();
    auto entry = store.registry.find(key);
    if (entry == store.registry.end() || !entry->second.hasSkin) return false;
    std::string text;
    ThemeCheck check = LoadThemeFile(entry->second.path, &text);
    if (!check.accepted || !check.record.hasSkin) return false;

    std::string skinCopy, piecesCopy;
    std::string_view skinText = JsonLookupView(text, "skin", skinCopy);
    if (JsonLookup(skinText, "template") != "1") return false;
    std::string_view pieces = JsonLookupView(skinText, "pieces", piecesCopy);
    if (!pieces.empty()) {
        PieceListing listing = ListPieces(pieces);
        for (size_t k = 0; k < listing.names.size(); ++k) {
            std::string name(listing.names[k]);
            // The first member of a name is the one the lookup reads.
            if (!FindSkinPiece(name) || skin.pieces.count(name)) continue;
            skin.pieces.emplace(std::move(name), LookupListedPiece(pieces, listing, k));
        }
    }
    skin.font = JsonLookup(skinText, "font");
    skin.key = key;
    skin.valid = true;
    return true;
}

void WriteThemeTxt(const ThemeStore& store, const std::string& key) {
    std::error_code ignored;
    fs::create_directories(store.dataFolder, ignored);
    // Panels read the file at any moment: it is replaced whole, never seen half written.
    ReplaceFileContents(store.themeTxtPath, key);
}

}  // namespace

ThemeStore::ThemeStore(std::string data)
    : dataFolder(std::move(data)),
      folder(FolderPath(dataFolder, "themes")),
      themeTxtPath(FolderPath(dataFolder, "theme.txt")) {}

void EnsureThemesFolder(const ThemeStore& store) {
    std::error_code ignored;
    fs::create_directories(store.folder, ignored);
}

std::string ReadThemeTxt(const std::string& path) {
    std::string text;
    if (ReadWholeFile(path, text, 4096) != FileReadStatus::Ok) return std::string(kBuiltInThemeKey);
    text = text.substr(0, text.find('\n'));
    return text.empty() ? std::string(kBuiltInThemeKey) : text;
}

void LoadCurrentTheme(ThemeStore& store) {
    std::string key = ReadThemeTxt(store.themeTxtPath);
    std::lock_guard lock(store.lock);
    store.currentKey = std::move(key);
}

std::string CurrentTheme(ThemeStore& store) {
    std::lock_guard lock(store.lock);
    return store.currentKey;
}

void SetCurrentTheme(ThemeStore& store, const std::string& key) {
    std::lock_guard lock(store.lock);
    store.currentKey = key;
    WriteThemeTxt(store, key);
}

void RescanThemes(ThemeStore& store) {
    EnsureThemesFolder(store);
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(store.folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        std::string name = it->path().filename().string();
        if (name.size() > kThemeExtension.size() && IsThemeFileName(name)) {
            names.push_back(std::move(name));
        }
    }
    // Spellings of one key that differ only in the extension's case: the first in byte order wins.
    std::sort(names.begin(), names.end());
    std::map<std::string, ThemeRecord> found;
    for (const std::string& name : names) {
        std::string key = name.substr(0, name.size() - kThemeExtension.size());
        if (!IsThemeKey(key) || found.count(key)) continue;
        ThemeCheck check = LoadThemeFile(FolderPath(store.folder, name));
        if (check.accepted) found.emplace(std::move(key), std::move(check.record));
    }
    std::lock_guard lock(store.lock);
    store.registry.swap(found);
    store.skin.Reset();
}

std::string CustomThemesJson(ThemeStore& store) {
    std::lock_guard lock(store.lock);
    std::string json = "[";
    for (const auto& [key, r] : store.registry) {
        if (json.size() > 1) json += ',';
        json += "{\"key\":" + JsonEscape(key) + ",\"name\":" + JsonEscape(r.name) +
                ",\"bgMain\":" + JsonEscape(r.bgMain) + ",\"bgPanel\":" + JsonEscape(r.bgPanel) +
                ",\"bgHeader\":" + JsonEscape(r.bgHeader) + ",\"accent\":" + JsonEscape(r.accent) +
                ",\"accentHover\":" + JsonEscape(r.accentHover) +
                ",\"text\":" + JsonEscape(r.text) + ",\"font\":" + JsonEscape(r.font) +
                ",\"hasSkin\":" + (r.hasSkin ? "true" : "false") + "}";
    }
    return json + "]";
}

std::string SkinPieceJson(ThemeStore& store, std::string_view keyAndPiece) {
    std::vector<std::string> parts = SplitString(keyAndPiece, '|');
    if (parts.size() != 2) return "\"\"";
    std::lock_guard lock(store.lock);
    if (!FillSkinCache(store, parts[0])) return "\"\"";
    auto piece = store.skin.pieces.find(parts[1]);
    return piece == store.skin.pieces.end() ? "\"\"" : JsonEscape(piece->second);
}

std::string SkinFontJson(ThemeStore& store, const std::string& key) {
    std::lock_guard lock(store.lock);
    if (!FillSkinCache(store, key)) return "\"\"";
    return JsonEscape(store.skin.font);
}

ThemeImport ImportThemeFile(ThemeStore& store, const std::string& path) {
    std::lock_guard lock(store.lock);
    if (!IsThemeFileName(path)) return {kThemeWrongTypeMessage, {}};
    const std::string stem = StemOf(path);
    if (!IsThemeKey(stem)) return {kThemeKeyRuleMessage, {}};
    ThemeCheck check = LoadThemeFile(path);
    if (!check.accepted) return {kThemeInvalidMessage, {}};

    EnsureThemesFolder(store);
    std::optional<FolderDestination> destination =
        ChooseDestination(store.folder, path, stem, kThemeExtension);
    if (!destination) return {kThemeNamesTakenMessage, {}};
    if (destination->copy) {
        std::error_code error;
        // Never over a file that appeared meanwhile.
        if (!fs::copy_file(path, destination->path, fs::copy_options::none, error)) {
            return {kThemeCopyMessage, {}};
        }
    }
    std::string key = StemOf(destination->path);
    // The watcher's rescan after the copy replaces this entry with one read from the copy.
    store.registry.insert_or_assign(key, std::move(check.record));
    return {{}, std::move(key)};
}

bool DeleteTheme(ThemeStore& store, const std::string& key) {
    std::lock_guard lock(store.lock);
    auto entry = store.registry.find(key);
    if (entry == store.registry.end()) return false;
    if (std::optional<std::string> file = FindFolderFile(store.folder, key, kThemeExtension)) {
        std::error_code ignored;
        fs::remove(*file, ignored);
    }
    store.registry.erase(entry);
    if (store.skin.key == key) store.skin.Reset();
    if (store.currentKey == key) {
        store.currentKey = std::string(kBuiltInThemeKey);
        WriteThemeTxt(store, store.currentKey);
    }
    return true;
}

}  // namespace velotap
