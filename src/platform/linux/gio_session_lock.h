#pragma once
// logind's Lock signal for this process's session, received over the system bus on a private main
// context that the capture loop dispatches. Without a bus or a session nothing is ever signalled.
#include <functional>

struct _GMainContext;
struct _GDBusConnection;

namespace velotap {

class SessionLockWatch {
  public:
    explicit SessionLockWatch(std::function<void()> onLock);
    ~SessionLockWatch();
    SessionLockWatch(const SessionLockWatch&) = delete;
    SessionLockWatch& operator=(const SessionLockWatch&) = delete;

    // Delivers pending signals without waiting.
    void Dispatch();

  private:
    std::function<void()> onLock_;
    _GMainContext* context_ = nullptr;
    _GDBusConnection* bus_ = nullptr;
    unsigned subscription_ = 0;
};

}  // namespace velotap
