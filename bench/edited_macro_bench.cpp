// The timeline editor's documents at one million events: the load document built, its hand-over
// to the page (the poll's answer, the check and the reply script), and the edited-macro reader.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "base/json.h"
#include "bridge/page_bridge.h"
#include "timeline/edited_macro.h"
#include "timeline/timeline_exchange.h"

namespace velotap {

namespace {

const std::string& MillionEvents() {
    static const std::string text = [] {
        std::string doc =
            "{\"nonce\":\"9f86d081884c7d65\",\"loadNonce\":\"2c26b46b68ffc68f\","
            "\"events\":[";
        doc.reserve(48u << 20);
        double time = 0;
        for (int i = 0; i < 1000000; ++i) {
            time += 0.001 * (i % 7 + 1);
            char event[96];
            int type = i % 5;
            int n =
                std::snprintf(event, sizeof event, "%s[%d,%.6f,%d,%d,%d,%d,%d,%d]", i ? "," : "",
                              type, time, (i * 37) % 1920, (i * 11) % 1080, type == 2 ? 2 : 0,
                              type == 3 ? 65 + i % 26 : 0, i % 2, type == 4 ? -120 : 0);
            doc.append(event, static_cast<size_t>(n));
        }
        doc += "]}";
        return doc;
    }();
    return text;
}

void BM_ReadMillionEvents(benchmark::State& state) {
    const std::string& text = MillionEvents();
    EditedMacro check = ReadEditedMacro(text);
    if (!check.error.empty() || check.events.size() != 1000000) {
        state.SkipWithError(("bench document rejected: " + check.error).c_str());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadEditedMacro(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["docBytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ReadMillionEvents)->Unit(benchmark::kMillisecond);

std::vector<UnifiedEvent> MillionUnifiedEvents() {
    std::vector<UnifiedEvent> events(1000000);
    double time = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        time += 0.01;
        const uint32_t type = i % 10 < 8 ? 0 : static_cast<uint32_t>(i % 5);
        events[i] = {type,
                     time,
                     static_cast<int32_t>(i % 1920),
                     static_cast<int32_t>(i % 1080),
                     type == 2 ? 2u : 0u,
                     type == 3 ? 65u + static_cast<uint32_t>(i % 26) : 0u,
                     i % 2 == 0,
                     type == 4 ? -120 : 0};
    }
    return events;
}

std::string KeyName(uint32_t vk) {
    return std::string(1, static_cast<char>(vk));
}

void BM_BuildLoadDocument(benchmark::State& state) {
    const std::vector<UnifiedEvent> events = MillionUnifiedEvents();
    size_t bytes = 0;
    for (auto _ : state) {
        std::string doc = TimelineLoadDocument("Big", 1, events, KeyName);
        bytes = doc.size();
        benchmark::DoNotOptimize(doc);
    }
    state.counters["docBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildLoadDocument)->Unit(benchmark::kMillisecond);

// What the editor does on the UI thread between reading the load file and handing the script to
// the web view.
void BM_HandLoadToPage(benchmark::State& state) {
    const std::string file =
        "ab12\n" + TimelineLoadDocument("Big", 1, MillionUnifiedEvents(), KeyName);
    for (auto _ : state) {
        const std::optional<std::string> answer = AcceptTimelineLoad(file, "ab12");
        if (!answer || !IsJsonText(*answer)) {
            state.SkipWithError("load document refused");
            return;
        }
        benchmark::DoNotOptimize(ReplyScript("7", ReplyStatus::Resolved, *answer));
    }
}
BENCHMARK(BM_HandLoadToPage)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
