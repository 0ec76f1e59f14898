#pragma once
// An in-memory desktop of titled windows and a log of the messages posted to them.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/window_message.h"

namespace velotap {

class FakeDesktop final : public Desktop {
  public:
    struct Entry {
        WindowHandle handle;
        std::string title;
    };
    std::vector<Entry> windows;
    std::map<WindowHandle, Rect> rects;  // where windows are on the screen

    std::optional<WindowHandle> FindTopLevel(
        const std::function<bool(const std::string& title)>& matches) override {
        std::lock_guard lock(mutex);
        for (const Entry& e : windows)
            if (matches(e.title)) return e.handle;
        return std::nullopt;
    }
    bool IsMinimized(WindowHandle) override { return false; }
    void Restore(WindowHandle) override {}
    void ForceForeground(WindowHandle) override {}
    std::optional<Rect> FrameRect(WindowHandle window) override {
        std::lock_guard lock(mutex);
        auto found = rects.find(window);
        if (found == rects.end()) return std::nullopt;
        return found->second;
    }

    std::mutex mutex;
};

class FakeMessenger final : public WindowMessenger {
  public:
    struct Posted {
        WindowHandle window;
        uint32_t message;
        uint64_t wparam;
        int64_t lparam;
    };

    bool Post(WindowHandle window, uint32_t message, uint64_t wparam, int64_t lparam) override {
        std::lock_guard lock(mutex);
        posted.push_back({window, message, wparam, lparam});
        return true;
    }

    std::vector<Posted> Snapshot() {
        std::lock_guard lock(mutex);
        return posted;
    }

    std::mutex mutex;
    std::vector<Posted> posted;
};

}  // namespace velotap
