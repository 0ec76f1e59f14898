#pragma once
// An in-memory desktop of titled windows and a log of the messages posted to them.
#include <map>
#include <mutex>
#include <set>
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
        uint32_t pid = 0;
        bool visible = true;
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
    bool IsMinimized(WindowHandle window) override {
        std::lock_guard lock(mutex);
        return minimized.count(window) > 0;
    }
    void Restore(WindowHandle window) override {
        std::lock_guard lock(mutex);
        minimized.erase(window);
        calls.push_back("restore");
    }
    void ForceForeground(WindowHandle window) override {
        std::lock_guard lock(mutex);
        calls.push_back("foreground");
        if (!refuseForeground) foreground = window;
    }
    bool IsForeground(WindowHandle window) override {
        std::lock_guard lock(mutex);
        return foreground == window;
    }
    void Flash(WindowHandle) override {
        std::lock_guard lock(mutex);
        calls.push_back("flash");
    }
    std::optional<WindowHandle> FindVisibleTopLevelOfProcess(uint32_t pid) override {
        std::lock_guard lock(mutex);
        for (const Entry& e : windows)
            if (e.pid == pid && e.visible) return e.handle;
        return std::nullopt;
    }
    std::optional<Rect> FrameRect(WindowHandle window) override {
        std::lock_guard lock(mutex);
        auto found = rects.find(window);
        if (found == rects.end()) return std::nullopt;
        return found->second;
    }

    std::set<WindowHandle> minimized;
    std::optional<WindowHandle> foreground;
    bool refuseForeground = false;  // a window manager that keeps the focus where it is
    std::vector<std::string> calls;
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
