#pragma once
// One input event of a macro, the unit every macro-carrying file and the player work with.
#include <cstdint>

namespace velotap {

struct UnifiedEvent {
    uint32_t type = 0;  // 0 absolute move, 1 relative move, 2 mouse button, 3 key, 4 wheel, 5 tool
    double time = 0;    // seconds from the start of the macro
    int32_t x = 0;
    int32_t y = 0;
    uint32_t flags = 0;  // mouse button flags of a type 2 event
    uint32_t vk = 0;     // virtual-key code of a key event, tool number of a tool switch
    bool down = false;
    int32_t wheel = 0;

    // All eight values, the time compared exactly.
    friend bool operator==(const UnifiedEvent&, const UnifiedEvent&) = default;
};

namespace EventType {
inline constexpr uint32_t AbsoluteMove = 0;
inline constexpr uint32_t RelativeMove = 1;
inline constexpr uint32_t MouseButton = 2;
inline constexpr uint32_t Key = 3;
inline constexpr uint32_t Wheel = 4;
inline constexpr uint32_t ToolSwitch = 5;
}  // namespace EventType

}  // namespace velotap
