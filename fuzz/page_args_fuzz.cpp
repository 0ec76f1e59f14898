// The argument parsers of the page's functions, on any argument text: the first byte picks the
// function, the rest is the JSON argument array as the page would send it. Nothing may crash, and
// the documents the page reads back must stay JSON.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "base/args.h"
#include "engine/engine_calls.h"
#include "fuzz_json.h"
#include "macro/event_list.h"
#include "macro/recorder.h"
#include "platform/fake/fake_window_host.h"
#include "window/main_window.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string args(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string flat = FlattenArgs(args);
    EngineState state;
    AppSettings settings;
    std::vector<UnifiedEvent> macro(3);
    FakeWindowHost host;
    switch (data[0] % 10) {
        case 0:
            UpdateSpammer(state, flat);
            break;
        case 1:
            UpdateKeySpam(state, flat);
            break;
        case 2:
            UpdateTracker(state.recorder, flat);
            break;
        case 3:
            SetAppSetting(settings, flat);
            break;
        case 4:
            UpdateEventTime(macro, flat);
            break;
        case 5:
            DeleteEvent(macro, flat);
            break;
        case 6:
            ResizeWindowCall(host, args);
            break;
        case 7:
            SetHoldMode(state, flat);
            break;
        case 8:
            RemoveKeySpamTarget(state, flat);
            break;
        default:
            SetKeySpamChordMode(state, flat);
            break;
    }
    if (!IsJsonOrEmpty(SettingsDocument(state)) || !IsJsonOrEmpty(AppSettingsJson(settings)) ||
        !IsJsonOrEmpty(MacroEventsDocument(macro))) {
        __builtin_trap();
    }
    const std::optional<Rect> frame = host.FrameRect();
    if (frame && (frame->width < 0 || frame->height < 0)) __builtin_trap();
    return 0;
}
