#include "platform/window_host.h"

namespace velotap {

// The Windows window host embeds WebView2, whose SDK is not available to this build (it is not
// packaged for Debian); the program reports that clearly instead of opening an empty window.
std::unique_ptr<WindowHost> CreateWindowHost(const WindowHostOptions&, std::string& error) {
    error = "This Windows build was made without the WebView2 window host.";
    return nullptr;
}

}  // namespace velotap
