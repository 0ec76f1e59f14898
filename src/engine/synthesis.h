#pragma once
// The five input primitives: pure builders of one record each, and Synth, which builds and delivers
// them through the platform backend. Nothing here allocates.
#include <cstdint>

#include "platform/input.h"

namespace velotap {

// Page Up … Down, Insert and Delete carry the extended-key flag; no other key does.
bool IsExtendedKey(uint32_t vk);

// (x × 65536) / size in 32-bit arithmetic, truncating toward zero; a size of 0 gives 0.
int32_t NormaliseCoordinate(int32_t value, int32_t size);

InputRecord AbsoluteMoveRecord(int32_t x, int32_t y, ScreenSize screen);
InputRecord KeyRecord(uint16_t scan, bool extended, bool down);
InputRecord ButtonRecord(uint32_t flags);
InputRecord WheelRecord(int32_t delta);
InputRecord RelativeMoveRecord(int32_t dx, int32_t dy);

// Callers on several threads share one Synth; it keeps no state of its own. Without a backend
// (synthesis unavailable on this desktop) every record is dropped, as refused input is.
class Synth {
  public:
    explicit Synth(InputBackend* backend) : backend_(backend) {}

    void AbsoluteMove(int32_t x, int32_t y);
    void Key(uint32_t vk, bool down);
    // A key whose scan code the caller has cached.
    void KeyByScan(uint16_t scan, bool extended, bool down);
    void Button(uint32_t flags);
    void Wheel(int32_t delta);
    void RelativeMove(int32_t dx, int32_t dy);
    uint16_t ScanCode(uint32_t vk);
    // The cursor position; false (and nothing stored) when it cannot be read.
    bool CursorPosition(int32_t& x, int32_t& y);

  private:
    void Deliver(const InputRecord& record);
    InputBackend* backend_;
};

}  // namespace velotap
