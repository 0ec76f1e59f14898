#pragma once
// Synthesised input: the portable form of one platform input record and the backend that delivers
// it (win32: one SendInput call; linux: XTest; fake: recorded).
#include <cstdint>
#include <memory>
#include <string>

namespace velotap {

// Mirrors the fields of the 40-byte Windows INPUT record that the engine fills; time and extra
// info are always 0 and so are not carried. Keys always go by scan code, never by virtual key.
struct InputRecord {
    enum class Kind : uint8_t { Mouse, Keyboard };
    Kind kind = Kind::Mouse;
    int32_t dx = 0, dy = 0;  // mouse: normalised absolute or relative pixels
    int32_t mouseData = 0;   // mouse: wheel delta
    uint32_t flags = 0;      // MOUSEEVENTF_* or KEYEVENTF_* values
    uint16_t scan = 0;       // keyboard: scan code (X keycode on linux)
    bool operator==(const InputRecord&) const = default;
};

// Flag values of the platform records.
inline constexpr uint32_t kMouseMove = 0x0001, kLeftDown = 0x0002, kLeftUp = 0x0004,
                          kRightDown = 0x0008, kRightUp = 0x0010, kMiddleDown = 0x0020,
                          kMiddleUp = 0x0040, kXDown = 0x0080, kXUp = 0x0100, kMouseWheel = 0x0800,
                          kMouseAbsolute = 0x8000;
inline constexpr uint32_t kKeyExtended = 0x0001, kKeyUp = 0x0002, kKeyScanCode = 0x0008;

struct ScreenSize {
    int32_t width = 0, height = 0;
};

// Called from several engine threads at once; implementations serialise delivery themselves.
class InputBackend {
  public:
    virtual ~InputBackend() = default;
    // The primary display, read on every absolute move.
    virtual ScreenSize PrimaryScreen() = 0;
    // The scan code of a virtual-key code; 0 when it has none.
    virtual uint16_t ScanCode(uint32_t vk) = 0;
    // Delivers one record; a refusal by the system is not reported.
    virtual void Send(const InputRecord& record) = 0;
    // The cursor's position in screen pixels; false when it cannot be read.
    virtual bool CursorPosition(int32_t& x, int32_t& y) = 0;
};

// The platform's synthesis backend; null with `error` set when it cannot be reached.
std::unique_ptr<InputBackend> ConnectInput(std::string& error);

}  // namespace velotap
