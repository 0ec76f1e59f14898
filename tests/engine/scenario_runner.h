#pragma once
// Runs an engine scenario: the command processor, both tool workers and the macro player as steps
// on a manual clock over the fake backend, modelled on their threads (which events end which
// waits). The script is a list of lines; the output is one line per observed effect, stamped with
// the clock.
#include <sstream>
#include <string>
#include <vector>

#include "base/event.h"
#include "engine/click_spammer.h"
#include "engine/engine.h"
#include "engine/key_spammer.h"
#include "macro/player.h"
#include "macro/profile_list.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_windows.h"

namespace velotap {

class ScenarioRunner {
  public:
    ScenarioRunner();
    // Runs one script line; false with `error` set when it cannot be understood.
    bool Run(const std::string& line, std::string& error);
    // Everything observed so far, after a final settle.
    std::vector<std::string> Finish();

  private:
    struct Worker {
        WorkerWake wake;
        bool firstRun = true;
    };

    void Settle();
    void Advance(int64_t nanos);
    bool RunProcessorIfDue();
    enum class Which { Click, KeySpam, Player };
    bool RunWorkerIfDue(Worker& worker, Event& own, Which which);
    void Log(const std::string& what);
    void Drain();
    bool RunPlayerLine(const std::vector<std::string>& words, std::string& error);
    void LogFlags();
    std::string Call(const std::string& name, const std::string& args);

    Engine engine_;
    FakeInput input_;
    FakeDesktop desktop_;
    FakeMessenger messenger_;
    Flag running_{1}, stopTools_{1};
    Event quit_{EventReset::Manual}, command_{EventReset::Auto}, clickWake_{EventReset::Auto},
        keySpamWake_{EventReset::Auto}, playWake_{EventReset::Auto}, ack_{EventReset::Auto};
    EngineContext context_;
    std::vector<Binding> bindings_;
    ProfileList profiles_;
    PlayerContext player_;
    ClickSpammerWorker click_;
    KeySpamWorker keys_;
    PlayerWorker playerWorker_;
    Worker clickThread_, keyThread_, playerThread_;
    // With quiet moves, absolute moves are not listed; "cursor" shows where the last one went.
    bool quiet_ = false;
    int quietMoves_ = 0;
    int32_t lastMoveX_ = 0, lastMoveY_ = 0;
    bool processorFirst_ = true;
    int64_t now_ = 0;
    uint8_t shownClick_ = 0, shownKeys_ = 0, shownPlaying_ = 0;
    std::vector<std::string> out_;
};

// Loads a scenario file: script lines, a line "---", expected lines. Comments (#) and blank lines
// are skipped in both parts.
bool LoadScenario(const std::string& path, std::vector<std::string>& script,
                  std::vector<std::string>& expected, std::string& error);

// Expected and actual side by side, the first difference marked; empty when they are equal.
std::string CompareSideBySide(const std::vector<std::string>& expected,
                              const std::vector<std::string>& actual);

}  // namespace velotap
