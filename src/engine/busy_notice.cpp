#include "engine/busy_notice.h"

#include <chrono>

#include "base/event.h"

namespace velotap {

bool EngineBusy(const EngineState& state) {
    return state.playing.load() || state.recording.load() || state.keySpamming.load();
}

void SendBusyNotice(BusyNotice& notice, const EngineState& state, const BusyNoticeWait* wait) {
    const int busy = EngineBusy(state) ? 1 : 0;
    std::optional<WindowHandle> window;
    {
        std::lock_guard platform(notice.platformLock);
        if (notice.desktop) {
            window = notice.desktop->FindTopLevel(
                [](const std::string& title) { return title == kTimelineEditorTitle; });
        }
    }
    uint32_t sent;
    {
        std::lock_guard lock(notice.lock);
        if (!window) {
            notice.lastWindow.reset();
            notice.lastBusy = -1;
            return;
        }
        if (notice.lastWindow == window && notice.lastBusy == busy) {
            bool open =
                notice.acknowledged.load() < notice.sequence && notice.givenUp != notice.sequence;
            if (!wait || !open) return;
        }
        sent = ++notice.sequence;
        notice.lastWindow = window;
        notice.lastBusy = busy;
    }
    {
        std::lock_guard platform(notice.platformLock);
        if (notice.messenger) {
            notice.messenger->Post(*window, kBusyNoticeMessage, static_cast<uint64_t>(busy), sent);
        }
    }
    if (!wait || !wait->ack) return;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(wait->timeoutMs);
    while (notice.acknowledged.load() < sent) {
        if (wait->running && !wait->running->load()) return;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            std::lock_guard lock(notice.lock);
            notice.givenUp = sent;
            return;
        }
        if (wait->quit) {
            WaitAny({wait->ack, wait->quit}, deadline - now);
        } else {
            WaitAny({wait->ack}, deadline - now);
        }
    }
}

void AcknowledgeBusyNotice(BusyNotice& notice, uint32_t sequence, Event& ack) {
    uint32_t current = notice.acknowledged.load();
    while (sequence > current && !notice.acknowledged.compare_exchange_weak(current, sequence)) {
    }
    ack.Set();
}

}  // namespace velotap
