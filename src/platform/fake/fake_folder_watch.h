#pragma once
// A folder watch driven by the test: Change() wakes a waiting watcher, pauses end at once (their
// lengths are kept), Stop() ends every wait.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/folder_watch.h"

namespace velotap {

class FakeFolderWatch final : public FolderWatch {
  public:
    void Change() {
        std::lock_guard lock(mutex_);
        ++changes_;
        wake_.notify_all();
    }

    Wake WaitForChange() override {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return changes_ > 0 || stopped_; });
        if (stopped_) return Wake::Stopped;
        --changes_;
        return Wake::Changed;
    }

    bool Pause(std::chrono::milliseconds duration) override {
        std::lock_guard lock(mutex_);
        pauses_.push_back(duration);
        return !stopped_;
    }

    void Stop() override {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        wake_.notify_all();
    }

    std::vector<std::chrono::milliseconds> Pauses() {
        std::lock_guard lock(mutex_);
        return pauses_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    int changes_ = 0;
    bool stopped_ = false;
    std::vector<std::chrono::milliseconds> pauses_;
};

}  // namespace velotap
