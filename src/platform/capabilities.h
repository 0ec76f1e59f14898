#pragma once
// What the platform offers for input on this display, probed once at start-up for the capability
// report: which display server, and whether synthesis and global observation work, with the API
// and its version.
#include <string>

namespace velotap {

struct PlatformCapabilities {
    std::string platform;       // "linux", "win32"
    std::string displayServer;  // "x11", "xwayland", "none"; "windows" on win32
    struct Api {
        std::string name;     // "XTest", "XInput2"; "SendInput", "low-level hooks"
        std::string version;  // as the system reports it, "" where it does not
        bool available = false;
    };
    Api synthesis, capture;
};

PlatformCapabilities ProbeCapabilities();

}  // namespace velotap
