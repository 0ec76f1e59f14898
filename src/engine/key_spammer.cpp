#include "engine/key_spammer.h"

namespace velotap {

namespace {

// The target at `index` as last read, its scan code recomputed only when the code there changed.
const KeySpamWorker::CachedKey& Target(KeySpamWorker& w, EngineState& state, Synth& synth,
                                       int32_t index) {
    KeySpamWorker::CachedKey& c = w.cache[static_cast<size_t>(index)];
    int32_t code = state.targets.codes[static_cast<size_t>(index)].load();
    if (!c.valid || c.code != code) {
        c.valid = true;
        c.code = code;
        c.scan = synth.ScanCode(static_cast<uint32_t>(code));
        c.extended = IsExtendedKey(static_cast<uint32_t>(code));
    }
    return c;
}

void Send(Synth& synth, const KeySpamWorker::CachedKey& key, bool down) {
    synth.KeyByScan(key.scan, key.extended, down);
}

}  // namespace

WorkerWake KeySpamStep(KeySpamWorker& w, EngineState& state, Synth& synth, int64_t now,
                       const std::function<void()>& announceBusy) {
    for (;;) {
        if (!state.keySpamming.load()) {
            w.started = false;
            w.counter = 0;
            w.schedule.Clear();
            return WorkerWake::Idle();
        }
        if (!w.started) {
            if (announceBusy) announceBusy();
            w.started = true;
            // The notice may have waited for its acknowledgement: the first cycle counts from
            // the time after it, read afresh by the next step.
            return WorkerWake::Until(now);
        }
        const KeySpamSettings& s = state.keySpam;
        const int64_t interval =
            IntervalMs(s.ksh.load(), s.ksm.load(), s.kss.load(), s.ksms.load()) * kNanosPerMs;
        const std::optional<int64_t> start = w.schedule.Due(now, interval);
        if (!start) return WorkerWake::Until(w.schedule.nextStart);
        const int32_t count = state.targets.Count();
        if (s.ksRptMode.load() == 0 && w.counter >= s.ksRptTimes.load()) {
            state.keySpamming.exchange(0);
            for (int32_t i = 0; i < count; ++i)
                Send(synth, Target(w, state, synth, i), false);
            continue;
        }
        if (count == 0) {
            state.keySpamming.exchange(0);
            continue;
        }
        if (w.roundRobin >= count || w.roundRobin < 0) w.roundRobin = 0;
        if (s.chord.load()) {
            for (int32_t i = 0; i < count; ++i)
                Send(synth, Target(w, state, synth, i), true);
            for (int32_t i = 0; i < count; ++i)
                Send(synth, Target(w, state, synth, i), false);
        } else {
            const KeySpamWorker::CachedKey& key = Target(w, state, synth, w.roundRobin);
            Send(synth, key, true);
            Send(synth, key, false);
            w.roundRobin = (w.roundRobin + 1) % count;
        }
        state.keySpamMeter.Record(now, w.counter == 0);
        ++w.counter;
        w.schedule.Plan(*start, interval);
        return WorkerWake::Until(w.schedule.nextStart);
    }
}

}  // namespace velotap
