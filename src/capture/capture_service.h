#pragma once
// The capture subsystem of the main process: hotkey slots, the lock's runtime state, key names,
// the recorder over the profile list, the capture thread and the tracker status.
#include <memory>
#include <string>
#include <vector>

#include "capture/hotkeys.h"
#include "engine/engine.h"
#include "macro/profile_list.h"
#include "macro/recorder.h"
#include "platform/capture_input.h"
#include "platform/key_names.h"

namespace velotap {

class Event;

struct CaptureService {
    CaptureService(EngineState& engine, ProfileList& profiles);

    HotkeySlots slots;
    Flag unlocked{1};
    ProfileList& profiles;
    Recorder recorder;
    std::unique_ptr<KeyNameSource> keyNames;
    std::unique_ptr<CaptureBackend> backend;
    std::string statusPath;  // "status.txt" in the data folder
    std::string eventsPath;  // "macroevents.txt", rewritten with each status

    // Connects the platform backends; `error` describes a capture backend that is unavailable
    // (no hotkey then works and nothing is recorded).
    void Connect(std::string& error);
    // The command processor's hooks of the recorder and of hotkey assignment.
    void InstallHooks(EngineHooks& hooks);
};

// Everything the capture thread and the capture functions touch.
struct CaptureView {
    CaptureService& capture;
    EngineState& engine;
    HotkeySettings& settings;
    Event& command;
    std::function<void(const std::string&)> report;  // shown to the user once
    std::function<void()> copySettingsToProfile;
};

HotkeyContext HotkeysOf(const CaptureView& view);

// Runs the capture backend until CaptureService::backend is stopped; returns at once without one.
void RunCaptureThread(CaptureView view);

// The tracker status document, with the open pop-out panels as "restore"; in the main process it
// also replaces "status.txt".
std::string TrackerStatus(const CaptureView& view, std::vector<std::string> restore,
                          bool panelHover);

}  // namespace velotap
