// Synthesis through XTest on the default screen of our own X connection.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "platform/input.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_key_map.h"

namespace velotap {

namespace {

// The most notches one wheel record scrolls (a delta of 12,000).
constexpr int64_t kMaxWheelNotches = 100;

// Inverse of the normalisation (x × 65536 / width, truncated): rounding recovers the pixel exactly
// for every screen narrower than 32768 pixels.
int Denormalise(int32_t value, int32_t size) {
    long long scaled = static_cast<long long>(value) * size;
    long long half = scaled >= 0 ? 32768 : -32768;
    return static_cast<int>((scaled + half) / 65536);
}

class XTestInput final : public InputBackend {
  public:
    explicit XTestInput(Display* display) : display_(display) {}
    ~XTestInput() override { CloseOwnDisplay(display_); }

    ScreenSize PrimaryScreen() override {
        std::lock_guard lock(mutex_);
        Screen* screen = DefaultScreenOfDisplay(display_);
        return {WidthOfScreen(screen), HeightOfScreen(screen)};
    }

    uint16_t ScanCode(uint32_t vk) override {
        unsigned long keysym = VkToKeysym(vk);
        if (keysym == 0) return 0;
        std::lock_guard lock(mutex_);
        return XKeysymToKeycode(display_, keysym);
    }

    void Send(const InputRecord& r) override {
        std::lock_guard lock(mutex_);
        if (r.kind == InputRecord::Kind::Keyboard) {
            if (r.scan != 0) {
                XTestFakeKeyEvent(display_, r.scan, (r.flags & kKeyUp) ? False : True, CurrentTime);
            }
        } else {
            SendMouse(r);
        }
        XFlush(display_);
    }

    bool CursorPosition(int32_t& x, int32_t& y) override {
        std::lock_guard lock(mutex_);
        Window root, child;
        int rootX, rootY, winX, winY;
        unsigned int mask;
        // False when the pointer is on another screen than the default one.
        if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY,
                           &winX, &winY, &mask)) {
            return false;
        }
        x = rootX;
        y = rootY;
        return true;
    }

  private:
    void SendMouse(const InputRecord& r) {
        if (r.flags & kMouseMove) {
            if (r.flags & kMouseAbsolute) {
                Screen* screen = DefaultScreenOfDisplay(display_);
                XTestFakeMotionEvent(display_, DefaultScreen(display_),
                                     Denormalise(r.dx, WidthOfScreen(screen)),
                                     Denormalise(r.dy, HeightOfScreen(screen)), CurrentTime);
            } else {
                XTestFakeRelativeMotionEvent(display_, r.dx, r.dy, CurrentTime);
            }
        }
        struct ButtonBit {
            uint32_t flag;
            unsigned button;
            bool press;
        };
        static constexpr ButtonBit kButtons[] = {
            {kLeftDown, 1, true}, {kLeftUp, 1, false},    {kRightDown, 3, true},
            {kRightUp, 3, false}, {kMiddleDown, 2, true}, {kMiddleUp, 2, false},
        };
        for (const ButtonBit& b : kButtons) {
            if (r.flags & b.flag) XTestFakeButtonEvent(display_, b.button, b.press, CurrentTime);
        }
        // X buttons: mouse data 2 names the second one; anything else the first.
        unsigned xButton = r.mouseData == 2 ? 9 : 8;
        if (r.flags & kXDown) XTestFakeButtonEvent(display_, xButton, True, CurrentTime);
        if (r.flags & kXUp) XTestFakeButtonEvent(display_, xButton, False, CurrentTime);
        if ((r.flags & kMouseWheel) && r.mouseData != 0) {
            // One notch is 120; a partial notch still scrolls once. An imported delta far beyond
            // any wheel's is clamped: every notch is two events sent under the lock.
            unsigned button = r.mouseData > 0 ? 4 : 5;
            const int64_t magnitude = std::abs(static_cast<int64_t>(r.mouseData));
            const int64_t notches = std::clamp<int64_t>(magnitude / 120, 1, kMaxWheelNotches);
            for (int64_t i = 0; i < notches; ++i) {
                XTestFakeButtonEvent(display_, button, True, CurrentTime);
                XTestFakeButtonEvent(display_, button, False, CurrentTime);
            }
        }
    }

    std::mutex mutex_;
    Display* display_;
};

}  // namespace

std::unique_ptr<InputBackend> ConnectInput(std::string& error) {
    Display* display = OpenOwnDisplay();
    if (!display) {
        error = "Input cannot be synthesised: no X display.";
        return nullptr;
    }
    int event, errorBase, major, minor;
    if (!XTestQueryExtension(display, &event, &errorBase, &major, &minor)) {
        CloseOwnDisplay(display);
        error = "Input cannot be synthesised: the X server has no XTEST extension.";
        return nullptr;
    }
    return std::make_unique<XTestInput>(display);
}

}  // namespace velotap
