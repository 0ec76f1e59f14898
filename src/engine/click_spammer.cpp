#include "engine/click_spammer.h"

namespace velotap {

ButtonFlags ClickButtonFlags(int32_t button) {
    switch (button) {
        case 0:
            return {kLeftDown, kLeftUp};
        case 1:
            return {kRightDown, kRightUp};
        case 2:
            return {kMiddleDown, kMiddleUp};
        default:
            return {0, 0};
    }
}

namespace {

void Click(Synth& synth, int32_t button) {
    ButtonFlags flags = ClickButtonFlags(button);
    synth.Button(flags.down);
    synth.Button(flags.up);
}

int64_t ClickInterval(const ClickSettings& s) {
    return IntervalMs(s.sh.load(), s.sm.load(), s.ss.load(), s.sms.load()) * kNanosPerMs;
}

// A cycle's end: count it and plan the next one from the cycle's start.
WorkerWake FinishCycle(ClickSpammerWorker& w, EngineState& state, int64_t extra) {
    ++w.counter;
    w.schedule.Plan(w.cycleStart, ClickInterval(state.click), extra);
    return WorkerWake::Until(w.schedule.nextStart);
}

}  // namespace

WorkerWake ClickSpammerStep(ClickSpammerWorker& w, EngineState& state, Synth& synth, int64_t now) {
    for (;;) {
        if (!state.clickSpamming.load()) {
            w.counter = 0;
            w.secondClickDue = false;
            w.schedule.Clear();
            return WorkerWake::Idle();
        }
        if (w.secondClickDue) {
            w.secondClickDue = false;
            Click(synth, state.click.sbtn.load());
            return FinishCycle(w, state, kDoubleClickGap);
        }
        const std::optional<int64_t> start = w.schedule.Due(now, ClickInterval(state.click));
        if (!start) return WorkerWake::Until(w.schedule.nextStart);
        if (state.click.rptMode.load() == 0 && w.counter >= state.click.rptTimes.load()) {
            // The run ends by itself: nothing is released, no one is woken.
            state.clickSpamming.exchange(0);
            continue;
        }
        w.cycleStart = *start;
        if (state.click.locMode.load() == 1) {
            synth.AbsoluteMove(state.click.fixedX.load(), state.click.fixedY.load());
        }
        Click(synth, state.click.sbtn.load());
        state.clickMeter.Record(now, w.counter == 0);
        if (state.click.stype.load() == 1) {
            w.secondClickDue = true;
            return WorkerWake::Precise(now + kDoubleClickGap);
        }
        return FinishCycle(w, state, 0);
    }
}

PickOutcome HandlePickPress(EngineState& state, PickButton button, int32_t x, int32_t y,
                            bool injected) {
    if (!state.pickingLocation.load()) return PickOutcome::NotPicking;
    if (injected || button == PickButton::X) return PickOutcome::Passed;
    if (button == PickButton::Left) {
        state.click.fixedX.exchange(x);
        state.click.fixedY.exchange(y);
        state.click.locMode.exchange(1);
        state.pickingLocation.exchange(0);
        return PickOutcome::Picked;
    }
    state.pickingLocation.exchange(0);
    return PickOutcome::Cancelled;
}

}  // namespace velotap
