#include "macro/player.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>

#include "base/event.h"
#include "engine/busy_notice.h"
#include "platform/clock.h"

namespace velotap {

void HeldInput::Key(uint32_t vk, bool down) {
    if (vk >= 256) return;
    const uint64_t bit = uint64_t{1} << (vk % 64);
    if (down) {
        keys[vk / 64] |= bit;
    } else {
        keys[vk / 64] &= ~bit;
    }
}

uint8_t HeldInput::Buttons(uint32_t flags) {
    struct Pair {
        uint32_t down, up;
        uint8_t bit;
    };
    static constexpr Pair kPairs[] = {{kLeftDown, kLeftUp, kLeft},
                                      {kRightDown, kRightUp, kRight},
                                      {kMiddleDown, kMiddleUp, kMiddle}};
    uint8_t pressed = 0;
    for (const Pair& p : kPairs) {
        // Within one record the platform applies the press before the release.
        if (flags & p.down) {
            buttons |= p.bit;
            pressed |= p.bit;
        }
        if (flags & p.up) {
            buttons &= static_cast<uint8_t>(~p.bit);
            pressed &= static_cast<uint8_t>(~p.bit);
        }
    }
    return pressed;
}

bool HeldInput::Empty() const {
    return buttons == 0 && keys[0] == 0 && keys[1] == 0 && keys[2] == 0 && keys[3] == 0;
}

double PlaybackSpeed(float tspd) {
    // The page only sends positive speeds; anything else would stall or reverse the schedule.
    return tspd > 0 ? static_cast<double>(tspd) : 1.0;
}

int64_t LoopPauseNanos(int32_t tloopMs) {
    return std::max<int64_t>(0, tloopMs) * kNanosPerMs;
}

namespace {

// The clock reading at which an event scheduled `seconds` after the pass start is due. Negative and
// non-numeric times are due at once; times beyond the clock's range never come.
int64_t DueAt(int64_t passStart, double seconds) {
    if (!(seconds > 0)) return passStart;
    const double nanos = std::ceil(seconds * 1e9);
    const int64_t room = std::numeric_limits<int64_t>::max() - passStart;
    if (nanos >= static_cast<double>(room)) return std::numeric_limits<int64_t>::max();
    return passStart + static_cast<int64_t>(nanos);
}

bool StillPlaying(PlayerWorker& w, const PlayerContext& c) {
    if (!c.state.playing.load() || !c.running.load()) return false;
    w.unconfirmedPresses = 0;
    return true;
}

void Raise(Flag& request, const PlayerContext& c) {
    RaiseRequest(request, c.command);
}

// The end of playback, by the macro's end, a stop or shut-down: nothing the macro pressed stays
// down. After a stop request the command processor has released left and right already, except
// presses that may have come after its release.
void ReleaseHeld(PlayerWorker& w, const PlayerContext& c, bool stoppedByRequest) {
    HeldInput& h = w.held;
    uint8_t buttons = h.buttons;
    if (stoppedByRequest) {
        const uint8_t leftRight = HeldInput::kLeft | HeldInput::kRight;
        buttons &= static_cast<uint8_t>(~leftRight | w.unconfirmedPresses);
    }
    if (buttons & HeldInput::kLeft) c.synth.Button(kLeftUp);
    if (buttons & HeldInput::kRight) c.synth.Button(kRightUp);
    if (buttons & HeldInput::kMiddle) c.synth.Button(kMiddleUp);
    for (uint32_t word = 0; word < h.keys.size(); ++word) {
        for (uint64_t bits = h.keys[word]; bits != 0; bits &= bits - 1) {
            const uint32_t bit = static_cast<uint32_t>(std::countr_zero(bits));
            c.synth.Key(word * 64 + bit, false);
        }
    }
    h = HeldInput{};
    w.unconfirmedPresses = 0;
}

// Leaves the pass for good: releases what is held and, at the macro's own end, clears playing
// and stops the tools when asked to (a stop request has done both already).
void EndPlayback(PlayerWorker& w, const PlayerContext& c, bool naturalEnd) {
    const bool stoppedByRequest = !naturalEnd && c.running.load() && !c.state.playing.load();
    ReleaseHeld(w, c, stoppedByRequest);
    if (naturalEnd) {
        c.state.playing.exchange(0);
        if (c.stopToolsWithMacro.load()) {
            Raise(c.state.requests.stopClick, c);
            Raise(c.state.requests.stopKeySpam, c);
        }
    }
    w.phase = PlayerWorker::Phase::Idle;
}

void StartPass(PlayerWorker& w, const PlayerContext& c, int64_t now) {
    auto positional = std::find_if(w.macro.begin(), w.macro.end(), [](const UnifiedEvent& e) {
        return e.type == EventType::AbsoluteMove || e.type == EventType::MouseButton;
    });
    if (positional != w.macro.end()) {
        c.synth.AbsoluteMove(positional->x, positional->y);
        w.originX = w.lastX = positional->x;
        w.originY = w.lastY = positional->y;
    } else {
        int32_t x = 0, y = 0;
        if (!c.synth.CursorPosition(x, y)) x = y = 0;
        w.originX = x;
        w.originY = y;
        // Nothing was sent yet, so the glide's first position is sent even where it stands.
        w.lastX = w.lastY = -1;
    }
    w.passStart = now;
    w.previous = 0;
    w.next = 0;
    w.phase = PlayerWorker::Phase::Playing;
}

int32_t GlideAxis(int32_t origin, int32_t target, double fraction) {
    const double span = static_cast<double>(static_cast<int64_t>(target) - origin);
    return static_cast<int32_t>(origin + static_cast<int64_t>(span * fraction));
}

void Glide(PlayerWorker& w, const PlayerContext& c, const UnifiedEvent& e, double t, int64_t now) {
    const double elapsed = static_cast<double>(now - w.passStart) / 1e9;
    const double fraction = std::clamp((elapsed - w.previous) / (t - w.previous), 0.0, 1.0);
    const int32_t x = GlideAxis(w.originX, e.x, fraction);
    const int32_t y = GlideAxis(w.originY, e.y, fraction);
    if (x == w.lastX && y == w.lastY) return;
    c.synth.AbsoluteMove(x, y);
    w.lastX = x;
    w.lastY = y;
}

void Dispatch(PlayerWorker& w, const PlayerContext& c, const UnifiedEvent& e) {
    switch (e.type) {
        case EventType::AbsoluteMove:
            c.synth.AbsoluteMove(e.x, e.y);
            w.originX = w.lastX = e.x;
            w.originY = w.lastY = e.y;
            break;
        case EventType::RelativeMove:
            c.synth.RelativeMove(e.x, e.y);
            break;
        case EventType::MouseButton:
            c.synth.AbsoluteMove(e.x, e.y);
            w.originX = w.lastX = e.x;
            w.originY = w.lastY = e.y;
            c.synth.Button(e.flags);
            w.unconfirmedPresses |= w.held.Buttons(e.flags);
            // Recordings hold X-button presses only, never which button or its release; the
            // press goes out as stored and is released at once so that no button stays down.
            if ((e.flags & kXDown) && !(e.flags & kXUp)) c.synth.Button(kXUp);
            break;
        case EventType::Key:
            c.synth.Key(e.vk, e.down);
            w.held.Key(e.vk, e.down);
            break;
        case EventType::Wheel:
            c.synth.Wheel(e.wheel);
            break;
        case EventType::ToolSwitch: {
            EngineRequests& r = c.state.requests;
            if (e.vk == 1) {
                Raise(e.down ? r.startClick : r.stopClick, c);
            } else if (e.vk == 2) {
                Raise(e.down ? r.startKeySpam : r.stopKeySpam, c);
            }
            break;
        }
        default:
            break;
    }
}

// Sends every event that is due; the wake-up for the next one, or nothing at the pass's end.
bool PlayDue(PlayerWorker& w, const PlayerContext& c, int64_t now, WorkerWake& wake) {
    while (w.next < w.macro.size()) {
        if (!StillPlaying(w, c)) return false;
        const UnifiedEvent& e = w.macro[w.next];
        // The speed is read afresh for every event, so a change applies at once.
        const double t = e.time / PlaybackSpeed(c.state.recorder.tspd.load());
        const int64_t due = DueAt(w.passStart, t);
        if (now < due) {
            if (e.type == EventType::AbsoluteMove && t > w.previous) {
                Glide(w, c, e, t, now);
                wake = WorkerWake::Until(std::min(due, now + kGlideStep));
            } else {
                wake = WorkerWake::Until(due);
            }
            return true;
        }
        Dispatch(w, c, e);
        w.previous = t;
        ++w.next;
    }
    return false;
}

}  // namespace

WorkerWake PlayerStep(PlayerWorker& w, const PlayerContext& c, int64_t now) {
    using Phase = PlayerWorker::Phase;
    for (;;) {
        switch (w.phase) {
            case Phase::Idle: {
                if (!c.state.playing.load() || !c.running.load()) {
                    // Stopped between two passes of a loop.
                    if (!w.held.Empty()) EndPlayback(w, c, false);
                    return WorkerWake::Idle();
                }
                {
                    std::lock_guard lock(c.profiles.lock);
                    const std::vector<UnifiedEvent>& current = c.profiles.CurrentMacro();
                    w.macro.assign(current.begin(), current.end());
                }
                if (w.macro.empty()) {
                    // Ends playback without stopping a tool; a previous pass may hold keys.
                    ReleaseHeld(w, c, false);
                    c.state.playing.exchange(0);
                    return WorkerWake::Idle();
                }
                if (c.announceBusy) c.announceBusy();
                w.phase = Phase::Announced;
                // The notice may have waited: the pass starts on a fresh clock reading.
                return WorkerWake::Until(now);
            }
            case Phase::Announced:
                if (!StillPlaying(w, c)) {
                    EndPlayback(w, c, false);
                    continue;
                }
                StartPass(w, c, now);
                continue;
            case Phase::Playing: {
                WorkerWake wake;
                if (PlayDue(w, c, now, wake)) return wake;
                if (!StillPlaying(w, c)) {
                    EndPlayback(w, c, false);
                    continue;
                }
                if (c.state.recorder.tloop.load()) {
                    w.phase = Phase::Pausing;
                    w.pauseEnd = now + LoopPauseNanos(c.state.recorder.tloopMs.load());
                    return WorkerWake::Until(w.pauseEnd);
                }
                EndPlayback(w, c, true);
                continue;
            }
            case Phase::Pausing:
                if (!StillPlaying(w, c)) {
                    EndPlayback(w, c, false);
                    continue;
                }
                // The pause is over, or a wake-up ended it early (a stop and a new start): the
                // next pass begins with a fresh copy of the macro.
                w.phase = Phase::Idle;
                continue;
        }
    }
}

namespace {

// Longest single timed wait; a later deadline is reached by waiting again.
constexpr int64_t kLongestWait = 60'000 * kNanosPerMs;

}  // namespace

void RunPlayerThread(EngineContext c, ProfileList& profiles) {
    AskRealtime(c.engine);
    const BusyNoticeWait wait{&c.timelineAck, &c.quit, &c.running, 500};
    const PlayerContext context{
        c.engine.state,
        c.engine.synth,
        profiles,
        c.running,
        c.stopToolsWithMacro,
        c.command,
        [&c, &wait] { SendBusyNotice(c.engine.notice, c.engine.state, &wait); }};
    auto worker = std::make_unique<PlayerWorker>();
    while (c.running.load()) {
        const int64_t now = MonotonicNanos();
        const WorkerWake wake = PlayerStep(*worker, context, now);
        if (wake.kind == WorkerWake::Kind::Idle) {
            WaitAny({&c.playWake, &c.quit});
        } else {
            WaitUntil(std::min(wake.at, now + kLongestWait), {&c.playWake, &c.quit});
        }
    }
    // Shut-down during a pass: the step sees the running flag clear and releases what is held.
    PlayerStep(*worker, context, MonotonicNanos());
}

}  // namespace velotap
