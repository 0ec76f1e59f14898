// Process entry of VelotapApp: common first steps, then the role.
#include <cstdio>

#include "app/console_checks.h"
#include "app/main_role.h"
#include "app/roles.h"
#include "platform/process.h"

namespace velotap {
namespace {

// Outside web-view configuration must not steer our web view.
constexpr const char* kForeignWebViewVariables[] = {
    "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", "WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS",
    "WEBVIEW2_USER_DATA_FOLDER",          "WEBVIEW2_RELEASE_CHANNEL_PREFERENCE",
    "WEBVIEW2_PIPE_FOR_SCRIPT_DEBUGGER",  "WEBVIEW2_WAIT_FOR_SCRIPT_DEBUGGER",
};

int Main(int argc, char** argv) {
    for (const char* name : kForeignWebViewVariables)
        UnsetEnvironmentVariable(name);
    ProcessScope scope;

    ConsoleChoice console = ChooseConsoleMode(CommandLineArgs(argc, argv));
    if (console.mode != ConsoleMode::None) {
        EnsureConsoleOutput();
        ConsoleVerdict verdict = RunConsoleCheck(console);
        std::fputs(verdict.text.c_str(), stdout);
        std::fflush(stdout);
        return verdict.pass ? 0 : 1;
    }
    return RunWindowRole(ChooseWindowRole(RawCommandLine(argc, argv)), console.updateManifest, argc,
                         argv);
}

}  // namespace
}  // namespace velotap

int main(int argc, char** argv) {
    return velotap::Main(argc, argv);
}
