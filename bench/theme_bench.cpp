// Validation of a theme at the 12 MiB cap carrying all 24 skin pieces and a font.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/base64.h"
#include "themes/skin_pieces.h"
#include "themes/theme_file.h"
#include "themes/theme_validate.h"

namespace velotap {

namespace {

std::string Png(const SkinPiece& piece, size_t size) {
    std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    for (uint32_t v : {piece.width, piece.height}) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png += static_cast<char>((v >> shift) & 0xFF);
    }
    for (size_t i = png.size(); i < size; ++i)
        png += static_cast<char>(i * 131 + 7);
    return png;
}

// Just under the cap: a 1 MiB font, the rest shared by the 24 pieces.
const std::string& FullSkinTheme() {
    static const std::string text = [] {
        std::string font("OTTO");
        for (size_t i = font.size(); i < 1048576; ++i)
            font += static_cast<char>(i * 17);
        std::string fontText = Base64(font);
        std::string head =
            "{\"name\": \"Bench\", \"bgMain\": \"#102030\", \"bgPanel\": \"#203040\", "
            "\"bgHeader\": \"#304050\", \"accent\": \"rgb(0, 120, 215)\", \"accentHover\": "
            "\"#1a8ad4\", \"text\": \"#ffffff\", \"font\": \"'Segoe UI', Tahoma, Geneva, Verdana, "
            "sans-serif\", \"format\": 2, \"skin\": {\"template\": \"1\", \"pieces\": {";
        size_t budget = kThemeFileCap - head.size() - fontText.size() - 64;
        size_t perPiece = (budget / kSkinPieces.size() - 40) / 4 * 3;
        std::string doc = head;
        for (size_t i = 0; i < kSkinPieces.size(); ++i) {
            if (i) doc += ", ";
            doc += "\"" + std::string(kSkinPieces[i].name) + "\": \"" +
                   Base64(Png(kSkinPieces[i], perPiece)) + "\"";
        }
        doc += "}, \"font\": \"" + fontText + "\"}}";
        return doc;
    }();
    return text;
}

void BM_ValidateFullSkinTheme(benchmark::State& state) {
    const std::string& text = FullSkinTheme();
    ThemeCheck check = ValidateThemeText(text);
    if (!check.accepted || check.pieceCount != 24 || !check.hasFont) {
        state.SkipWithError(("bench theme rejected: " + check.error).c_str());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ValidateThemeText(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["fileBytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ValidateFullSkinTheme)->Unit(benchmark::kMillisecond);

void BM_LoadFullSkinThemeFile(benchmark::State& state) {
    const std::string& text = FullSkinTheme();
    std::string path = (std::filesystem::temp_directory_path() / "velotap-bench.vtptheme").string();
    std::ofstream(path, std::ios::binary) << text;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadThemeFile(path));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadFullSkinThemeFile)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
