// Every scenario file under tests/scenarios/{engine,player,capture} is one test: script lines, a
// line "---", the expected output. Comments (#) and blank lines are skipped in both parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "scenario_world.h"

namespace velotap {

namespace {

bool LoadScenario(const std::string& path, std::vector<std::string>& script,
                  std::vector<std::string>& expected, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    bool inExpected = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line == "---") {
            inExpected = true;
            continue;
        }
        (inExpected ? expected : script).push_back(line);
    }
    if (!inExpected) error = path + " has no \"---\" line before its expected output";
    return inExpected;
}

// Expected and actual side by side, the first difference marked; empty when they are equal.
std::string CompareSideBySide(const std::vector<std::string>& expected,
                              const std::vector<std::string>& actual) {
    if (expected == actual) return "";
    size_t width = 8;
    for (const std::string& e : expected)
        width = std::max(width, e.size());
    std::string out =
        "\n  " + std::string("expected") + std::string(width - 8, ' ') + " | actual\n";
    bool marked = false;
    for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        std::string e = i < expected.size() ? expected[i] : "";
        std::string a = i < actual.size() ? actual[i] : "";
        bool differ = i >= expected.size() || i >= actual.size() || e != a;
        out += (differ && !marked) ? "> " : "  ";
        marked = marked || differ;
        out += e + std::string(width - e.size(), ' ') + " | " + a + "\n";
    }
    return out;
}

std::vector<std::string> ScenarioFiles(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(VELOTAP_SOURCE_DIR "/tests/scenarios/" + folder)) {
        if (entry.path().extension() == ".txt") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string TestName(const testing::TestParamInfo<std::string>& info) {
    std::string name = std::filesystem::path(info.param).stem().string();
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

class Scenario : public testing::TestWithParam<std::string> {};

TEST_P(Scenario, ProducesExpectedOutput) {
    std::vector<std::string> script, expected;
    std::string error;
    ASSERT_TRUE(LoadScenario(GetParam(), script, expected, error)) << error;
    const std::string folder = std::filesystem::path(GetParam()).parent_path().filename().string();
    std::unique_ptr<ScenarioWorld> world =
        folder == "capture" ? MakeCaptureWorld() : MakeEngineWorld();
    for (const std::string& line : script) {
        ASSERT_TRUE(world->Run(line, error)) << GetParam() << ": " << line << ": " << error;
    }
    std::string diff = CompareSideBySide(expected, world->Finish());
    EXPECT_TRUE(diff.empty()) << GetParam() << diff;
}

INSTANTIATE_TEST_SUITE_P(Engine, Scenario, testing::ValuesIn(ScenarioFiles("engine")), TestName);
INSTANTIATE_TEST_SUITE_P(Player, Scenario, testing::ValuesIn(ScenarioFiles("player")), TestName);
INSTANTIATE_TEST_SUITE_P(Capture, Scenario, testing::ValuesIn(ScenarioFiles("capture")), TestName);

TEST(ScenarioRunner, ShowsExpectedAndActualSideBySide) {
    std::string diff = CompareSideBySide({"@0ms a", "@5ms b"}, {"@0ms a", "@6ms b"});
    EXPECT_NE(diff.find("> @5ms b"), std::string::npos) << diff;
    EXPECT_NE(diff.find("| @6ms b"), std::string::npos) << diff;
}

}  // namespace

}  // namespace velotap
