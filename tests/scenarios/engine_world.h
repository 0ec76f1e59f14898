#pragma once
// The engine world of the scenarios: the command processor, both tool workers and the macro player
// as steps on a manual clock over the fake backend, modelled on their threads (which events end
// which waits). The output is one line per observed effect, stamped with the clock.
#include <string>
#include <vector>

#include "app/bindings.h"
#include "base/event.h"
#include "engine/click_spammer.h"
#include "engine/engine.h"
#include "engine/key_spammer.h"
#include "macro/player.h"
#include "macro/profile_list.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_windows.h"
#include "scenario_world.h"
#include "support/engine_signals.h"

namespace velotap {

class EngineWorld final : public ScenarioWorld {
  public:
    EngineWorld();
    bool Run(const std::string& line, std::string& error) override;
    std::vector<std::string> Finish() override;

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
    EngineSignals signals_;
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
    int64_t noticeTakes_ = 0;
    uint8_t shownClick_ = 0, shownKeys_ = 0, shownPlaying_ = 0;
    std::vector<std::string> out_;
};

}  // namespace velotap
