#include "base/event.h"

namespace velotap {

struct Event::Waiter {
    std::mutex mutex;
    std::condition_variable wake;
    int signalled = -1;  // index of the event that ended the wait; kClosed once it stopped waiting
    static constexpr int kClosed = -2;
};

Event::Event(EventReset reset, bool initiallySet)
    : manualReset_(reset == EventReset::Manual), set_(initiallySet) {}

void Event::Set() {
    std::lock_guard lock(mutex_);
    for (auto [waiter, index] : waiters_) {
        std::lock_guard waiterLock(waiter->mutex);
        if (waiter->signalled != -1) continue;
        waiter->signalled = index;
        waiter->wake.notify_one();
        if (!manualReset_) return;  // handed to exactly one waiter
    }
    set_ = true;
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool Event::IsSet() {
    std::lock_guard lock(mutex_);
    return set_;
}

bool Event::TakeOrRegister(Waiter* waiter, int index) {
    std::lock_guard lock(mutex_);
    if (set_) {
        std::lock_guard waiterLock(waiter->mutex);
        if (waiter->signalled == -1) {
            waiter->signalled = index;
            if (!manualReset_) set_ = false;
        }
        return true;
    }
    waiters_.emplace_back(waiter, index);
    return false;
}

void Event::Unregister(Waiter* waiter) {
    std::lock_guard lock(mutex_);
    std::erase_if(waiters_, [waiter](const auto& w) { return w.first == waiter; });
}

int WaitAny(std::initializer_list<Event*> events, std::optional<std::chrono::nanoseconds> timeout) {
    const auto deadline =
        std::chrono::steady_clock::now() + timeout.value_or(std::chrono::hours(0));
    Event::Waiter waiter;
    size_t registered = 0;
    for (Event* event : events) {
        if (event->TakeOrRegister(&waiter, static_cast<int>(registered))) break;
        ++registered;
    }
    int result;
    {
        std::unique_lock lock(waiter.mutex);
        if (timeout) {
            waiter.wake.wait_until(lock, deadline, [&] { return waiter.signalled != -1; });
        } else {
            waiter.wake.wait(lock, [&] { return waiter.signalled != -1; });
        }
        result = waiter.signalled;
        waiter.signalled = Event::Waiter::kClosed;
    }
    size_t n = 0;
    for (Event* event : events) {
        if (n++ == registered) break;
        event->Unregister(&waiter);
    }
    return result;
}

}  // namespace velotap
