#pragma once
// A last save of the user's work when the process crashes.
#include <functional>
#include <memory>

namespace velotap {

// Keeps the handler installed; removing it restores the previous one.
class CrashSave {
  public:
    virtual ~CrashSave() = default;
};

// Runs `save` from the process's last-chance handler of an unhandled crash, then lets the crash
// take its course. `save` must not wait for locks. Null where the platform has no handler in
// which saving is safe: on Linux a crash arrives as a signal, and a signal handler may neither
// allocate nor lock, while building the session does both (the periodic autosave and the atomic
// file replacement bound the loss there instead).
std::unique_ptr<CrashSave> InstallCrashSave(std::function<void()> save);

}  // namespace velotap
