#pragma once
// The capability report that getCapabilities returns: what works on this display. One JSON object,
// members in this order: "platform", "displayServer", "synthesis" and "capture" (each an object
// with "api", "version" and "available"), "hotkeysGrabbed", "hotkeysFailed" (the display names of
// hotkeys that do not act because another program holds them or the layout has no such key),
// "realtime" and "realtimeBy" ("direct", "rtkit" or "none").
#include <string>
#include <vector>

#include "platform/capabilities.h"
#include "platform/realtime.h"

namespace velotap {

struct CapabilityFacts {
    PlatformCapabilities platform;  // as probed at start-up
    bool synthesisConnected = false;
    bool observing = false;  // the capture thread observes the desktop
    std::vector<std::string> hotkeysFailed;
    RealtimeGrant realtime = RealtimeGrant::NotGranted;
};

std::string CapabilitiesDocument(const CapabilityFacts& facts);

}  // namespace velotap
