#pragma once
// The capture subsystem of the main process: hotkey slots, the lock's runtime state, key names,
// the recorder over the profile list, the capture thread and the tracker status.
#include <memory>
#include <string>
#include <vector>

#include "capture/capabilities.h"
#include "capture/hotkeys.h"
#include "engine/engine.h"
#include "macro/event_list.h"
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
    PlatformCapabilities platform;  // probed when connecting
    std::string statusPath;         // "status.txt" in the data folder
    std::string eventsPath;         // "macroevents.txt", rewritten with each status
    EventListCache eventList;
    std::shared_ptr<const std::string> lastStatus;  // what "status.txt" was last given
    int64_t lastCount = 0;                          // the macro part of the last status poll
    bool lastCanUndo = false;
    MirrorWriter mirrors;  // declared last: stops first, after writing what waits

    // The event list's view of the main process.
    MacroEditView EventListView() { return {profiles, eventList, mirrors, eventsPath}; }

    // Connects the platform backends; `error` describes a capture backend that is unavailable
    // (no hotkey then works and nothing is recorded).
    void Connect(std::string& error);
    // The command processor's hooks of the recorder and of hotkey assignment.
    void InstallHooks(EngineHooks& hooks);
    // The capability report's facts as far as this subsystem knows them (platform, observation,
    // hotkeys that do not act).
    CapabilityFacts Facts();
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
std::string TrackerStatus(const CaptureView& view, std::vector<std::string> restore = {},
                          bool panelHover = false);

}  // namespace velotap
