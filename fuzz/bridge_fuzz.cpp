// The page bridge on any message the page could post: the bound function it names runs with its
// arguments on a main process state, and the reply must be a script whose arguments are JSON
// literals, with a result the page can parse. Functions that open dialogs, links or processes are
// left out; everything else is the real binding table. The state is made once (binding the table
// costs more than a call); what could grow without end is emptied before each message.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_app.h"
#include "app/main_bindings.h"
#include "bridge/page_bridge.h"
#include "fuzz_json.h"
#include "platform/fake/fake_file_dialogs.h"
#include "platform/fake/fake_window_host.h"

using namespace velotap;

namespace {

bool LeftOut(std::string_view name) {
    for (std::string_view skipped : {"openLink", "importProfile", "exportProfile", "importTheme",
                                     "startUpdate", "popOutPanel", "openTimelineEditor"}) {
        if (name == skipped) return true;
    }
    return false;
}

std::string Scratch;

struct World {
    FakeWindowHost host;
    MainApp app;
    PageBridge bridge{host};

    World() {
        app.appSettingsPath = Scratch + "/appsettings.txt";
        app.themes = std::make_unique<ThemeStore>(Scratch);
        app.fileDialogs = std::make_unique<FakeFileDialogs>();
        std::vector<Binding> bindings;
        for (Binding& b : MainBindings(app)) {
            if (!LeftOut(b.name)) bindings.push_back(std::move(b));
        }
        BindAll(bridge, bindings);
    }

    void Reset() {
        {
            std::lock_guard lock(app.profiles.lock);
            app.profiles.profiles.assign(1, Profile{kDefaultProfileName, {}, {}});
            app.profiles.currentIndex = 0;
            app.profiles.Touch();
        }
        app.settings.seenWarnings.clear();
        app.settings.minimizedPanels.clear();
        app.settings.panelOrder.clear();
        host.evaluated.clear();
    }
};

World* TheWorld = nullptr;

// The reply scripts' arguments: id, status and result.
void CheckReply(const std::string& script) {
    const std::string_view prefix = "window.__velotap&&window.__velotap.settle(";
    if (script.compare(0, prefix.size(), prefix) != 0) return;
    const std::string args =
        "[" + script.substr(prefix.size(), script.size() - prefix.size() - 2) + "]";
    if (!nlohmann::json::accept(args)) __builtin_trap();
    const nlohmann::json reply = nlohmann::json::parse(args);
    if (reply[1] != 2 && !IsJsonOrEmpty(reply[2].get<std::string>())) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    Scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/velotap-bridge-fuzz-" +
              std::to_string(getpid());
    std::filesystem::create_directories(Scratch);
    // Settings the page changes are saved; keep them, and the autostart entry, in scratch.
    setenv("XDG_CONFIG_HOME", Scratch.c_str(), 1);
    setenv("LOCALAPPDATA", Scratch.c_str(), 1);
    TheWorld = new World;  // lives as long as the process
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = *TheWorld;
    w.Reset();
    w.bridge.HandleMessage(std::string(reinterpret_cast<const char*>(data), size));
    w.host.RunDispatched();
    for (const std::string& script : w.host.evaluated)
        CheckReply(script);
    return 0;
}
