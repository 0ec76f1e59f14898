// The macro console checks, run as the real program.
#include <gtest/gtest.h>

#include "support/subprocess.h"

namespace velotap {

TEST(MacroConsoleChecks, VerdictLinesAndExitCodes) {
    TempDir dir;
    const std::string valid = dir.Write("valid.vtpmacro",
                                        "Clicks\r\nSETTINGS:1,2,3\r\n0,0.5,10,10,0,0,0\r\n"
                                        "2,1,10,10,2,0,0,0\r\nnot an event\r\n");
    const std::string broken = dir.Write("broken.vtpmacro", "\r\n0,0.5,10,10,0,0,0\r\n");
    const std::string risky = dir.Write("risky.vtpmacro",
                                        "Run\n3,0,0,0,0,91,1,0\n3,0.5,0,0,0,82,1,0\n"
                                        "3,0.6,0,0,0,82,0,0\n3,0.6,0,0,0,91,0,0\n"
                                        "3,1,0,0,0,78,1,0\n3,2,0,0,0,13,1,0\n");
    // The settings chord Win+R once and a tool event starts the key spammer before a command.
    const std::string chord = dir.Write(
        "chord.vtpmacro",
        "Chord\nSETTINGS:0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,"
        "0,1,120,91,91|82,1,0,0,121\n5,0.5,0,0,0,2,1,0\n3,2,0,0,0,78,1,0\n3,4,0,0,0,13,1,0\n");
    const std::string missing = dir.File("missing.vtpmacro");
    const std::string riskyJson =
        "{\"level\":\"danger\",\"matches\":[{\"id\":\"start-launch\",\"severity\":\"DANGER\","
        "\"atSec\":0},{\"id\":\"run-command\",\"severity\":\"DANGER\",\"atSec\":0.5}]}\n";
    struct Case {
        std::string arg;
        int exitCode;
        std::string out;
    } cases[] = {
        {"--validate-macro=" + valid, 0, "OK 2 events\n"},
        {"--validate-macro=" + risky, 0, "OK 6 events\n"},
        {"--validate-macro=" + broken, 1, "REJECT That macro file is missing its profile name.\n"},
        {"--validate-macro=" + missing, 1, "REJECT Couldn't open that macro file.\n"},
        {"--scan-macro=" + valid, 0, "{\"level\":\"none\",\"matches\":[]}\n"},
        {"--scan-macro=" + risky, 0, riskyJson},
        {"--scan-macro=" + chord, 0,
         "{\"level\":\"danger\",\"matches\":[{\"id\":\"run-command\",\"severity\":\"DANGER\","
         "\"atSec\":0.5},{\"id\":\"start-launch\",\"severity\":\"DANGER\",\"atSec\":0.5}]}\n"},
        {"--scan-macro=" + broken, 1, "REJECT That macro file is missing its profile name.\n"},
        {"--scan-macro=" + missing, 1, "REJECT Couldn't open that macro file.\n"},
    };
    for (const auto& c : cases) {
        ProcessResult got = RunProcess(AppPath(), {c.arg});
        EXPECT_EQ(got.exitCode, c.exitCode) << c.arg;
        EXPECT_EQ(ConsoleText(got.out), c.out) << c.arg;
    }
}

}  // namespace velotap
