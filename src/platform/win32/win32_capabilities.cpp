// SendInput and the low-level hooks are part of every desktop session; whether the hooks went in
// is known once the capture thread installed them (the capture backend's snapshot). Windows
// reports no version of either.
#include "platform/capabilities.h"

namespace velotap {

PlatformCapabilities ProbeCapabilities() {
    PlatformCapabilities c;
    c.platform = "win32";
    c.displayServer = "windows";
    c.synthesis = {"SendInput", "", true};
    c.capture = {"low-level hooks", "", true};
    return c;
}

}  // namespace velotap
