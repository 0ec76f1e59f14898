#include "engine/synthesis.h"

namespace velotap {

bool IsExtendedKey(uint32_t vk) {
    return (vk >= 0x21 && vk <= 0x28) || vk == 0x2D || vk == 0x2E;
}

int32_t NormaliseCoordinate(int32_t value, int32_t size) {
    if (size == 0) return 0;
    // 32-bit product as the platform computes it; wrap-around instead of undefined overflow.
    int32_t product = static_cast<int32_t>(static_cast<uint32_t>(value) * 65536u);
    return product / size;
}

InputRecord AbsoluteMoveRecord(int32_t x, int32_t y, ScreenSize screen) {
    InputRecord r;
    r.kind = InputRecord::Kind::Mouse;
    r.dx = NormaliseCoordinate(x, screen.width);
    r.dy = NormaliseCoordinate(y, screen.height);
    r.flags = kMouseMove | kMouseAbsolute;
    return r;
}

InputRecord KeyRecord(uint16_t scan, bool extended, bool down) {
    InputRecord r;
    r.kind = InputRecord::Kind::Keyboard;
    r.scan = scan;
    r.flags = kKeyScanCode | (down ? 0u : kKeyUp) | (extended ? kKeyExtended : 0u);
    return r;
}

InputRecord ButtonRecord(uint32_t flags) {
    InputRecord r;
    r.kind = InputRecord::Kind::Mouse;
    r.flags = flags;
    return r;
}

InputRecord WheelRecord(int32_t delta) {
    InputRecord r;
    r.kind = InputRecord::Kind::Mouse;
    r.flags = kMouseWheel;
    r.mouseData = delta;
    return r;
}

InputRecord RelativeMoveRecord(int32_t dx, int32_t dy) {
    InputRecord r;
    r.kind = InputRecord::Kind::Mouse;
    r.dx = dx;
    r.dy = dy;
    r.flags = kMouseMove;
    return r;
}

void Synth::Deliver(const InputRecord& record) {
    if (backend_) backend_->Send(record);
}

void Synth::AbsoluteMove(int32_t x, int32_t y) {
    // The screen is read on every move: displays change while the program runs.
    ScreenSize screen = backend_ ? backend_->PrimaryScreen() : ScreenSize{};
    Deliver(AbsoluteMoveRecord(x, y, screen));
}

void Synth::Key(uint32_t vk, bool down) {
    Deliver(KeyRecord(ScanCode(vk), IsExtendedKey(vk), down));
}

void Synth::KeyByScan(uint16_t scan, bool extended, bool down) {
    Deliver(KeyRecord(scan, extended, down));
}

void Synth::Button(uint32_t flags) {
    Deliver(ButtonRecord(flags));
}

void Synth::Wheel(int32_t delta) {
    Deliver(WheelRecord(delta));
}

void Synth::RelativeMove(int32_t dx, int32_t dy) {
    Deliver(RelativeMoveRecord(dx, dy));
}

uint16_t Synth::ScanCode(uint32_t vk) {
    return backend_ ? backend_->ScanCode(vk) : 0;
}

bool Synth::CursorPosition(int32_t& x, int32_t& y) {
    return backend_ && backend_->CursorPosition(x, y);
}

}  // namespace velotap
