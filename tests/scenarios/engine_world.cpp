#include "engine_world.h"

#include <algorithm>
#include <cstdio>

#include "engine/command_processor.h"
#include "macro/event_line.h"
#include "platform/fake/fake_key_names.h"

namespace velotap {

namespace {

std::string KeyName(uint16_t scan) {
    const uint32_t vk = FakeInput::FakeVirtualKey(scan);
    if (std::string name = FakeKeyNames().LayoutName(vk); !name.empty()) return name;
    switch (vk) {
        case 0x10:
            return "Shift";
        case 0x11:
            return "Ctrl";
        case 0x12:
            return "Alt";
        case 0x25:
            return "Left";
        default:
            break;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "scan%02X", scan);
    return buffer;
}

std::string ButtonName(uint32_t flags) {
    switch (flags) {
        case kLeftDown:
            return "left-down";
        case kLeftUp:
            return "left-up";
        case kRightDown:
            return "right-down";
        case kRightUp:
            return "right-up";
        case kMiddleDown:
            return "middle-down";
        case kMiddleUp:
            return "middle-up";
        case kXDown:
            return "x-down";
        case kXUp:
            return "x-up";
        case 0:
            return "none";
        default:
            break;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", flags);
    return buffer;
}

std::string Describe(const InputRecord& r) {
    char buffer[96];
    if (r.kind == InputRecord::Kind::Keyboard) {
        std::snprintf(buffer, sizeof buffer, "key %s %s 0x%04X", KeyName(r.scan).c_str(),
                      (r.flags & kKeyUp) ? "up" : "down", r.flags);
    } else if (r.flags == (kMouseMove | kMouseAbsolute)) {
        std::snprintf(buffer, sizeof buffer, "move-abs %d %d", r.dx, r.dy);
    } else if (r.flags == kMouseMove) {
        std::snprintf(buffer, sizeof buffer, "move-rel %d %d", r.dx, r.dy);
    } else if (r.flags == kMouseWheel) {
        std::snprintf(buffer, sizeof buffer, "wheel %d", r.mouseData);
    } else {
        std::snprintf(buffer, sizeof buffer, "button %s", ButtonName(r.flags).c_str());
    }
    return buffer;
}

std::string FormatTime(int64_t nanos) {
    char buffer[32];
    if (nanos % kNanosPerMs == 0) {
        std::snprintf(buffer, sizeof buffer, "@%lldms",
                      static_cast<long long>(nanos / kNanosPerMs));
    } else {
        std::snprintf(buffer, sizeof buffer, "@%.3fms", static_cast<double>(nanos) / kNanosPerMs);
    }
    return buffer;
}

// "5ms", "10s", "1h", "3723004ms": a duration in nanoseconds, or -1.
int64_t ParseDuration(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[digits])) || text[digits] == '.')) {
        ++digits;
    }
    if (digits == 0) return -1;
    double value = std::stod(text.substr(0, digits));
    std::string unit = text.substr(digits);
    if (unit == "ms") return static_cast<int64_t>(value * kNanosPerMs);
    if (unit == "s") return static_cast<int64_t>(value * 1000 * kNanosPerMs);
    if (unit == "h") return static_cast<int64_t>(value * 3600 * 1000 * kNanosPerMs);
    return -1;
}

int32_t ParseNumber(const std::string& text) {
    return static_cast<int32_t>(std::stol(text, nullptr, 0));
}

}  // namespace

EngineWorld::EngineWorld()
    : context_{signals_.ContextOf(engine_)},
      player_{engine_.state,
              engine_.synth,
              profiles_,
              signals_.running,
              signals_.stopTools,
              signals_.command,
              [this] { Log("busy-notice"); }} {
    engine_.Use(&input_, &desktop_, &messenger_);
    bindings_ = ToolBindings(context_);
    for (Binding& b : PlaybackBindings(context_))
        bindings_.push_back(std::move(b));
    bindings_.push_back(GetSettingsBinding(context_));
    Settle();
}

std::string EngineWorld::Call(const std::string& name, const std::string& args) {
    for (const Binding& b : bindings_)
        if (b.name == name) return b.sync(args);
    return "<unknown function " + name + ">";
}

void EngineWorld::Log(const std::string& what) {
    out_.push_back(FormatTime(now_) + " " + what);
}

void EngineWorld::Drain() {
    for (const InputRecord& r : input_.Take()) {
        if (quiet_ && r.kind == InputRecord::Kind::Mouse &&
            r.flags == (kMouseMove | kMouseAbsolute)) {
            lastMoveX_ = r.dx;
            lastMoveY_ = r.dy;
            ++quietMoves_;
            continue;
        }
        Log(Describe(r));
    }
}

