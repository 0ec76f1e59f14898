#include "app/bindings.h"

#include "base/args.h"
#include "capture/hotkeys.h"

namespace velotap {

Binding ResetHotkeysBinding(CaptureView v) {
    return {"resetHotkeys", [v](const std::string&) {
                ResetHotkeys(v.capture.slots);
                if (v.capture.backend) v.capture.backend->Refresh();
                return std::string();
            }};
}

std::vector<Binding> RecorderBindings(CaptureView v) {
    EngineRequests& r = v.engine.requests;
    std::vector<Binding> b;
    b.push_back({"updateTracker", [v](const std::string& args) {
                     UpdateTracker(v.engine.recorder, FlattenArgs(args));
                     return std::string();
                 }});
    b.push_back(RequestBinding("startRecording", r.startRecording, v.command));
    b.push_back(RequestBinding("stopRecording", r.stopRecording, v.command));
    b.push_back(RequestBinding("continueRecording", r.continueRecording, v.command));
    b.push_back(RequestBinding("undoContinueRecording", r.undoContinue, v.command));
    return b;
}

Binding ReassignKeyBinding(CaptureView v) {
    return {"reassignKey", [v](const std::string& args) {
                const int32_t slot = SlotFromName(FlattenArgs(args));
                if (slot != kSlotNone) {
                    v.engine.capturedKey.exchange(0);
                    v.engine.pendingSlot.exchange(slot);
                    // Once the page is answered, the key the user presses next is taken.
                    if (v.capture.backend) v.capture.backend->Settle();
                }
                return std::string();
            }};
}

}  // namespace velotap
