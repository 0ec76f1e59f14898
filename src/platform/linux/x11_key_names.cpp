#include "platform/key_names.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cctype>
#include <mutex>

#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_key_map.h"

namespace velotap {

namespace {

// Names follow the keyboard's current XKB group, so they change with the active layout.
class XkbKeyNames final : public KeyNameSource {
  public:
    explicit XkbKeyNames(Display* display) : display_(display) {}
    ~XkbKeyNames() override { CloseOwnDisplay(display_); }

    std::string LayoutName(uint32_t code) override {
        const unsigned long keysym = VkToKeysym(code);
        if (keysym == 0) return {};
        std::lock_guard<std::mutex> lock(mutex_);
        const KeyCode keycode = XKeysymToKeycode(display_, keysym);
        if (keycode == 0) return {};
        XkbStateRec state{};
        unsigned int group = 0;
        if (XkbGetState(display_, XkbUseCoreKbd, &state) == Success) group = state.group;
        KeySym shown = XkbKeycodeToKeysym(display_, keycode, static_cast<int>(group), 0);
        if (shown == NoSymbol) shown = keysym;
        const char* name = XKeysymToString(shown);
        if (!name) return {};
        std::string text(name);
        // Letters show as the key caps do, whatever case the layout's first level has.
        if (text.size() == 1)
            text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        return text;
    }

  private:
    std::mutex mutex_;
    Display* display_;
};

}  // namespace

std::unique_ptr<KeyNameSource> ConnectKeyNames() {
    Display* display = OpenOwnDisplay();
    if (!display) return nullptr;
    return std::make_unique<XkbKeyNames>(display);
}

}  // namespace velotap
