#pragma once
// Records every synthesised record, with a settable screen and a fixed scan-code table (the set-1
// codes of a US keyboard, as MapVirtualKeyW gives them there).
#include <mutex>
#include <vector>

#include "platform/input.h"

namespace velotap {

class FakeInput final : public InputBackend {
  public:
    FakeInput() { records_.reserve(4096); }

    ScreenSize screen{1920, 1080};
    // What CursorPosition reports; unreadable when `cursorKnown` is false.
    int32_t cursorX = 0, cursorY = 0;
    bool cursorKnown = true;

    ScreenSize PrimaryScreen() override { return screen; }
    uint16_t ScanCode(uint32_t vk) override { return FakeScanCode(vk); }
    void Send(const InputRecord& record) override;
    bool CursorPosition(int32_t& x, int32_t& y) override {
        if (!cursorKnown) return false;
        x = cursorX;
        y = cursorY;
        return true;
    }

    std::vector<InputRecord> Take();
    size_t Count();

    static uint16_t FakeScanCode(uint32_t vk);
    // The virtual-key code whose scan code is `scan`; 0 when none (for readable listings).
    static uint32_t FakeVirtualKey(uint16_t scan);

  private:
    std::mutex mutex_;
    std::vector<InputRecord> records_;
};

}  // namespace velotap
