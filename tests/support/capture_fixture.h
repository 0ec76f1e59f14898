#pragma once
// The capture decisions wired to the command processor and the recorder as the main role wires
// them, on a manual clock and the fake backend.
#include <string>
#include <vector>

#include "base/event.h"
#include "capture/capture_core.h"
#include "capture/tracker_status.h"
#include "engine/command_processor.h"
#include "macro/recorder.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_key_names.h"

namespace velotap {

inline int64_t g_captureClock = 0;
inline int64_t CaptureClock() {
    return g_captureClock;
}

struct CaptureFixture {
    EngineState engine;
    HotkeySlots slots;
    Flag lockOn{0}, lockChanged{0}, unlocked{1}, hotkeysEnabled{1}, stopTools{1};
    Event command{EventReset::Auto};
    ProfileList store;
    Recorder recorder{store, engine, CaptureClock, 1000};
    std::vector<std::pair<int32_t, int32_t>> ownWindows;  // points of the program's windows
    int picked = 0;
    std::vector<std::string> reports;  // what the user was told
    CaptureCore core{CaptureContext{
        engine, HotkeyContext{engine, slots, lockOn, lockChanged, unlocked, &command},
        hotkeysEnabled, &recorder,
        [this](int32_t x, int32_t y) {
            for (auto& p : ownWindows)
                if (p.first == x && p.second == y) return true;
            return false;
        },
        [this] { ++picked; }, [this](const std::string& m) { reports.push_back(m); }}};
    FakeInput input;
    Synth synth{&input};
    EngineHooks hooks;
    FakeKeyNames names;

    CaptureFixture() {
        g_captureClock = 0;
        recorder.SetDoubleClickTimeMs(500);
        hooks.assignHotkey = [this](int32_t slot, int32_t key) { AssignHotkey(slots, slot, key); };
        hooks.startRecording = [this] { recorder.StartFresh(); };
        hooks.continueRecording = [this] { recorder.StartContinued(); };
        hooks.stopRecording = [this] { recorder.Stop(); };
        hooks.undoContinue = [this] { recorder.UndoContinue(); };
        hooks.appendToolEvent = [this](int32_t tool, bool on) {
            recorder.AppendToolEvent(tool, on);
        };
    }

    // Runs the command processor once.
    void Pass() { RunCommandPass(engine, synth, EngineEvents{&command}, stopTools, hooks); }
    void Advance(int64_t ms) { g_captureClock += ms; }

    // Key press and release through the capture decisions, then a processor pass.
    Verdict Key(uint32_t vk, bool press) {
        const Verdict v = core.Key(vk, press, false);
        Pass();
        return v;
    }
    Verdict Click(int32_t button, bool press, int32_t x = 10, int32_t y = 20) {
        const Verdict v = core.Button(button, press, x, y, false);
        Pass();
        return v;
    }

    std::string Status() {
        TrackerExtras extras;
        extras.count = static_cast<int64_t>(store.Current().size());
        extras.lockOn = lockOn.load() != 0;
        HotkeyContext hk{engine, slots, lockOn, lockChanged, unlocked, &command};
        extras.unlocked = Unlocked(hk);
        extras.canUndoContinue = recorder.CanUndoContinue();
        return TrackerStatusDocument(engine, slots, extras, &names);
    }
};

}  // namespace velotap
