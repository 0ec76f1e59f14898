#include <gtest/gtest.h>

#include <thread>

#include "engine/click_spammer.h"
#include "engine/send_meter.h"
#include "platform/fake/fake_input.h"

namespace velotap {

namespace {

constexpr int64_t kMs = 1'000'000;

}  // namespace

TEST(SendMeter, FiguresOfTheLastWindow) {
    struct Case {
        const char* what;
        std::vector<int64_t> sendsMs;  // a negative entry starts a new run at its magnitude
        int64_t nowMs, expectedMs;
        size_t samples;
        double rate, medianMs, p99Ms;
    };
    const Case cases[] = {
        {"steady", {0, 10, 20, 30, 40}, 40, 10, 5, 100, 0, 0},
        {"one send", {5}, 5, 10, 1, 0, 0, 0},
        {"jitter", {0, 12, 20, 30, 41}, 41, 10, 5, 4000.0 / 41, 1, 2},
        {"older than the window", {0, 500, 1500, 1510, 1520}, 1520, 10, 3, 100, 0, 0},
        {"a new run", {0, 10, -200, 210, 220}, 220, 10, 3, 100, 0, 0},
        {"double-click cycle", {0, 25, 50}, 50, 25, 3, 40, 0, 0},
    };
    for (const Case& c : cases) {
        SendMeter meter;
        bool first = true;
        for (int64_t t : c.sendsMs) {
            meter.Record((t < 0 ? -t : t) * kMs, first || t < 0);
            first = false;
        }
        SendFigures f = MeasureSends(meter, c.nowMs * kMs, c.expectedMs * kMs, 1000 * kMs);
        EXPECT_EQ(f.samples, c.samples) << c.what;
        EXPECT_NEAR(f.rate, c.rate, 1e-6) << c.what;
        EXPECT_DOUBLE_EQ(f.medianErrorMs, c.medianMs) << c.what;
        EXPECT_DOUBLE_EQ(f.p99ErrorMs, c.p99Ms) << c.what;
    }
}

TEST(SendMeter, ReaderNeverSeesAnOverwrittenSend) {
    // The worker wraps the ring many times while the page reads: every read must be one unbroken
    // run of consecutive sends.
    SendMeter meter;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int64_t i = 1; i <= 200000; ++i)
            meter.Record(i, i == 1);
        done = true;
    });
    std::vector<int64_t> out(SendMeter::kSlots);
    size_t reads = 0;
    while (!done || reads == 0) {
        size_t n = meter.Read(0, out.data());
        for (size_t i = 1; i < n; ++i)
            ASSERT_EQ(out[i], out[i - 1] + 1);
        ++reads;
    }
    worker.join();
    // The slot the worker would write next is never trusted.
    ASSERT_EQ(meter.Read(0, out.data()), SendMeter::kSlots - 1);
    EXPECT_EQ(out.back(), 200000);
}

TEST(SendMeter, ClickSpammerRecordsEachCycleOnce) {
    EngineState state;
    FakeInput input;
    Synth synth(&input);
    ClickSpammerWorker worker;
    state.click.stype.store(1);  // double clicks: two clicks, one cycle
    state.clickSpamming.store(1);
    int64_t now = 0;
    for (int step = 0; step < 6; ++step)
        now = ClickSpammerStep(worker, state, synth, now).at;
    const std::string doc = SendTimingJson(state, now);
    EXPECT_EQ(doc.rfind(R"({"click":{"samples":3,"rate":50,"intervalMs":5,"medianErrorMs":0,)", 0),
              0u)
        << doc;
}

}  // namespace velotap
