#pragma once
// A world a scenario file drives: it runs the script's lines one by one and reports what it
// observed, one line per effect. The engine world runs the command processor, the tool workers and
// the player on a manual clock; the capture world runs the capture decisions and the recorder.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace velotap {

class ScenarioWorld {
  public:
    virtual ~ScenarioWorld() = default;
    // Runs one script line; false with `error` set when it cannot be understood.
    virtual bool Run(const std::string& line, std::string& error) = 0;
    // Everything observed, after a final settle.
    virtual std::vector<std::string> Finish() = 0;
};

// For the files under tests/scenarios/engine and tests/scenarios/player.
std::unique_ptr<ScenarioWorld> MakeEngineWorld();
// For the files under tests/scenarios/capture.
std::unique_ptr<ScenarioWorld> MakeCaptureWorld();

// The blank-separated words of a script line.
inline std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

}  // namespace velotap