void EngineWorld::LogFlags() {
    auto show = [this](uint8_t now, uint8_t& shown, const char* name) {
        if (now == shown) return;
        shown = now;
        Log(std::string(name) + (now ? " on" : " off"));
    };
    show(engine_.state.clickSpamming.load(), shownClick_, "clicking");
    show(engine_.state.keySpamming.load(), shownKeys_, "keyspam");
    show(engine_.state.playing.load(), shownPlaying_, "playing");
}

bool EngineWorld::RunProcessorIfDue() {
    // The processor thread runs one pass at start, then one per command event.
    if (!processorFirst_ && !signals_.command.IsSet()) return false;
    processorFirst_ = false;
    signals_.command.Reset();
    RunCommandPass(engine_.state, engine_.synth, context_.Events(), signals_.stopTools,
                   engine_.hooks);
    Drain();
    LogFlags();
    return true;
}

bool EngineWorld::RunWorkerIfDue(Worker& w, Event& own, Which which) {
    bool due = w.firstRun;
    if (!due && w.wake.kind != WorkerWake::Kind::Precise && own.IsSet()) {
        own.Reset();  // consumed by the wait it ends
        due = true;
    }
    if (!due && w.wake.kind != WorkerWake::Kind::Idle && w.wake.at <= now_) due = true;
    if (!due) return false;
    w.firstRun = false;
    switch (which) {
        case Which::Click:
            w.wake = ClickSpammerStep(click_, engine_.state, engine_.synth, now_);
            break;
        case Which::KeySpam:
            w.wake = KeySpamStep(keys_, engine_.state, engine_.synth, now_, [this] {
                Log("busy-notice");
                now_ += noticeTakes_;  // waiting for the acknowledgement
            });
            break;
        case Which::Player:
            w.wake = PlayerStep(playerWorker_, player_, now_);
            break;
    }
    Drain();
    LogFlags();
    return true;
}

void EngineWorld::Settle() {
    for (int guard = 0; guard < 10000; ++guard) {
        bool ran = RunProcessorIfDue();
        ran = RunWorkerIfDue(clickThread_, signals_.clickWake, Which::Click) || ran;
        ran = RunWorkerIfDue(keyThread_, signals_.keySpamWake, Which::KeySpam) || ran;
        ran = RunWorkerIfDue(playerThread_, signals_.playWake, Which::Player) || ran;
        if (!ran) return;
    }
    Log("<no quiescence>");
}

void EngineWorld::Advance(int64_t nanos) {
    Settle();  // what the script raised at the current time (a busy notice may take time)
    const int64_t target = now_ + nanos;
    for (;;) {
        int64_t next = target + 1;
        for (const Worker* w : {&clickThread_, &keyThread_, &playerThread_}) {
            if (w->wake.kind != WorkerWake::Kind::Idle) next = std::min(next, w->wake.at);
        }
        if (next > target) break;
        now_ = std::max(now_, next);
        Settle();
    }
    now_ = target;
    Settle();
}

