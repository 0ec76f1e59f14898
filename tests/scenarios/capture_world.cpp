// The capture world of the scenarios: key and button events, moves, settings, requests and
// "250ms" lines that advance the manual clock go through the capture decisions and the recorder;
// the output is verdicts, tool transitions, status values and macro dumps.
#include <algorithm>
#include <map>
#include <sstream>

#include "base/json.h"
#include "scenario_world.h"
#include "support/capture_fixture.h"

namespace velotap {

namespace {

// F1-F12, Esc, single letters and digits, or a decimal code.
bool KeyCode(const std::string& name, uint32_t& code) {
    if (name.size() > 1 && name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1]))) {
        code = 0x6F + static_cast<uint32_t>(std::stoi(name.substr(1)));
        return true;
    }
    if (name == "Esc") return code = 27, true;
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0]))) {
        code = static_cast<uint32_t>(std::toupper(static_cast<unsigned char>(name[0])));
        return true;
    }
    if (!name.empty() && std::all_of(name.begin(), name.end(), ::isdigit)) {
        code = static_cast<uint32_t>(std::stoul(name));
        return true;
    }
    return false;
}

bool Point(const std::string& text, int32_t& x, int32_t& y) {
    return std::sscanf(text.c_str(), "%d,%d", &x, &y) == 2;
}

class CaptureWorld final : public ScenarioWorld {
  public:
    bool Run(const std::string& line, std::string& error) override {
        const std::vector<std::string> w = Words(line);
        const std::string& op = w[0];
        int32_t x = 10, y = 20;
        uint32_t code = 0;
        if (op.size() > 2 && op.substr(op.size() - 2) == "ms") {
            f_.Advance(std::stoll(op));
        } else if ((op == "press" || op == "release") && w.size() == 2 && KeyCode(w[1], code)) {
            Verdict(line, f_.core.Key(code, op == "press", false));
        } else if (op == "injected" && w.size() == 2 && KeyCode(w[1], code)) {
            Verdict(line, f_.core.Key(code, true, true));
        } else if (op == "click" && w.size() >= 3 && (w.size() == 3 || Point(w[3], x, y))) {
            Verdict(line, f_.core.Button(std::stoi(w[2]), w[1] == "down", x, y, false));
        } else if (op == "move" && w.size() == 2 && Point(w[1], x, y)) {
            f_.core.Move(x, y, false);
        } else if (op == "raw" && w.size() == 2 && Point(w[1], x, y)) {
            f_.core.RawMotion(x, y);
        } else if (op == "wheel" && w.size() == 2) {
            f_.core.Wheel(std::stoi(w[1]), false);
        } else if (op == "own" && w.size() == 2 && Point(w[1], x, y)) {
            f_.ownWindows.push_back({x, y});
        } else if (op == "set" && w.size() == 3 && Flags().count(w[1])) {
            Flags().at(w[1])->exchange(w[2] == "1" ? 1 : 0);
        } else if (op == "reassign" && w.size() == 2) {
            f_.engine.pendingSlot.exchange(SlotFromName(w[1]));
        } else if (op == "request" && w.size() == 2 && Requests().count(w[1])) {
            Requests().at(w[1])->exchange(1);
        } else if (op == "grabs" && w.size() == 1) {
            out_.push_back("grabs " + Describe(f_.core.WantedGrabs()));
        } else if (op == "refused" && w.size() >= 2) {
            // "refused anykey", "refused button 1", "refused hotkey F7": what the backend could not
            // take of what the decisions asked.
            CaptureGrabs r;
            if (w[1] == "anykey") r.anyKey = true;
            if (w[1] == "button" && w.size() == 3) r.buttons = ButtonBit(std::stoi(w[2]));
            if (w[1] == "hotkey" && w.size() == 3 && KeyCode(w[2], code)) {
                r.hotkeys[0] = static_cast<int32_t>(code);
            }
            f_.core.GrabsRefused(r);
        } else if (op == "session" && w.size() == 2 && w[1] == "lock") {
            f_.core.SessionLocked();
        } else if (op == "status" && w.size() == 2) {
            out_.push_back("status " + w[1] + " = " + JsonLookup(f_.Status(), w[1]));
        } else if (op == "macro") {
            std::lock_guard<std::recursive_mutex> lock(f_.store.lock);
            for (const UnifiedEvent& e : f_.store.Current()) {
                std::ostringstream s;
                s << "event " << e.type << ' ' << e.time << ' ' << e.x << ' ' << e.y << ' '
                  << e.flags << ' ' << e.vk << ' ' << e.down << ' ' << e.wheel;
                out_.push_back(s.str());
            }
        } else {
            error = "not understood";
            return false;
        }
        f_.Pass();
        Transitions();
        for (const std::string& report : f_.reports)
            out_.push_back("told: " + report);
        f_.reports.clear();
        return true;
    }

    std::vector<std::string> Finish() override { return out_; }

  private:
    static std::string Describe(const CaptureGrabs& g) {
        std::string text = "hotkeys";
        for (int32_t code : g.hotkeys)
            text.append(" ").append(std::to_string(code));
        text += g.anyKey ? " | any key |" : " | buttons";
        if (g.anyKey) text += " buttons";
        for (int32_t code = 1; code <= 6; ++code)
            if (g.HasButton(code)) text.append(" ").append(std::to_string(code));
        return text;
    }
    std::map<std::string, Flag*>& Flags() {
        static thread_local std::map<std::string, Flag*> flags;
        flags = {{"holdAuto", &f_.engine.holdAuto},
                 {"holdKeySpam", &f_.engine.holdKeySpam},
                 {"lockOn", &f_.lockOn},
                 {"lockWritten", &f_.lockChanged},
                 {"hotkeysEnabled", &f_.hotkeysEnabled},
                 {"tmv", &f_.engine.recorder.tmv},
                 {"tclk", &f_.engine.recorder.tclk},
                 {"tscr", &f_.engine.recorder.tscr},
                 {"tkey", &f_.engine.recorder.tkey},
                 {"trel", &f_.engine.recorder.trel},
                 {"playing", &f_.engine.playing},
                 {"picking", &f_.engine.pickingLocation}};
        return flags;
    }
    std::map<std::string, Flag*>& Requests() {
        static thread_local std::map<std::string, Flag*> requests;
        EngineRequests& r = f_.engine.requests;
        requests = {
            {"startRecording", &r.startRecording}, {"continueRecording", &r.continueRecording},
            {"stopRecording", &r.stopRecording},   {"undoContinue", &r.undoContinue},
            {"startClick", &r.startClick},         {"startKeySpam", &r.startKeySpam}};
        return requests;
    }
    void Verdict(const std::string& line, velotap::Verdict v) {
        out_.push_back(line + (v == velotap::Verdict::Swallow ? " -> swallowed" : " -> passed"));
    }
    void Transitions() {
        const std::pair<const char*, Flag*> shown[] = {{"recording", &f_.engine.recording},
                                                       {"playing", &f_.engine.playing},
                                                       {"clicking", &f_.engine.clickSpamming},
                                                       {"key spamming", &f_.engine.keySpamming}};
        for (size_t i = 0; i < 4; ++i) {
            const uint8_t now = shown[i].second->load();
            if (now != last_[i])
                out_.push_back(std::string(shown[i].first) + (now ? " on" : " off"));
            last_[i] = now;
        }
    }

    CaptureFixture f_;
    uint8_t last_[4] = {0, 0, 0, 0};
    std::vector<std::string> out_;
};

}  // namespace

std::unique_ptr<ScenarioWorld> MakeCaptureWorld() {
    return std::make_unique<CaptureWorld>();
}

}  // namespace velotap
