#include "capture/capabilities.h"

#include "base/json.h"

namespace velotap {

namespace {

std::string Api(const PlatformCapabilities::Api& api, bool available) {
    return "{\"api\":" + JsonEscape(api.name) + ",\"version\":" + JsonEscape(api.version) +
           ",\"available\":" + (available ? "true" : "false") + "}";
}

}  // namespace

std::string CapabilitiesDocument(const CapabilityFacts& f) {
    const bool capture = f.platform.capture.available && f.observing;
    std::string failed;
    for (const std::string& name : f.hotkeysFailed) {
        if (!failed.empty()) failed += ',';
        failed += JsonEscape(name);
    }
    return "{\"platform\":" + JsonEscape(f.platform.platform) +
           ",\"displayServer\":" + JsonEscape(f.platform.displayServer) + ",\"synthesis\":" +
           Api(f.platform.synthesis, f.platform.synthesis.available && f.synthesisConnected) +
           ",\"capture\":" + Api(f.platform.capture, capture) +
           ",\"hotkeysGrabbed\":" + (capture && f.hotkeysFailed.empty() ? "true" : "false") +
           ",\"hotkeysFailed\":[" + failed + "]" +
           ",\"realtime\":" + (f.realtime != RealtimeGrant::NotGranted ? "true" : "false") +
           ",\"realtimeBy\":" + JsonEscape(RealtimeGrantName(f.realtime)) + "}";
}

}  // namespace velotap
