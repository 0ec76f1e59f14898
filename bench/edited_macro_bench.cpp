// The edited-macro reader on a document of one million events.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "timeline/edited_macro.h"

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

}  // namespace

}  // namespace velotap
