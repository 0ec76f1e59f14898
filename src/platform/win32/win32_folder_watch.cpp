// Folder changes through overlapped ReadDirectoryChangesW; the stop signal is a manual-reset event
// waited on together with the read's.
#include <windows.h>

#include "platform/folder_watch.h"

namespace velotap {

namespace {

class Win32FolderWatch final : public FolderWatch {
  public:
    Win32FolderWatch(HANDLE folder, HANDLE readDone, HANDLE stop)
        : folder_(folder), readDone_(readDone), stop_(stop) {}

    ~Win32FolderWatch() override {
        if (pending_) {
            // The system writes into buffer_ until the read is cancelled and has completed.
            CancelIoEx(folder_, &overlapped_);
            DWORD ignored = 0;
            GetOverlappedResult(folder_, &overlapped_, &ignored, TRUE);
        }
        CloseHandle(folder_);
        CloseHandle(readDone_);
        CloseHandle(stop_);
    }

    // Starts a read; from then on the system keeps the folder's changes for it.
    bool Start() {
        ResetEvent(readDone_);
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = readDone_;
        if (!ReadDirectoryChangesW(folder_, buffer_, sizeof buffer_, FALSE,
                                   FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                       FILE_NOTIFY_CHANGE_LAST_WRITE,
                                   nullptr, &overlapped_, nullptr) &&
            GetLastError() != ERROR_IO_PENDING) {
            return false;
        }
        pending_ = true;
        return true;
    }

    Wake WaitForChange() override {
        if (!pending_ && !Start()) return Wake::Failed;
        const HANDLE handles[2] = {readDone_, stop_};
        const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (which != WAIT_OBJECT_0)
            return which == WAIT_OBJECT_0 + 1 ? Wake::Stopped : Wake::Failed;
        // Which file changed does not matter, only that one did.
        DWORD bytes = 0;
        pending_ = false;
        if (!GetOverlappedResult(folder_, &overlapped_, &bytes, FALSE)) return Wake::Failed;
        return Wake::Changed;
    }

    bool Pause(std::chrono::milliseconds duration) override {
        return WaitForSingleObject(stop_, static_cast<DWORD>(duration.count())) == WAIT_TIMEOUT;
    }

    void Stop() override { SetEvent(stop_); }

  private:
    HANDLE folder_;
    HANDLE readDone_;
    HANDLE stop_;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
    alignas(DWORD) BYTE buffer_[4096];
};

}  // namespace

std::unique_ptr<FolderWatch> WatchFolder(const std::string& folder) {
    HANDLE handle = CreateFileA(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!readDone || !stop) {
        if (readDone) CloseHandle(readDone);
        if (stop) CloseHandle(stop);
        CloseHandle(handle);
        return nullptr;
    }
    auto watch = std::make_unique<Win32FolderWatch>(handle, readDone, stop);
    // Reading from the start loses no change made before the first wait.
    if (!watch->Start()) return nullptr;
    return watch;
}

}  // namespace velotap
