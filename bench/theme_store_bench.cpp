// Rescanning a themes folder of 200 valid themes of about 50 KB each (skinned: six pieces) and 20
// invalid ones.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/base64.h"
#include "themes/skin_pieces.h"
#include "themes/theme_store.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;

std::string Piece(const SkinPiece& piece, size_t size) {
    std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    for (uint32_t v : {piece.width, piece.height}) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png += static_cast<char>((v >> shift) & 0xFF);
    }
    while (png.size() < size)
        png += static_cast<char>(png.size() * 131 + 7);
    return "\"" + std::string(piece.name) + "\": \"" + Base64(png) + "\"";
}

// About 50 KB; `broken` spoils the last piece, so the validator reads almost all of it first.
std::string ThemeText(int n, bool broken) {
    std::string doc = "{\"name\": \"Theme " + std::to_string(n) +
                      "\", \"bgMain\": \"#102030\", \"bgPanel\": \"#203040\", \"bgHeader\": "
                      "\"#304050\", \"accent\": \"rgb(0, 120, 215)\", \"accentHover\": "
                      "\"#1a8ad4\", \"text\": \"#ffffff\", \"font\": \"'Segoe UI', Tahoma, Geneva, "
                      "Verdana, sans-serif\", \"format\": 2, \"skin\": {\"template\": \"1\", "
                      "\"pieces\": {";
    for (size_t i = 0; i < 6; ++i) {
        if (i) doc += ", ";
        doc += Piece(kSkinPieces[i], 6200);
    }
    if (broken) doc.insert(doc.size() - 3, "!");
    return doc + "}}}";
}

struct Folder {
    std::string data = (fs::temp_directory_path() / "velotap-rescan-bench").string();
    size_t bytes = 0;
    Folder() {
        fs::remove_all(data);
        fs::create_directories(fs::path(data) / "themes");
        for (int n = 0; n < 220; ++n) {
            const std::string text = ThemeText(n, n >= 200);
            bytes += text.size();
            std::ofstream(fs::path(data) / "themes" / ("Theme " + std::to_string(n) + ".vtptheme"),
                          std::ios::binary)
                << text;
        }
    }
    ~Folder() { fs::remove_all(data); }
};

void BM_RescanThemesFolder(benchmark::State& state) {
    Folder folder;
    ThemeStore store(folder.data);
    RescanThemes(store);
    if (store.registry.size() != 200) {
        state.SkipWithError("the bench folder does not hold 200 valid themes");
        return;
    }
    for (auto _ : state)
        RescanThemes(store);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * folder.bytes));
    state.counters["folderBytes"] = static_cast<double>(folder.bytes);
}
BENCHMARK(BM_RescanThemesFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

}  // namespace velotap
