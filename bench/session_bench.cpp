// Saving and loading a session whose macro has a million events. Each benchmark reports the
// process's peak resident memory; run one per process (--benchmark_filter) to read it for that
// measurement alone.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "macro/event_line.h"
#include "profiles/global_settings.h"
#include "profiles/session_file.h"
#include "profiles/session_store.h"

namespace velotap {

namespace {

constexpr size_t kEvents = 1000000;

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string BenchFolder() {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("velotap-session-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder.string();
}

// A long recording: mostly pointer moves, with clicks, wheel turns and typing, over about three
// hours, so that the times need all six digits.
template <class Sink>
void GenerateMacro(size_t count, Sink&& sink) {
    std::mt19937 rng(42);
    double t = 0;
    int32_t x = 960, y = 540;
    for (size_t i = 0; i < count; ++i) {
        t += 0.004 + (rng() % 20) / 1000.0;
        const uint32_t pick = rng() % 100;
        if (pick < 80) {
            x += static_cast<int32_t>(rng() % 41) - 20;
            y += static_cast<int32_t>(rng() % 41) - 20;
            sink(UnifiedEvent{0, t, x, y, 0, 0, false, 0});
        } else if (pick < 88) {
            sink(UnifiedEvent{2, t, x, y, pick % 2 ? 0x0002u : 0x0004u, 0, false, 0});
        } else if (pick < 92) {
            sink(UnifiedEvent{4, t, x, y, 0, 0, false, pick % 2 ? 120 : -120});
        } else {
            sink(UnifiedEvent{3, t, 0, 0, 0, 65 + pick % 26, pick % 2 == 0, 0});
        }
    }
}

void BM_SessionSave(benchmark::State& state) {
    const std::string path = BenchFolder() + "/session.dat";
    EngineState engine;
    HotkeySlots slots;
    ProfileList list;
    list.profiles.push_back({"Long recording", "", {}});
    list.profiles[1].macro.reserve(kEvents);
    GenerateMacro(kEvents, [&](const UnifiedEvent& e) { list.profiles[1].macro.push_back(e); });
    list.currentIndex = 1;
    SessionStore store;
    int32_t tick = 0;
    for (auto _ : state) {
        engine.click.sms.store(++tick);  // a change, so that every save writes
        if (SaveSession(store, path, {engine, slots, list}) != SaveResult::Written)
            state.SkipWithError("save failed");
    }
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = PeakRssMb();
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_SessionSave)->Unit(benchmark::kMillisecond)->Iterations(5);

// The autosave's cost when nothing changed: the text is built and compared, the file left alone.
void BM_SessionSaveUnchanged(benchmark::State& state) {
    const std::string path = BenchFolder() + "/session.dat";
    EngineState engine;
    HotkeySlots slots;
    ProfileList list;
    list.profiles[0].macro.reserve(kEvents);
    GenerateMacro(kEvents, [&](const UnifiedEvent& e) { list.profiles[0].macro.push_back(e); });
    SessionStore store;
    SaveSession(store, path, {engine, slots, list});
    for (auto _ : state) {
        if (SaveSession(store, path, {engine, slots, list}) != SaveResult::Unchanged)
            state.SkipWithError("the unchanged session was written");
    }
    state.counters["peak_rss_MB"] = PeakRssMb();
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_SessionSaveUnchanged)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SessionLoad(benchmark::State& state) {
    const std::string path = BenchFolder() + "/session.dat";
    {
        // Written piece by piece, so that this process never held the macro in memory before
        // the measured loads.
        EngineState engine;
        HotkeySlots slots;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::string chunk = "SETTINGS:" + GlobalSettingsLine(engine, slots) +
                            "\r\nCURRENT:1\r\nPROFILE:Default Tracking Profile\r\n"
                            "PROFILE:Long recording\r\n";
        GenerateMacro(kEvents, [&](const UnifiedEvent& e) {
            AppendEventLine(chunk, e);
            chunk += "\r\n";
            if (chunk.size() > (1 << 16)) {
                std::fwrite(chunk.data(), 1, chunk.size(), file);
                chunk.clear();
            }
        });
        std::fwrite(chunk.data(), 1, chunk.size(), file);
        std::fclose(file);
    }
    for (auto _ : state) {
        auto engine = std::make_unique<EngineState>();
        auto slots = std::make_unique<HotkeySlots>();
        auto list = std::make_unique<ProfileList>();
        SessionStore store;
        if (!LoadSession(store, path, {*engine, *slots, *list}) ||
            list->profiles[1].macro.size() != kEvents)
            state.SkipWithError("load failed");
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = PeakRssMb();
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_SessionLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

}  // namespace velotap
