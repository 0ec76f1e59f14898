#include <windows.h>

#include "platform/window_message.h"

namespace velotap {

namespace {

class PostMessenger final : public WindowMessenger {
  public:
    bool Post(WindowHandle window, uint32_t message, uint64_t wparam, int64_t lparam) override {
        return PostMessageW(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), message,
                            static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) != 0;
    }
};

}  // namespace

std::unique_ptr<WindowMessenger> ConnectWindowMessenger() {
    return std::make_unique<PostMessenger>();
}

}  // namespace velotap
