// A message on the command pipe comes from another process: splitting it, acting on it in the
// main process and reading it as a panel's command line must never crash or hang, and the panel
// page built from it must stay one script element.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/main_panels.h"
#include "ipc/command_pipe.h"
#include "ipc/panels.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One main process for the whole run, as the pipe thread serves one for its whole life; the
    // files its commands write go to a folder of the run's own, never the user's data folder.
    static const struct Isolated {
        std::string folder;
        Isolated() {
            char name[] = "/tmp/velotap-pipe-fuzz-XXXXXX";
            if (mkdtemp(name) && setenv("LOCALAPPDATA", name, 1) == 0) folder = name;
        }
        ~Isolated() { std::filesystem::remove_all(folder); }
    } isolated;
    if (isolated.folder.empty()) __builtin_trap();
    static MainApp* app = [] {
        auto* made = new MainApp;
        made->themes = std::make_unique<ThemeStore>(isolated.folder);
        return made;
    }();
    static const std::vector<PipeCommand>* commands =
        new std::vector<PipeCommand>(PipeCommands(*app));
    const std::string text(reinterpret_cast<const char*>(data), std::min(size, kPipeMessageMax));
    if (std::optional<PipeMessage> message = SplitPipeMessage(text)) {
        DispatchPipeMessage(*commands, *message);
    }
    TimelineAckSequence(text);
    const PanelParams params = ParsePanelParams(text);
    const std::string script = PanelStartScript(params.theme, params.id);
    if (script.find("</script>") != script.size() - 9) __builtin_trap();
    return 0;
}
