#include "capture/capture_service.h"

#include "base/args.h"
#include "base/event.h"
#include "capture/capture_core.h"
#include "capture/tracker_status.h"
#include "macro/event_list.h"
#include "platform/clock.h"
#include "platform/file_replace.h"

namespace velotap {

CaptureService::CaptureService(EngineState& engine, ProfileList& list)
    : profiles(list), recorder(list, engine, CounterNow, CounterFrequency()) {}

void CaptureService::Connect(std::string& error) {
    keyNames = ConnectKeyNames();
    backend = ConnectCapture(error);
}

void CaptureService::InstallHooks(EngineHooks& hooks) {
    hooks.assignHotkey = [this](int32_t slot, int32_t key) {
        AssignHotkey(slots, slot, key);
        if (backend) backend->Refresh();
    };
    hooks.startRecording = [this] { recorder.StartFresh(); };
    hooks.continueRecording = [this] { recorder.StartContinued(); };
    hooks.stopRecording = [this] { recorder.Stop(); };
    hooks.undoContinue = [this] { recorder.UndoContinue(); };
    hooks.appendToolEvent = [this](int32_t tool, bool on) { recorder.AppendToolEvent(tool, on); };
}

HotkeyContext HotkeysOf(const CaptureView& v) {
    return {
        v.engine,           v.capture.slots, v.settings.hotkeyLock, v.settings.hotkeyLockChanged,
        v.capture.unlocked, &v.command};
}

void RunCaptureThread(CaptureView v) {
    CaptureBackend* backend = v.capture.backend.get();
    if (!backend) return;
    CaptureContext context{v.engine,
                           HotkeysOf(v),
                           v.settings.hotkeysEnabled,
                           &v.capture.recorder,
                           [backend](int32_t x, int32_t y) { return backend->IsOwnWindowAt(x, y); },
                           v.copySettingsToProfile,
                           v.report};
    CaptureCore core(std::move(context));
    backend->Run(core);
}

std::string TrackerStatus(const CaptureView& v, std::vector<std::string> restore, bool panelHover) {
    CaptureService& c = v.capture;
    std::lock_guard<std::recursive_mutex> lock(c.profiles.lock);
    HotkeyContext hotkeys = HotkeysOf(v);
    TrackerExtras extras;
    extras.count = static_cast<int64_t>(c.profiles.Current().size());
    extras.lockOn = v.settings.hotkeyLock.load() != 0;
    extras.unlocked = Unlocked(hotkeys);
    extras.canUndoContinue = c.recorder.CanUndoContinue();
    extras.restore = std::move(restore);
    extras.panelHover = panelHover;
    std::string document = TrackerStatusDocument(v.engine, c.slots, extras, c.keyNames.get());
    // Panels read it at any moment, so it is replaced whole; a failed write is ignored: the page
    // still gets the document.
    if (!c.statusPath.empty()) ReplaceFileContents(c.statusPath, document);
    // Panels in other processes see the events of a recording as it grows.
    WriteMacroEventsMirror(c.eventsPath, MacroEventsDocument(c.profiles.Current()));
    return document;
}

}  // namespace velotap
