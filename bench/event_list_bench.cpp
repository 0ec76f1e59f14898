// The event list of a long macro: building the document the page and the mirror file get, and the
// movement thinning, for a recording of mixed events (mostly mouse movement, as real ones are).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "macro/event_list.h"

namespace velotap {

namespace {

std::vector<UnifiedEvent> Recording(size_t count) {
    std::vector<UnifiedEvent> macro;
    macro.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        UnifiedEvent e;
        e.time = static_cast<double>(i) * 0.004;
        switch (i % 10) {
            case 7:
                e.type = EventType::MouseButton;
                e.x = static_cast<int32_t>(i % 1920);
                e.y = static_cast<int32_t>(i % 1080);
                e.flags = (i / 10) % 2 ? 0x0004 : 0x0002;
                break;
            case 8:
                e.type = EventType::Key;
                e.vk = 65 + static_cast<uint32_t>(i % 26);
                e.down = (i / 10) % 2 == 0;
                break;
            case 9:
                e.type = EventType::Wheel;
                e.wheel = -120;
                break;
            default:
                e.type = EventType::AbsoluteMove;
                e.x = static_cast<int32_t>((i * 3) % 1920);
                e.y = static_cast<int32_t>((i * 2) % 1080);
                break;
        }
        macro.push_back(e);
    }
    return macro;
}

void Document(benchmark::State& state) {
    const std::vector<UnifiedEvent> macro = Recording(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        std::string document = MacroEventsDocument(macro);
        bytes = document.size();
        benchmark::DoNotOptimize(document.data());
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(Document)->Arg(1000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void DocumentAndMirror(benchmark::State& state) {
    ProfileList profiles;
    profiles.Current() = Recording(static_cast<size_t>(state.range(0)));
    const std::string path =
        (std::filesystem::temp_directory_path() / "velotap-event-list-bench.txt").string();
    EventListCache cache;
    MirrorWriter writer;
    const MacroEditView view{profiles, cache, writer, path};
    // Each round the macro counts as changed: a whole rebuild and a whole write.
    for (auto _ : state) {
        profiles.Touch();
        benchmark::DoNotOptimize(ListMacroEvents(view).size());
        writer.Flush();
    }
    std::remove(path.c_str());
}
BENCHMARK(DocumentAndMirror)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void Thinning(benchmark::State& state) {
    const std::vector<UnifiedEvent> macro = Recording(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<UnifiedEvent> copy = macro;
        state.ResumeTiming();
        ThinMovement(copy);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(Thinning)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
