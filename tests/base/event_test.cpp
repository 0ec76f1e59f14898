#include <gtest/gtest.h>

#include <thread>

#include "base/event.h"

namespace velotap {

using namespace std::chrono_literals;

TEST(Event, AutoResetIsConsumedManualResetStays) {
    Event autoReset(EventReset::Auto), manual(EventReset::Manual);
    autoReset.Set();
    manual.Set();
    EXPECT_EQ(WaitAny({&autoReset}, 0ms), 0);
    EXPECT_EQ(WaitAny({&autoReset}, 0ms), -1);
    EXPECT_EQ(WaitAny({&manual}, 0ms), 0);
    EXPECT_EQ(WaitAny({&manual}, 0ms), 0);
    manual.Reset();
    EXPECT_EQ(WaitAny({&manual}, 0ms), -1);
}

TEST(Event, WaitAnyReportsTheFirstSetAndWakesFromAnotherThread) {
    Event wake(EventReset::Auto), quit(EventReset::Manual);
    quit.Set();
    wake.Set();
    EXPECT_EQ(WaitAny({&wake, &quit}), 0);
    EXPECT_EQ(WaitAny({&wake, &quit}), 1);
    quit.Reset();

    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        wake.Set();
    });
    EXPECT_EQ(WaitAny({&quit, &wake}, 10s), 1);
    setter.join();
    EXPECT_FALSE(wake.IsSet());  // handed to the waiter, not left set
}

TEST(Event, AutoResetWakesExactlyOneOfTwoWaiters) {
    Event wake(EventReset::Auto);
    std::atomic<int> woken{0};
    auto wait = [&] {
        if (WaitAny({&wake}, 2s) == 0) ++woken;
    };
    std::thread a(wait), b(wait);
    std::this_thread::sleep_for(50ms);
    wake.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 1);
}

}  // namespace velotap