bool EngineWorld::Run(const std::string& line, std::string& error) {
    std::vector<std::string> w = Words(line);
    if (w.empty()) return true;
    const std::string& verb = w[0];
    if (int64_t d = ParseDuration(verb); d >= 0 && w.size() == 1) {
        Advance(d);
        return true;
    }
    EngineState& s = engine_.state;
    try {
        if (verb == "call" && w.size() >= 2) {
            std::string args = w.size() >= 3 ? line.substr(line.find(w[2])) : "[]";
            std::string result = Call(w[1], args);
            if (!result.empty()) Log(w[1] + " => " + result);
        } else if (verb == "request" && w.size() == 2) {
            EngineRequests& r = s.requests;
            Flag* flag = w[1] == "toggleClick"       ? &r.toggleClick
                         : w[1] == "toggleKeySpam"   ? &r.toggleKeySpam
                         : w[1] == "togglePlayback"  ? &r.togglePlayback
                         : w[1] == "toggleRecording" ? &r.toggleRecording
                         : w[1] == "stopClick"       ? &r.stopClick
                         : w[1] == "startClick"      ? &r.startClick
                         : w[1] == "startPlayback"   ? &r.startPlayback
                         : w[1] == "stopPlayback"    ? &r.stopPlayback
                                                     : nullptr;
            if (!flag) {
                error = "unknown request " + w[1];
                return false;
            }
            RaiseRequest(*flag, signals_.command);
        } else if (verb == "assign" && w.size() == 3) {
            s.pendingSlot.exchange(ParseNumber(w[1]));
            s.capturedKey.exchange(ParseNumber(w[2]));
            signals_.command.Set();
            Settle();  // one capture at a time, as the capture thread delivers them
        } else if (verb == "wake" && w.size() == 2) {
            // A signal of a worker's wake event that starts and stops nothing.
            (w[1] == "click" ? signals_.clickWake : signals_.keySpamWake).Set();
            Settle();
        } else if (verb == "notice-takes" && w.size() == 2) {
            noticeTakes_ = ParseDuration(w[1]);
        } else if (verb == "stall" && w.size() == 2) {
            // The clock moves on while no thread gets to run: a late wake-up.
            now_ += ParseDuration(w[1]);
        } else if (verb == "screen" && w.size() == 3) {
            input_.screen = {ParseNumber(w[1]), ParseNumber(w[2])};
        } else if (verb == "synth" && w.size() >= 2) {
            Synth& synth = engine_.synth;
            if (w[1] == "abs" && w.size() == 4) {
                synth.AbsoluteMove(ParseNumber(w[2]), ParseNumber(w[3]));
            } else if (w[1] == "rel" && w.size() == 4) {
                synth.RelativeMove(ParseNumber(w[2]), ParseNumber(w[3]));
            } else if (w[1] == "wheel" && w.size() == 3) {
                synth.Wheel(ParseNumber(w[2]));
            } else if (w[1] == "key" && w.size() == 4) {
                synth.Key(static_cast<uint32_t>(ParseNumber(w[2])), w[3] == "down");
            } else {
                error = "bad synth line";
                return false;
            }
            Drain();
        } else if (verb == "pick" && w.size() == 5) {
            PickButton button = w[1] == "left"     ? PickButton::Left
                                : w[1] == "right"  ? PickButton::Right
                                : w[1] == "middle" ? PickButton::Middle
                                                   : PickButton::X;
            PickOutcome o = HandlePickPress(s, button, ParseNumber(w[2]), ParseNumber(w[3]),
                                            w[4] == "injected");
            const char* names[] = {"not-picking", "picked", "cancelled", "passed"};
            Log(std::string("pick ") + names[static_cast<int>(o)]);
        } else if (verb == "playing" && w.size() == 2) {
            s.playing.exchange(static_cast<uint8_t>(ParseNumber(w[1])));
        } else if (RunPlayerLine(w, error)) {
        } else if (!error.empty()) {
            return false;
        } else {
            error = "cannot read the line";
            return false;
        }
    } catch (const std::exception& e) {
        error = std::string("bad number: ") + e.what();
        return false;
    }
    return true;
}

// Player lines: "macro T,TIME,X,Y,FLAGS,VK,DOWN,WHEEL" appends an event to the current macro;
// "cursor-at X Y" (or "cursor-at unknown") sets what the cursor query reports; "set NAME VALUE"
// sets tspd, tloop, tloopMs or stopTools; "moves quiet" stops listing absolute moves and
// "cursor" lists where the last one went and how many were sent since the last "cursor". False with
// `error` empty for a line of another kind.
bool EngineWorld::RunPlayerLine(const std::vector<std::string>& w, std::string& error) {
    const std::string& verb = w[0];
    EngineState& s = engine_.state;
    if (verb == "macro" && w.size() == 2) {
        std::optional<UnifiedEvent> e = ParseEventLine(w[1], WheelField::Required);
        if (!e) {
            error = "bad event line";
            return false;
        }
        std::lock_guard lock(profiles_.lock);
        profiles_.Current().push_back(*e);
    } else if (verb == "cursor-at" && w.size() == 2 && w[1] == "unknown") {
        input_.cursorKnown = false;
    } else if (verb == "cursor-at" && w.size() == 3) {
        input_.cursorKnown = true;
        input_.cursorX = ParseNumber(w[1]);
        input_.cursorY = ParseNumber(w[2]);
    } else if (verb == "set" && w.size() == 3) {
        if (w[1] == "tspd") {
            s.recorder.tspd.exchange(std::stof(w[2]));
        } else if (w[1] == "tloop") {
            s.recorder.tloop.exchange(static_cast<uint8_t>(ParseNumber(w[2])));
        } else if (w[1] == "tloopMs") {
            s.recorder.tloopMs.exchange(ParseNumber(w[2]));
        } else if (w[1] == "stopTools") {
            signals_.stopTools.exchange(static_cast<uint8_t>(ParseNumber(w[2])));
        } else {
            error = "unknown setting " + w[1];
            return false;
        }
    } else if (verb == "moves" && w.size() == 2 && w[1] == "quiet") {
        quiet_ = true;
    } else if (verb == "cursor" && w.size() == 1) {
        Settle();
        Log("cursor " + std::to_string(lastMoveX_) + " " + std::to_string(lastMoveY_) + " after " +
            std::to_string(quietMoves_) + " moves");
        quietMoves_ = 0;
    } else {
        return false;
    }
    return true;
}

std::vector<std::string> EngineWorld::Finish() {
    Settle();
    return out_;
}

std::unique_ptr<ScenarioWorld> MakeEngineWorld() {
    return std::make_unique<EngineWorld>();
}

}  // namespace velotap
