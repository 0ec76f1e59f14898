#pragma once
// Work handed to a UI thread from any thread, taken in the order it was given.
#include <deque>
#include <functional>
#include <mutex>

namespace velotap {

class DispatchQueue {
  public:
    void Push(std::function<void()> work) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }

    // The oldest work not yet taken; empty when there is none.
    std::function<void()> Take() {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return {};
        std::function<void()> work = std::move(queue_.front());
        queue_.pop_front();
        return work;
    }

  private:
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace velotap
