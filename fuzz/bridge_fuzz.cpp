// The page bridge on any message the page could post: it is read, the bound function it names
// runs with its arguments on a fresh main process state, and what goes back to the page must be
// JSON in a script that settles the call. Functions that open dialogs, links or processes are
// left out; everything else is the real binding table.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/main_app.h"
#include "app/main_bindings.h"
#include "base/json.h"
#include "base/page_message.h"
#include "fuzz_json.h"

using namespace velotap;

namespace {

bool LeftOut(std::string_view name) {
    for (std::string_view skipped : {"openLink", "importProfile", "exportProfile", "startUpdate",
                                     "popOutPanel", "openTimelineEditor"}) {
        if (name == skipped) return true;
    }
    return false;
}

std::string Scratch;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    Scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/velotap-bridge-fuzz-" +
              std::to_string(getpid());
    std::filesystem::create_directories(Scratch);
    // Settings the page changes are saved; keep them, and the autostart entry, in scratch.
    setenv("XDG_CONFIG_HOME", Scratch.c_str(), 1);
    setenv("LOCALAPPDATA", Scratch.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const PageMessage message =
        ParsePageMessage(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string result = UnknownFunctionResult(message.method);
    int status = 1;
    if (!LeftOut(message.method)) {
        MainApp app;
        app.appSettingsPath = Scratch + "/appsettings.txt";
        for (const Binding& b : MainBindings(app)) {
            if (b.name == message.method && b.sync) {
                result = b.sync(message.params);
                status = 0;
                break;
            }
        }
    }
    if (!IsJsonOrEmpty(result)) __builtin_trap();
    const std::string script = SettleScript(message.id, status, result);
    const std::string prefix = "window.__velotap&&window.__velotap.settle(";
    if (script.compare(0, prefix.size(), prefix) != 0 || !IsJsonOrEmpty(JsonEscape(message.id))) {
        __builtin_trap();
    }
    return 0;
}
