// Folder changes through inotify; the stop signal is an eventfd, so one poll waits for both.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/folder_watch.h"

namespace velotap {

namespace {

class InotifyFolderWatch final : public FolderWatch {
  public:
    InotifyFolderWatch(int inotify, int stop) : inotify_(inotify), stop_(stop) {}
    ~InotifyFolderWatch() override {
        close(inotify_);
        close(stop_);
    }

    Wake WaitForChange() override {
        for (;;) {
            pollfd fds[2] = {{stop_, POLLIN, 0}, {inotify_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return Wake::Failed;
            }
            if (fds[0].revents) return Wake::Stopped;
            if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) return Wake::Failed;
            if (fds[1].revents & POLLIN) return Drain();
        }
    }

    bool Pause(std::chrono::milliseconds duration) override {
        const auto deadline = std::chrono::steady_clock::now() + duration;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{stop_, POLLIN, 0};
            const int n = poll(&fd, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
            if (n > 0) return false;
            if (n == 0 || errno != EINTR) return true;
        }
    }

    void Stop() override {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(stop_, &one, sizeof one);
    }

  private:
    // Reads every queued event; which file changed does not matter, only that one did.
    Wake Drain() {
        alignas(inotify_event) char buffer[4096];
        bool changed = false;
        for (;;) {
            const ssize_t n = read(inotify_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                // The folder itself went away or was unmounted: nothing is watched any more.
                if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
                    return Wake::Failed;
                }
                changed = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return changed ? Wake::Changed : WaitForChange();
    }

    int inotify_;
    int stop_;
};

}  // namespace

std::unique_ptr<FolderWatch> WatchFolder(const std::string& folder) {
    const int inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify < 0) return nullptr;
    constexpr uint32_t kChanges = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM |
                                  IN_DELETE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                  IN_ONLYDIR;
    const int stop = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stop < 0 || inotify_add_watch(inotify, folder.c_str(), kChanges) < 0) {
        close(inotify);
        if (stop >= 0) close(stop);
        return nullptr;
    }
    return std::make_unique<InotifyFolderWatch>(inotify, stop);
}

}  // namespace velotap
