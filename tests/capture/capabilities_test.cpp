#include <gtest/gtest.h>

#include "capture/capabilities.h"

namespace velotap {

namespace {

TEST(Capabilities, DocumentSaysWhatWorks) {
    PlatformCapabilities x11{"linux", "x11", {"XTest", "2.2", true}, {"XInput2", "2.4", true}};
    PlatformCapabilities wayland = x11;
    wayland.displayServer = "xwayland";
    PlatformCapabilities windows{
        "win32", "windows", {"SendInput", "", true}, {"low-level hooks", "", true}};
    struct Case {
        CapabilityFacts facts;
        const char* json;
    };
    const Case cases[] = {
        {{x11, true, true, {}, RealtimeGrant::Direct},
         R"({"platform":"linux","displayServer":"x11",)"
         R"("synthesis":{"api":"XTest","version":"2.2","available":true},)"
         R"("capture":{"api":"XInput2","version":"2.4","available":true},)"
         R"("hotkeysGrabbed":true,"hotkeysFailed":[],"realtime":true,"realtimeBy":"direct"})"},
        // A hotkey another program holds; no realtime; synthesis not connected.
        {{wayland, false, true, {"F7", "Key[255]"}, RealtimeGrant::NotGranted},
         R"({"platform":"linux","displayServer":"xwayland",)"
         R"("synthesis":{"api":"XTest","version":"2.2","available":false},)"
         R"("capture":{"api":"XInput2","version":"2.4","available":true},)"
         R"("hotkeysGrabbed":false,"hotkeysFailed":["F7","Key[255]"],"realtime":false,)"
         R"("realtimeBy":"none"})"},
        // Hooks not installed: nothing is observed, so no hotkey acts.
        {{windows, true, false, {}, RealtimeGrant::RealtimeKit},
         R"({"platform":"win32","displayServer":"windows",)"
         R"("synthesis":{"api":"SendInput","version":"","available":true},)"
         R"("capture":{"api":"low-level hooks","version":"","available":false},)"
         R"("hotkeysGrabbed":false,"hotkeysFailed":[],"realtime":true,"realtimeBy":"rtkit"})"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CapabilitiesDocument(c.facts), c.json);
}

}  // namespace

}  // namespace velotap
