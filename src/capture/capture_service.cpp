#include "capture/capture_service.h"

#include <memory>

#include "base/args.h"
#include "base/event.h"
#include "capture/capture_core.h"
#include "capture/tracker_status.h"
#include "macro/event_list.h"
#include "platform/clock.h"

namespace velotap {

CaptureService::CaptureService(EngineState& engine, ProfileList& list)
    : profiles(list), recorder(list, engine, CounterNow, CounterFrequency()) {}

void CaptureService::Connect(std::string& error) {
    keyNames = ConnectKeyNames();
    backend = ConnectCapture(error);
    platform = ProbeCapabilities();
}

CapabilityFacts CaptureService::Facts() {
    CapabilityFacts f;
    f.platform = platform;
    if (!backend) return f;
    const CaptureStatus status = backend->Snapshot();
    f.observing = status.observing;
    for (int32_t code : status.ungrabbed)
        f.hotkeysFailed.push_back(KeyDisplayName(keyNames.get(), static_cast<uint32_t>(code)));
    return f;
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
    HotkeyContext hotkeys = HotkeysOf(v);
    TrackerExtras extras;
    {
        // Only the macro's part needs the lock, and the poll never waits for it: while another
        // thread holds it (a recording's append may be growing a long macro) the last poll's
        // values stand until the next one.
        std::unique_lock<std::recursive_mutex> lock(c.profiles.lock, std::try_to_lock);
        if (lock.owns_lock()) {
            c.lastCount = static_cast<int64_t>(c.profiles.CurrentMacro().size());
            c.lastCanUndo = c.recorder.CanUndoContinue();
        }
        extras.count = c.lastCount;
        extras.canUndoContinue = c.lastCanUndo;
    }
    extras.lockOn = v.settings.hotkeyLock.load() != 0;
    extras.unlocked = Unlocked(hotkeys);
    extras.restore = std::move(restore);
    extras.panelHover = panelHover;
    std::string document = TrackerStatusDocument(v.engine, c.slots, extras, c.keyNames.get());
    // The files are written on the mirror thread, and only when they would change; a failed write
    // is ignored, the page still gets the document.
    if (!c.lastStatus || *c.lastStatus != document) {
        c.lastStatus = std::make_shared<const std::string>(document);
        c.mirrors.Write(c.statusPath, {c.lastStatus});
    }
    // Panels in other processes see the events of a recording as it grows.
    RefreshMacroEvents(c.EventListView(), Waiting::No);
    return document;
}

}  // namespace velotap
