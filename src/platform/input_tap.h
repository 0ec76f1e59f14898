#pragma once
// Delivers through another input backend and shows each record sent to a callback, on the
// sending thread: benchmarks stamp and tests count what the engine sends.
#include <functional>
#include <utility>

#include "platform/input.h"

namespace velotap {

class InputTap final : public InputBackend {
  public:
    InputTap(InputBackend& inner, std::function<void(const InputRecord&)> sent)
        : inner_(inner), sent_(std::move(sent)) {}
    ScreenSize PrimaryScreen() override { return inner_.PrimaryScreen(); }
    uint16_t ScanCode(uint32_t vk) override { return inner_.ScanCode(vk); }
    bool CursorPosition(int32_t& x, int32_t& y) override { return inner_.CursorPosition(x, y); }
    void Send(const InputRecord& record) override {
        inner_.Send(record);
        sent_(record);
    }

  private:
    InputBackend& inner_;
    std::function<void(const InputRecord&)> sent_;
};

}  // namespace velotap
