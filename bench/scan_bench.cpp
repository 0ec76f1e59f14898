// Speed of the risk scan and of the macro file parser on long generated macros.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>

#include "profiles/macro_file.h"
#include "scan/macro_scan.h"

namespace velotap {

namespace {

constexpr const char* kSettings =
    "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,120,121,0,117,0,0,0,5,1,10,118,32,32,0,0,0,119";
constexpr const char* kWords[] = {"hello",   "world",  "meeting", "notes", "report",   "quarterly",
                                  "numbers", "thanks", "see",     "you",   "tomorrow", "draft"};

// A session of someone using the computer: the mouse moving and clicking, the wheel, words typed
// with Shift now and then, Enter, and the usual shortcuts.
std::vector<UnifiedEvent> GenerateMacro(size_t count) {
    std::mt19937 rng(static_cast<uint32_t>(count));
    std::vector<UnifiedEvent> events;
    events.reserve(count + 16);
    double t = 0;
    int32_t x = 500, y = 400;
    auto tick = [&] { t += 0.005 + (rng() % 120) / 1000.0; };
    auto key = [&](uint32_t vk, bool down) {
        events.push_back({3, t, 0, 0, 0, vk, down, 0});
        tick();
    };
    auto chord = [&](uint32_t mod, uint32_t vk) {
        key(mod, true);
        key(vk, true);
        key(vk, false);
        key(mod, false);
    };
    while (events.size() < count) {
        uint32_t pick = rng() % 100;
        if (pick < 45) {
            for (int i = 0; i < 8; ++i) {
                x += static_cast<int32_t>(rng() % 21) - 10;
                y += static_cast<int32_t>(rng() % 21) - 10;
                events.push_back({0, t, x, y, 0, 0, false, 0});
                t += 0.008;
            }
        } else if (pick < 52) {
            events.push_back({2, t, x, y, 0x0002, 0, false, 0});
            tick();
            events.push_back({2, t, x, y, 0x0004, 0, false, 0});
            tick();
        } else if (pick < 55) {
            events.push_back({4, t, 0, 0, 0, 0, false, (rng() % 2) ? 120 : -120});
            tick();
        } else if (pick < 90) {
            const char* word = kWords[rng() % std::size(kWords)];
            bool capital = rng() % 5 == 0;
            if (capital) key(160, true);
            for (const char* c = word; *c; ++c) {
                uint32_t vk = static_cast<uint32_t>(*c - 'a' + 'A');
                key(vk, true);
                key(vk, false);
                if (capital && c == word) key(160, false);
            }
            key(rng() % 6 == 0 ? 13 : 32, true);
            key(rng() % 6 == 0 ? 13 : 32, false);
        } else if (pick < 94) {
            chord(162, rng() % 2 ? 'C' : 'V');
        } else if (pick < 96) {
            chord(164, 9);
        } else if (pick < 98) {
            chord(162, 'S');
        } else {
            key(8, true);
            key(8, false);
        }
        t += (rng() % 1000) / 1000.0;
    }
    events.resize(count);
    return events;
}

const std::vector<UnifiedEvent>& Macro(size_t count) {
    static std::map<size_t, std::vector<UnifiedEvent>> cache;
    auto& macro = cache[count];
    if (macro.empty()) macro = GenerateMacro(count);
    return macro;
}

const std::string& MacroText(size_t count) {
    static std::map<size_t, std::string> cache;
    auto& text = cache[count];
    if (text.empty()) text = MacroFileText("Generated", kSettings, Macro(count));
    return text;
}

void BM_ScanMacro(benchmark::State& state) {
    const auto& events = Macro(static_cast<size_t>(state.range(0)));
    std::string level;
    for (auto _ : state) {
        MacroScan::ScanResult result = MacroScan::ScanMacro(events);
        benchmark::DoNotOptimize(result);
        level = result.level;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * events.size()));
    state.SetLabel("level " + level);
}
BENCHMARK(BM_ScanMacro)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ParseMacroText(benchmark::State& state) {
    const std::string& text = MacroText(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        MacroFileParse parsed = ParseMacroText(text, kSettings);
        benchmark::DoNotOptimize(parsed);
        if (parsed.events.size() != static_cast<size_t>(state.range(0))) {
            state.SkipWithError("events lost");
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * state.range(0)));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseMacroText)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The whole console path: read the file from disk, parse and scan.
void BM_ReadAndScanMacroFile(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0));
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("scan_bench_" + std::to_string(count) + ".vtpmacro"))
                                 .string();
    if (!WriteMacroFile(path, "Generated", kSettings, Macro(count))) {
        state.SkipWithError("cannot write the macro file");
        return;
    }
    for (auto _ : state) {
        MacroFileParse parsed = ReadMacroFile(path, kSettings);
        MacroScan::ScanResult result = MacroScan::ScanMacro(parsed.events);
        benchmark::DoNotOptimize(result);
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}
BENCHMARK(BM_ReadAndScanMacroFile)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_WriteMacroText(benchmark::State& state) {
    const auto& events = Macro(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(MacroFileText("Generated", kSettings, events));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * events.size()));
}
BENCHMARK(BM_WriteMacroText)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
