// The command pipe of the main process: from a client's SendPipeCommand to its effect in the main
// process (the request raised and the command processor woken, or a setting changed), and how many
// commands one client gets through per second, one connection each. Client and server run in one
// process here, so the peer checks pass; every step of the transport (connect, both peer checks,
// write, accept, read, dispatch) is the real one.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/main_panels.h"
#include "base/event.h"
#include "ipc/command_pipe.h"

namespace velotap {

namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// A main process with its pipe thread, in a runtime and data folder of its own.
struct PipeRig {
    std::string root;
    MainApp app;
    std::thread server;
    std::atomic<int64_t> handled{0};
    const std::string name = "VelotapBench";

    PipeRig() {
        char pattern[] = "/tmp/velotap-pipe-bench-XXXXXX";
        root = mkdtemp(pattern);
        setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
        setenv("LOCALAPPDATA", root.c_str(), 1);
        app.themes = std::make_unique<ThemeStore>(root);
        app.pipe = CreatePipeServer(name);
        if (!app.pipe) return;
        server = std::thread([this] {
            const std::vector<PipeCommand> commands = PipeCommands(app);
            ServePipe(*app.pipe, app.running, [&](const PipeMessage& m) {
                DispatchPipeMessage(commands, m);
                ++handled;
            });
        });
    }
    ~PipeRig() {
        app.running.exchange(0);
        if (app.pipe) app.pipe->Stop();
        if (server.joinable()) server.join();
        std::filesystem::remove_all(root);
    }
};

void Report(benchmark::State& state, std::vector<double> us) {
    std::sort(us.begin(), us.end());
    auto at = [&](double q) {
        return us.empty() ? NAN : us[static_cast<size_t>(q * static_cast<double>(us.size() - 1))];
    };
    state.counters["n"] = static_cast<double>(us.size());
    state.counters["med_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = us.empty() ? NAN : us.back();
}

// startSpammer: the effect is the command processor's wake-up with the request raised.
void CommandToRequest(benchmark::State& state) {
    PipeRig rig;
    if (!rig.app.pipe) return state.SkipWithError("the pipe server did not start");
    std::vector<double> us;
    for (auto _ : state) {
        const auto sent = Clock::now();
        SendPipeCommand("startSpammer", "", rig.name);
        WaitAny({&rig.app.command}, std::chrono::seconds(1));
        const auto woken = Clock::now();
        if (rig.app.engine.state.requests.startClick.exchange(0) == 1)
            us.push_back(Micros(sent, woken));
    }
    Report(state, us);
}
BENCHMARK(CommandToRequest)
    ->Name("pipe_command_to_request")
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

// updateSpammer: the effect is the new interval in the engine's settings.
void CommandToSetting(benchmark::State& state) {
    PipeRig rig;
    if (!rig.app.pipe) return state.SkipWithError("the pipe server did not start");
    std::vector<double> us;
    int32_t ms = 100;
    for (auto _ : state) {
        ++ms;
        const auto sent = Clock::now();
        SendPipeCommand("updateSpammer", "0,0,0," + std::to_string(ms) + ",0,0,1,10,0", rig.name);
        const auto deadline = sent + std::chrono::seconds(1);
        while (rig.app.engine.state.click.sms.load() != ms && Clock::now() < deadline) {
        }
        if (rig.app.engine.state.click.sms.load() == ms) us.push_back(Micros(sent, Clock::now()));
    }
    Report(state, us);
}
BENCHMARK(CommandToSetting)
    ->Name("pipe_command_to_setting")
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

// One client sends as fast as it can, one connection per command, for `seconds`; commands whose
// connection the busy server's queue refused are lost (the client never waits).
void SustainedCommands(benchmark::State& state) {
    PipeRig rig;
    if (!rig.app.pipe) return state.SkipWithError("the pipe server did not start");
    const auto seconds = std::chrono::seconds(state.range(0));
    int64_t sent = 0, refused = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        while (Clock::now() - start < seconds) {
            std::unique_ptr<PipeClient> client = ConnectPipe(rig.name);
            if (client && client->Write("startSpammer|")) {
                ++sent;
            } else {
                ++refused;
            }
        }
        // The server may still be reading the last ones.
        while (rig.handled.load() < sent &&
               Clock::now() - start < seconds + std::chrono::seconds(5)) {
            std::this_thread::yield();
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["handled_per_s"] = static_cast<double>(rig.handled.load()) / elapsed;
    }
    state.counters["sent"] = static_cast<double>(sent);
    state.counters["handled"] = static_cast<double>(rig.handled.load());
    state.counters["refused"] = static_cast<double>(refused);
}
BENCHMARK(SustainedCommands)
    ->Name("pipe_sustained_commands")
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
