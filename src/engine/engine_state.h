#pragma once
// The input engine's shared state: running and request flags, tool settings and the key spammer's
// targets. Every member is a single atomic value written with exchange and read without a lock.
#include <array>
#include <atomic>
#include <cstdint>

#include "engine/send_meter.h"

namespace velotap {

class Event;

using Flag = std::atomic<uint8_t>;
using Int = std::atomic<int32_t>;

struct ClickSettings {
    Int sh{0}, sm{0}, ss{0}, sms{5};
    Int sbtn{0};     // 0 left, 1 right, 2 middle
    Int stype{0};    // 1 double click
    Int rptMode{1};  // 0 counted
    Int rptTimes{10};
    Int locMode{0};  // 1 fixed point
    Int fixedX{0}, fixedY{0};
};

struct KeySpamSettings {
    Int ksh{0}, ksm{0}, kss{0}, ksms{5};
    Int ksRptMode{1};
    Int ksRptTimes{10};
    Flag chord{0};
};

// The recorder and player settings the settings document carries (recorder and player read them).
struct RecorderSettings {
    Flag tmv{1}, tclk{1}, tscr{1}, tkey{1}, trel{0};
    std::atomic<float> tspd{1.0f};
    Flag tloop{0};
    Int tloopMs{500};
};

// Insertion-ordered virtual-key codes; duplicates allowed. Writers (the command processor, the UI
// thread, the session loader) are serialised by the callers' threads' roles; the worker reads
// without a lock and clamps to the count it read.
struct KeySpamTargets {
    static constexpr int kCapacity = 256;
    std::array<Int, kCapacity> codes{};
    Int count{0};
    Int first{32};  // the code at index 0, kept for the session and macro files

    KeySpamTargets();
    // False when the table is full.
    bool Append(int32_t code);
    // False when the index is outside the list.
    bool Remove(int32_t index);
    int32_t Count() const;
};

struct EngineRequests {
    Flag toggleRecording{0}, startRecording{0}, continueRecording{0}, undoContinue{0},
        stopRecording{0};
    Flag togglePlayback{0}, startPlayback{0}, stopPlayback{0};
    Flag toggleClick{0}, startClick{0}, stopClick{0};
    Flag toggleKeySpam{0}, startKeySpam{0}, stopKeySpam{0};
};

// Hotkey slots of a pending assignment.
enum AssignSlot : int32_t {
    kSlotNone = 0,
    kSlotRecording = 1,
    kSlotPlayback = 2,
    kSlotClickSpammer = 3,
    kSlotKeySpammer = 4,
    kSlotKeySpamTarget = 5,
    kSlotUnlock = 6,
};

struct EngineState {
    // Running flags.
    Flag recording{0}, playing{0}, clickSpamming{0}, keySpamming{0};
    EngineRequests requests;
    Int pendingSlot{kSlotNone};
    Int capturedKey{0};
    Flag pickingLocation{0};
    Flag holdAuto{0}, holdKeySpam{0};

    ClickSettings click;
    KeySpamSettings keySpam;
    KeySpamTargets targets;
    RecorderSettings recorder;
    SendMeter clickMeter, keySpamMeter;
};

// A producer's half of a request: set it, then wake the command processor.
void RaiseRequest(Flag& request, Event& command);

}  // namespace velotap
