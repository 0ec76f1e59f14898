#include "engine/command_processor.h"

#include "base/event.h"

namespace velotap {

namespace {

// Clears a request and says whether it was raised.
bool Take(Flag& request) {
    return request.exchange(0) != 0;
}

void Signal(Event* event) {
    if (event) event->Set();
}

void Call(const std::function<void()>& fn) {
    if (fn) fn();
}

struct Pass {
    EngineState& s;
    Synth& synth;
    const EngineEvents& events;
    const std::atomic<uint8_t>& stopToolsWithMacro;
    const EngineHooks& hooks;

    void StopToolsWithMacro() {
        if (!stopToolsWithMacro.load()) return;
        s.requests.stopClick.exchange(1);
        s.requests.stopKeySpam.exchange(1);
    }

    void ReleasePlaybackButtons() {
        synth.Button(kLeftUp);
        synth.Button(kRightUp);
    }

    void ReleaseClickButtons() {
        synth.Button(kLeftUp);
        synth.Button(kRightUp);
        synth.Button(kMiddleUp);
    }

    void ReleaseTargets() {
        const int32_t n = s.targets.Count();
        for (int32_t i = 0; i < n; ++i)
            synth.Key(static_cast<uint32_t>(s.targets.codes[static_cast<size_t>(i)].load()), false);
    }

    void Assignment() {
        const int32_t slot = s.pendingSlot.load();
        const int32_t key = s.capturedKey.load();
        if (slot == kSlotNone || key == 0) return;
        if (key != kEscapeKey) {
            if (slot == kSlotKeySpamTarget) {
                s.targets.Append(key);
                Call(hooks.copySettingsToProfile);
            } else if (hooks.assignHotkey) {
                hooks.assignHotkey(slot, key);
            }
        }
        s.pendingSlot.exchange(kSlotNone);
        s.capturedKey.exchange(0);
    }

    void Recording() {
        EngineRequests& r = s.requests;
        if (Take(r.toggleRecording) && !s.playing.load()) {
            if (s.recording.load()) {
                Call(hooks.stopRecording);
                StopToolsWithMacro();
            } else {
                Call(hooks.startRecording);
            }
        }
        if (Take(r.startRecording) && !s.playing.load() && !s.recording.load()) {
            Call(hooks.startRecording);
        }
        if (Take(r.continueRecording) && !s.playing.load() && !s.recording.load()) {
            Call(hooks.continueRecording);
        }
        if (Take(r.undoContinue)) Call(hooks.undoContinue);
        if (Take(r.stopRecording) && s.recording.load()) {
            Call(hooks.stopRecording);
            StopToolsWithMacro();
        }
    }

    void Playback() {
        EngineRequests& r = s.requests;
        if (Take(r.togglePlayback) && !s.recording.load()) {
            const bool wasPlaying = s.playing.load();
            s.playing.exchange(wasPlaying ? 0 : 1);
            if (wasPlaying) {
                ReleasePlaybackButtons();
                StopToolsWithMacro();
            }
            Signal(events.playWake);
        }
        if (Take(r.startPlayback) && !s.recording.load() && !s.playing.load()) {
            s.playing.exchange(1);
            Signal(events.playWake);
        }
        if (Take(r.stopPlayback) && !s.recording.load() && s.playing.load()) {
            s.playing.exchange(0);
            ReleasePlaybackButtons();
            StopToolsWithMacro();
            Signal(events.playWake);
        }
    }

    void ClickSpammer() {
        EngineRequests& r = s.requests;
        if (Take(r.toggleClick)) {
            const bool wasOn = s.clickSpamming.exchange(s.clickSpamming.load() ? 0 : 1) != 0;
            if (wasOn) ReleaseClickButtons();
            Signal(events.clickWake);
        }
        if (Take(r.startClick) && !s.clickSpamming.load()) {
            s.clickSpamming.exchange(1);
            Signal(events.clickWake);
        }
        if (Take(r.stopClick) && s.clickSpamming.load()) {
            s.clickSpamming.exchange(0);
            ReleaseClickButtons();
            Signal(events.clickWake);
        }
    }

    void KeySpammer() {
        EngineRequests& r = s.requests;
        if (Take(r.toggleKeySpam)) {
            if (s.keySpamming.load()) {
                s.keySpamming.exchange(0);
                ReleaseTargets();
            } else if (s.targets.Count() > 0) {
                s.keySpamming.exchange(1);
            }
            Signal(events.keySpamWake);
        }
        if (Take(r.startKeySpam) && !s.keySpamming.load() && s.targets.Count() > 0) {
            s.keySpamming.exchange(1);
            Signal(events.keySpamWake);
        }
        if (Take(r.stopKeySpam) && s.keySpamming.load()) {
            s.keySpamming.exchange(0);
            ReleaseTargets();
            Signal(events.keySpamWake);
        }
    }
};

}  // namespace

void RunCommandPass(EngineState& state, Synth& synth, const EngineEvents& events,
                    const std::atomic<uint8_t>& stopToolsWithMacro, const EngineHooks& hooks) {
    const bool clickBefore = state.clickSpamming.load() != 0;
    const bool keysBefore = state.keySpamming.load() != 0;
    Pass pass{state, synth, events, stopToolsWithMacro, hooks};
    pass.Assignment();
    pass.Recording();
    pass.Playback();
    pass.ClickSpammer();
    pass.KeySpammer();
    if (state.recording.load() && hooks.appendToolEvent) {
        const bool clickNow = state.clickSpamming.load() != 0;
        const bool keysNow = state.keySpamming.load() != 0;
        if (clickNow != clickBefore) hooks.appendToolEvent(1, clickNow);
        if (keysNow != keysBefore) hooks.appendToolEvent(2, keysNow);
    }
}

}  // namespace velotap
