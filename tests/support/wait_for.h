#pragma once
// Waiting in tests for something another thread or process makes true.
#include <chrono>
#include <functional>
#include <thread>

namespace velotap {

// Asks `done` every millisecond until it holds or `limit` has passed; its last answer. A real
// signal ends the wait at once: the limit only bounds a failing test.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

}  // namespace velotap
