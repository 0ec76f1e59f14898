#include <gtest/gtest.h>

#include <filesystem>

#include "base/json.h"
#include "support/subprocess.h"
#include "theme_helpers.h"
#include "themes/theme_names.h"
#include "themes/theme_store.h"

namespace velotap {

using namespace theme_test;

namespace {

std::vector<std::string> FolderFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(ThemeStore, ImportChoosesKeysAndNeverOverwrites) {
    TempDir data, src;
    ThemeStore store(data.path());
    const std::string stem64(64, 'L');
    struct Case {
        std::string file, bytes, key, error;
    } cases[] = {
        {"Dark.VTPTHEME", Named("A"), "Dark", ""},
        {"Dark.vtptheme", Named("B"), "Dark (2)", ""},
        {"Dark.vtptheme", Named("C"), "Dark (3)", ""},
        {"Dark.vtptheme", Named("A"), "Dark", ""},  // identical to the first: nothing copied
        // The key rule comes before validation: these files are not even themes.
        {"Da,rk.vtptheme", "{}", "", kThemeKeyRuleMessage},
        {"Dark's.vtptheme", "{}", "", kThemeKeyRuleMessage},
        {std::string(65, 'L') + ".vtptheme", "{}", "", kThemeKeyRuleMessage},
        {"notes.txt", Named("A"), "", kThemeWrongTypeMessage},
        {"Broken.vtptheme", Theme({{"text", "\"red\""}}), "", kThemeInvalidMessage},
        {stem64 + ".vtptheme", Named("D"), stem64, ""},
        {stem64 + ".vtptheme", Named("E"), stem64 + " (2)", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = src.Write(std::to_string(++n) + "/" + c.file, c.bytes);
        ThemeImport import = ImportThemeFile(store, path);
        EXPECT_EQ(import.error, c.error);
        EXPECT_EQ(import.key, c.key);
        if (c.error.empty()) {
            EXPECT_EQ(store.registry.at(c.key).name, JsonLookup(c.bytes, "name"));
        }
    }
    EXPECT_EQ(FolderFiles(store.folder),
              (std::vector<std::string>{"Dark (2).vtptheme", "Dark (3).vtptheme", "Dark.VTPTHEME",
                                        stem64 + " (2).vtptheme", stem64 + ".vtptheme"}));
    EXPECT_EQ(CurrentTheme(store), "velotap");  // importing alone changes nothing

    // A 70-byte key breaks the key rule: the next scan leaves that file out.
    RescanThemes(store);
    EXPECT_EQ(store.registry.count(stem64 + " (2)"), 0u);
    EXPECT_EQ(store.registry.size(), 4u);

    // Every numbered name taken: refused, nothing overwritten.
    for (int i = 4; i <= 999; ++i)
        data.Write("themes/Dark (" + std::to_string(i) + ").vtptheme", "x");
    ThemeImport full = ImportThemeFile(store, src.Write("full/Dark.vtptheme", Named("F")));
    EXPECT_EQ(full.error, kThemeNamesTakenMessage);
    EXPECT_EQ(ReadWholeFile(data.File("themes/Dark (999).vtptheme")), "x");
}

TEST(ThemeStore, SkinPiecesAndFontAreServedFromTheFile) {
    TempDir data;
    ThemeStore store(data.path());
    const std::string window = Base64(Png(1024, 768)), font = Base64(Font("OTTO"));
    data.Write(
        "themes/Dark.vtptheme",
        SkinnedTheme("{\"window\": " + Quoted(window) + ", \"window\": \"AAAA\"}", Quoted(font)));
    data.Write("themes/Plain.vtptheme", Theme());
    RescanThemes(store);
    struct Case {
        std::string args, result;
    } pieces[] = {
        {"Dark|window", Quoted(window)}, {"Dark|", "\"\""},        {"Dark|window|", "\"\""},
        {"Dark|radio", "\"\""},          {"Plain|window", "\"\""}, {"Gone|window", "\"\""},
    };
    for (const Case& c : pieces)
        EXPECT_EQ(SkinPieceJson(store, c.args), c.result) << c.args;
    EXPECT_EQ(SkinFontJson(store, "Dark"), Quoted(font));
    EXPECT_EQ(SkinFontJson(store, "Plain"), "\"\"");

    // One theme is cached, read from its file once; a rescan drops it.
    EXPECT_EQ(SkinFontJson(store, "Dark"), Quoted(font));
    const std::string other = Base64(Png(1024, 768, 80));
    data.Write("themes/Dark.vtptheme", SkinnedTheme("{\"window\": " + Quoted(other) + "}"));
    EXPECT_EQ(SkinPieceJson(store, "Dark|window"), Quoted(window));
    RescanThemes(store);
    EXPECT_EQ(SkinPieceJson(store, "Dark|window"), Quoted(other));
    EXPECT_EQ(SkinFontJson(store, "Dark"), "\"\"");

    EXPECT_EQ(CustomThemesJson(store).substr(0, 95),
              R"j([{"key":"Dark","name":"Ocean","bgMain":"#102030","bgPanel":"#abc",)j"
              R"j("bgHeader":"#ABCDEF","accent")j");
    EXPECT_NE(CustomThemesJson(store).find(R"("hasSkin":true},{"key":"Plain")"), std::string::npos);
}

TEST(ThemeStore, CurrentKeyThemeTxtAndDelete) {
    TempDir data;
    ThemeStore store(data.path());
    for (const char* text : {"", "\n", "Dark\nmore"}) {
        data.Write("theme.txt", text);
        LoadCurrentTheme(store);
        EXPECT_EQ(CurrentTheme(store), *text == 'D' ? "Dark" : "velotap") << text;
    }
    std::filesystem::remove(data.File("theme.txt"));
    LoadCurrentTheme(store);
    EXPECT_EQ(CurrentTheme(store), "velotap");

    data.Write("themes/Dark.vtptheme", Theme());
    data.Write("themes/Light.vtptheme", Theme());
    RescanThemes(store);
    SetCurrentTheme(store, "Dark");
    EXPECT_EQ(ReadWholeFile(data.File("theme.txt")), "Dark");

    EXPECT_FALSE(DeleteTheme(store, "Nope"));
    EXPECT_TRUE(DeleteTheme(store, "Light"));
    EXPECT_EQ(CurrentTheme(store), "Dark");
    EXPECT_TRUE(DeleteTheme(store, "Dark"));
    EXPECT_EQ(CurrentTheme(store), "velotap");
    EXPECT_EQ(ReadWholeFile(data.File("theme.txt")), "velotap");
    EXPECT_EQ(FolderFiles(store.folder), std::vector<std::string>{});
    EXPECT_EQ(CustomThemesJson(store), "[]");
}

}  // namespace velotap
