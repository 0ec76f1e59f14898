#include "update/update_selftest.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/hex.h"
#include "base/json.h"
#include "platform/ecdsa_p256.h"
#include "update/update_config.h"
#include "update/update_manifest.h"

namespace velotap {

namespace {

struct Run {
    std::string text;
    bool allPassed = true;

    // One line per case whatever its name holds, so the verdicts cannot be forged by a name.
    void Report(bool passed, std::string name) {
        for (char& c : name)
            if (c == '\n' || c == '\r') c = ' ';
        text.append(passed ? "PASS " : "FAIL ").append(name).append("\n");
        if (!passed) allPassed = false;
    }
};

// Manifest of a case: its five values inserted as they stand, so a case can carry broken JSON.
std::string CaseManifest(const std::string& line) {
    return "{\"tier\":\"" + JsonLookup(line, "tier") + "\",\"version\":\"" +
           JsonLookup(line, "version") + "\",\"url\":\"" + JsonLookup(line, "url") +
           "\",\"sha256\":\"" + JsonLookup(line, "sha256") + "\",\"sig\":\"" +
           JsonLookup(line, "sig") + "\"}";
}

void RunAllowListChecks(Run& run) {
    const std::string web(UpdateWebHost());
    const std::string api(UpdateApiHost());
    struct Check {
        std::string url;
        bool allowed;
        const char* name;
    } checks[] = {
        {"https://" + web + "/download/VelotapSetup.exe", true, "allow-list accepts the web host"},
        {"https://" + api + "/v1/download", true, "allow-list accepts the API host"},
        {"https://" + web + ".attacker.invalid/VelotapSetup.exe", false,
         "allow-list refuses a look-alike subdomain"},
        {"https://" + web + "@attacker.invalid/VelotapSetup.exe", false,
         "allow-list refuses a user-info form"},
        {"https://" + web + ":8443/VelotapSetup.exe", false, "allow-list refuses an explicit port"},
        {"https://downloads.attacker.invalid/VelotapSetup.exe", false,
         "allow-list refuses another site"},
        {"http://" + web + "/VelotapSetup.exe", false, "allow-list refuses plain http"},
        {"https://beta." + web + "/VelotapSetup.exe", false,
         "allow-list refuses the testers' download site"},
    };
    for (const Check& check : checks) {
        run.Report(IsAllowedUpdateUrl(check.url) == check.allowed, check.name);
    }
}

}  // namespace

UpdateSelfTestReport RunUpdateSelfTest(const std::string& vectorsPath) {
    std::error_code ec;
    std::ifstream in(vectorsPath);
    if (!in || std::filesystem::is_directory(vectorsPath, ec))
        return {false, "FAIL could not open vectors file: " + vectorsPath + "\n"};

    Run run;
    std::unique_ptr<EcdsaP256PublicKey> key;
    int cases = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::string kind = JsonLookup(line, "line");
        if (kind == "key") {
            std::string blob = DecodeHex(JsonLookup(line, "hex"));
            key.reset();
            if (blob.size() > 3 && blob.compare(0, 4, "ECS1") == 0) {
                key = EcdsaP256PublicKey::Import(blob);
            }
            run.Report(key != nullptr, "test key loads as a valid P-256 public key");
        } else if (kind == "case") {
            ++cases;
            if (!key) {
                run.Report(false, "case before a valid key line - skipped");
                continue;
            }
            bool expect = JsonLookup(line, "expect") == "true";
            UpdateManifestInfo info;
            bool got =
                EvaluateManifest(key.get(), CaseManifest(line), JsonLookup(line, "expectedTier"),
                                 JsonLookup(line, "ownVersion"), info);
            std::string name = JsonLookup(line, "name");
            run.Report(got == expect, name.empty() ? "case " + std::to_string(cases) : name);
        }
    }
    RunAllowListChecks(run);
    if (cases == 0) run.Report(false, "no cases found in vectors file");
    // A key line that failed was reported as a failure, so it already fails the run; a run with
    // no key line at all cannot have run a case.
    return {run.allPassed && key != nullptr && cases > 0, run.text};
}

}  // namespace velotap
