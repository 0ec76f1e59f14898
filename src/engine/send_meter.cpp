#include "engine/send_meter.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/engine_state.h"
#include "engine/timing.h"

namespace velotap {

size_t SendMeter::Read(int64_t since, int64_t* out) const {
    const uint64_t end = written_.load(std::memory_order_acquire);
    uint64_t begin =
        std::max(runStart_.load(std::memory_order_relaxed), end > kSlots ? end - kSlots : 0);
    if (begin > end) return 0;  // a new run began after `end` was read
    for (uint64_t i = begin; i < end; ++i)
        out[i - begin] = times_[i % kSlots].load(std::memory_order_relaxed);
    // The worker writes send `after` into the slot of send `after - kSlots`: entries up to that
    // one may be newer than they claim.
    const uint64_t after = written_.load(std::memory_order_acquire);
    uint64_t firstSafe = after >= kSlots ? after - kSlots + 1 : 0;
    size_t skip = firstSafe > begin ? static_cast<size_t>(std::min(firstSafe, end) - begin) : 0;
    size_t count = static_cast<size_t>(end - begin) - skip;
    std::copy(out + skip, out + skip + count, out);
    // Only the window asked for; the times are in send order.
    const int64_t* first = std::lower_bound(out, out + count, since);
    const size_t dropped = static_cast<size_t>(first - out);
    std::copy(out + dropped, out + count, out);
    return count - dropped;
}

SendFigures MeasureSends(const SendMeter& meter, int64_t now, int64_t expectedPeriod,
                         int64_t window) {
    auto times = std::make_unique<int64_t[]>(SendMeter::kSlots);
    SendFigures f;
    f.samples = meter.Read(now - window, times.get());
    if (f.samples < 2) return f;
    const int64_t span = times[f.samples - 1] - times[0];
    if (span > 0) f.rate = static_cast<double>(f.samples - 1) * 1e9 / static_cast<double>(span);
    std::vector<int64_t> errors(f.samples - 1);
    for (size_t i = 1; i < f.samples; ++i) {
        const int64_t d = times[i] - times[i - 1] - expectedPeriod;
        errors[i - 1] = d < 0 ? -d : d;
    }
    std::sort(errors.begin(), errors.end());
    // Nearest rank.
    auto rank = [&](double p) {
        size_t r = static_cast<size_t>(p * static_cast<double>(errors.size()) + 0.999999);
        return errors[std::clamp<size_t>(r, 1, errors.size()) - 1];
    };
    f.medianErrorMs = static_cast<double>(rank(0.5)) / kNanosPerMs;
    f.p99ErrorMs = static_cast<double>(rank(0.99)) / kNanosPerMs;
    return f;
}

namespace {

std::string FiguresJson(const SendFigures& f, int64_t intervalMs) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "{\"samples\":%zu,\"rate\":%.6g,\"intervalMs\":%lld,\"medianErrorMs\":%.6g,"
                  "\"p99ErrorMs\":%.6g}",
                  f.samples, f.rate, static_cast<long long>(intervalMs), f.medianErrorMs,
                  f.p99ErrorMs);
    return text;
}

}  // namespace

std::string SendTimingJson(const EngineState& s, int64_t now) {
    constexpr int64_t kWindow = 1000 * kNanosPerMs;
    const int64_t clickMs =
        IntervalMs(s.click.sh.load(), s.click.sm.load(), s.click.ss.load(), s.click.sms.load());
    // A double click's cycle also holds the gap between its two clicks.
    const int64_t clickPeriod =
        clickMs * kNanosPerMs + (s.click.stype.load() == 1 ? kDoubleClickGap : 0);
    const KeySpamSettings& k = s.keySpam;
    const int64_t keyMs = IntervalMs(k.ksh.load(), k.ksm.load(), k.kss.load(), k.ksms.load());
    return "{\"click\":" +
           FiguresJson(MeasureSends(s.clickMeter, now, clickPeriod, kWindow), clickMs) +
           ",\"keySpam\":" +
           FiguresJson(MeasureSends(s.keySpamMeter, now, keyMs * kNanosPerMs, kWindow), keyMs) +
           "}";
}

}  // namespace velotap
