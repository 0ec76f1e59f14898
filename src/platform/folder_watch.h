#pragma once
// Waiting for changes in one folder (not its subfolders) without polling: inotify on Linux,
// ReadDirectoryChangesW on Windows. The watch owns its stop signal, so a wait ends at once when
// another thread stops it.
#include <chrono>
#include <memory>
#include <string>

namespace velotap {

class FolderWatch {
  public:
    virtual ~FolderWatch() = default;
    enum class Wake { Changed, Stopped, Failed };
    // Blocks until a file in the folder is created, written, renamed, deleted or has its
    // attributes changed, or the watch is stopped. Failed when the folder can no longer be watched.
    virtual Wake WaitForChange() = 0;
    // Waits `duration` unless the watch is stopped first; false when stopped.
    virtual bool Pause(std::chrono::milliseconds duration) = 0;
    // Any thread. Every wait from now on returns at once.
    virtual void Stop() = 0;
};

// Null when the folder cannot be opened for watching.
std::unique_ptr<FolderWatch> WatchFolder(const std::string& folder);

}  // namespace velotap
