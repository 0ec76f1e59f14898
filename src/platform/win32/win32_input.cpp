// One SendInput call per record.
#include <windows.h>

#include "platform/input.h"

namespace velotap {

namespace {

class SendInputBackend final : public InputBackend {
  public:
    ScreenSize PrimaryScreen() override {
        return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }

    uint16_t ScanCode(uint32_t vk) override {
        return static_cast<uint16_t>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    }

    void Send(const InputRecord& r) override {
        INPUT input;
        ZeroMemory(&input, sizeof(input));
        if (r.kind == InputRecord::Kind::Keyboard) {
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = r.scan;
            input.ki.dwFlags = r.flags;
        } else {
            input.type = INPUT_MOUSE;
            input.mi.dx = r.dx;
            input.mi.dy = r.dy;
            input.mi.mouseData = static_cast<DWORD>(r.mouseData);
            input.mi.dwFlags = r.flags;
        }
        SendInput(1, &input, sizeof(INPUT));
    }

    bool CursorPosition(int32_t& x, int32_t& y) override {
        POINT p;
        if (!GetCursorPos(&p)) return false;
        x = p.x;
        y = p.y;
        return true;
    }
};

}  // namespace

std::unique_ptr<InputBackend> ConnectInput(std::string&) {
    return std::make_unique<SendInputBackend>();
}

}  // namespace velotap
