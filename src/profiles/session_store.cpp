#include "profiles/session_store.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <optional>
#include <string_view>

#include "base/file_read.h"
#include "platform/file_replace.h"
#include "profiles/global_settings.h"
#include "profiles/session_file.h"

namespace velotap {

namespace {

size_t HashOf(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

void Remember(SessionStore& store, std::string_view text) {
    store.known = true;
    store.size = text.size();
    store.hash = HashOf(text);
}

// The file on disk still has the remembered size and the text hashes alike: writing it again
// would change nothing but the modification time.
bool FileHolds(const SessionStore& store, const std::string& path, std::string_view text) {
    if (!store.known || store.size != text.size()) return false;
    std::error_code ec;
    const std::uintmax_t onDisk = std::filesystem::file_size(path, ec);
    return !ec && onDisk == text.size() && store.hash == HashOf(text);
}

// Marks a save in progress for the crash path, which must not touch a lock this thread holds.
class SavingMark {
  public:
    explicit SavingMark(std::atomic<uint8_t>& flag) : flag_(flag) { flag_.exchange(1); }
    ~SavingMark() { flag_.exchange(0); }
    SavingMark(const SavingMark&) = delete;
    SavingMark& operator=(const SavingMark&) = delete;

  private:
    std::atomic<uint8_t>& flag_;
};

}  // namespace

bool LoadSession(SessionStore& store, const std::string& path, const SessionSources& sources) {
    std::optional<SessionContents> contents;
    bool found = false;
    try {
        std::string bytes;
        if (ReadWholeFile(path, bytes) == FileReadStatus::Ok) {
            found = !bytes.empty();
            contents = ParseSessionText(bytes);
            std::lock_guard<std::mutex> lock(store.saveLock);
            Remember(store, bytes);
        }
    } catch (const std::bad_alloc&) {
        contents.reset();  // too large for this computer: treated as unreadable
    }
    const bool loaded =
        ApplySession(std::move(contents), sources.engine, sources.slots, sources.profiles);
    if (!loaded) {
        // The next save replaces a file that did not load. Whatever it held is kept beside it,
        // so a damaged or foreign file is never silently lost.
        std::error_code ec;
        const bool hasContent = found || (std::filesystem::file_size(path, ec) > 0 && !ec);
        if (hasContent) {
            std::filesystem::rename(path, path + kUnreadableSuffix, ec);
            std::lock_guard<std::mutex> lock(store.saveLock);
            store.known = false;
        }
    }
    EnsureDefaultProfile(sources.profiles);
    return loaded;
}

SaveResult SaveSession(SessionStore& store, const std::string& path, const SessionSources& s) {
    std::lock_guard<std::mutex> lock(store.saveLock);
    SavingMark mark(store.saving);
    try {
        const std::string text = SessionText(s.engine, s.slots, s.profiles);
        if (FileHolds(store, path, text)) return SaveResult::Unchanged;
        if (!ReplaceFileContents(path, text)) return SaveResult::Failed;
        Remember(store, text);
        return SaveResult::Written;
    } catch (const std::bad_alloc&) {
        return SaveResult::Failed;  // the old file stays
    }
}

SaveResult SaveSessionAfterCrash(SessionStore& store, const std::string& path,
                                 const SessionSources& s) {
    // A save under way (perhaps on this very thread) holds the save lock: trying it could deadlock
    // or misbehave, and that save's file replacement is atomic anyway.
    if (store.saving.load()) return SaveResult::Busy;
    std::unique_lock<std::mutex> lock(store.saveLock, std::try_to_lock);
    if (!lock.owns_lock()) return SaveResult::Busy;
    try {
        const std::string settings = GlobalSettingsLine(s.engine, s.slots);
        std::unique_lock<std::recursive_mutex> macroLock(s.profiles.lock, std::try_to_lock);
        if (!macroLock.owns_lock()) return SaveResult::Busy;
        const std::string text = SessionTextLocked(settings, s.profiles);
        macroLock.unlock();
        return ReplaceFileContents(path, text) ? SaveResult::Written : SaveResult::Failed;
    } catch (...) {
        return SaveResult::Failed;
    }
}

}  // namespace velotap
