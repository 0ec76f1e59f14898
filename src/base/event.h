#pragma once
// Wake-up events for worker threads: auto-reset (one waiter consumes a Set) or manual-reset (stays
// set until Reset), and waiting on several at once.
#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <vector>

namespace velotap {

// Auto: a Set wakes one waiter and is consumed by it. Manual: stays set until Reset.
enum class EventReset { Auto, Manual };

class Event {
  public:
    explicit Event(EventReset reset, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet();

  private:
    friend int WaitAny(std::initializer_list<Event*>, std::optional<std::chrono::nanoseconds>);
    struct Waiter;
    // Takes the state for `waiter` when set; otherwise registers it. True when taken.
    bool TakeOrRegister(Waiter* waiter, int index);
    void Unregister(Waiter* waiter);

    std::mutex mutex_;
    const bool manualReset_;
    bool set_;
    std::vector<std::pair<Waiter*, int>> waiters_;
};

// Waits until one of `events` is set or `timeout` passes (no timeout: wait for ever). Returns the
// index of the event that ended the wait (the first set one when several are), or -1 on time-out.
// An auto-reset event that ends the wait is consumed.
int WaitAny(std::initializer_list<Event*> events,
            std::optional<std::chrono::nanoseconds> timeout = std::nullopt);

}  // namespace velotap
