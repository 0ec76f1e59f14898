#pragma once
// Tells the timeline editor window whether the engine is busy (playing, recording or key spamming)
// with window message 0x8065 (busy 1/0, sequence number), and waits for its acknowledgement when
// asked to.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "engine/engine_state.h"
#include "platform/desktop.h"
#include "platform/window_message.h"

namespace velotap {

class Event;

inline constexpr uint32_t kBusyNoticeMessage = 0x8065;
inline constexpr const char* kTimelineEditorTitle = "Velotap - Timeline Editor";

struct BusyNotice {
    // Platform access; either may be null (no desktop), and then no window is ever found.
    Desktop* desktop = nullptr;
    WindowMessenger* messenger = nullptr;

    // Raised by the command pipe when the editor acknowledges; only grows.
    std::atomic<uint32_t> acknowledged{0};

    // Bookkeeping under the notice lock, which is never held while waiting.
    std::mutex lock;
    std::optional<WindowHandle> lastWindow;
    int lastBusy = -1;  // unknown
    uint32_t sequence = 0;
    uint32_t givenUp = 0;
    std::mutex platformLock;  // the desktop connection serves one caller at a time
};

struct BusyNoticeWait {
    Event* ack = nullptr;  // the timeline-ack event; no wait without it
    Event* quit = nullptr;
    const std::atomic<uint8_t>* running = nullptr;
    int64_t timeoutMs = 500;
};

bool EngineBusy(const EngineState& state);

// One notice. With `wait` set, a message not yet acknowledged or given up is sent again, and the
// call waits for the acknowledgement of what it sent (at most wait.timeoutMs).
void SendBusyNotice(BusyNotice& notice, const EngineState& state, const BusyNoticeWait* wait);

// The pipe server's half: raises the acknowledged number (never lowers it) and wakes the waiter.
void AcknowledgeBusyNotice(BusyNotice& notice, uint32_t sequence, Event& ack);

}  // namespace velotap
