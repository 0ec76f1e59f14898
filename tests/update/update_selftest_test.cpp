#include <gtest/gtest.h>

#include "support/subprocess.h"
#include "update/update_selftest.h"
#include "update_helpers.h"

namespace velotap {

using namespace update_test;

namespace {

const char* const kAllowListPasses =
    "PASS allow-list accepts the web host\n"
    "PASS allow-list accepts the API host\n"
    "PASS allow-list refuses a look-alike subdomain\n"
    "PASS allow-list refuses a user-info form\n"
    "PASS allow-list refuses an explicit port\n"
    "PASS allow-list refuses another site\n"
    "PASS allow-list refuses plain http\n"
    "PASS allow-list refuses the testers' download site\n";

std::string CaseLine(const std::string& name, bool expect, const UpdateManifestInfo& m,
                     const std::string& expectedTier = "studio",
                     const std::string& ownVersion = "1.0.1") {
    return "{\"line\":\"case\",\"name\":\"" + name +
           "\",\"expect\":" + (expect ? "true" : "false") + ",\"expectedTier\":\"" + expectedTier +
           "\",\"ownVersion\":\"" + ownVersion + "\",\"tier\":\"" + m.tier + "\",\"version\":\"" +
           m.version + "\",\"url\":\"" + m.url + "\",\"sha256\":\"" + m.sha256 + "\",\"sig\":\"" +
           m.sig + "\"}\n";
}

class SelfTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(signer.ok()); }
    std::string KeyLine() const {
        return "{\"line\":\"key\",\"hex\":\"" + signer.publicHex() + "\"}\n";
    }
    UpdateManifestInfo SignedGood() const {
        UpdateManifestInfo m = GoodFields();
        m.sig = signer.SignFields(m);
        return m;
    }
    ProcessResult Run(const std::string& vectors) {
        ProcessResult r =
            RunProcess(AppPath(), {"--selftest-update=" + dir.Write("vectors.jsonl", vectors)});
        r.out = ConsoleText(r.out);
        return r;
    }
    TestSigner signer;
    TempDir dir;
};

}  // namespace

TEST_F(SelfTest, AllPass) {
    UpdateManifestInfo good = SignedGood();
    UpdateManifestInfo free = good;
    free.tier = "free";
    free.sig = signer.SignFields(free);
    UpdateManifestInfo upper = good;
    upper.sha256 = Digest('A');
    std::string vectors = "\n{\"line\":\"comment\"}\n" + KeyLine() + "\r\n" +
                          CaseLine("newer patch is offered", true, good) +
                          CaseLine("free tier is refused", false, free) +
                          CaseLine("", false, upper) +
                          CaseLine("free tier for a free build", true, free, "free") +
                          CaseLine("not newer than own", false, good, "studio", "1.0.2") +
                          CaseLine("one line\\nFAIL per case", false, free);
    ProcessResult r = Run(vectors);
    EXPECT_EQ(r.out, std::string("PASS test key loads as a valid P-256 public key\n"
                                 "PASS newer patch is offered\n"
                                 "PASS free tier is refused\n"
                                 "PASS case 3\n"
                                 "PASS free tier for a free build\n"
                                 "PASS not newer than own\n"
                                 "PASS one line FAIL per case\n") +
                         kAllowListPasses + "SELFTEST-UPDATE: ALL PASS\n");
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(SelfTest, Failures) {
    UpdateManifestInfo good = SignedGood();
    struct Case {
        const char* what;
        std::string vectors;
        std::string firstLines;
    } cases[] = {
        {"wrong expectation", KeyLine() + CaseLine("claims refusal", false, good),
         "PASS test key loads as a valid P-256 public key\nFAIL claims refusal\n"},
        {"case before key",
         CaseLine("early", true, good) + KeyLine() + CaseLine("late", true, good),
         "FAIL case before a valid key line - skipped\n"
         "PASS test key loads as a valid P-256 public key\nPASS late\n"},
        {"bad key", "{\"line\":\"key\",\"hex\":\"4543533120\"}\n" + CaseLine("c", true, good),
         "FAIL test key loads as a valid P-256 public key\n"
         "FAIL case before a valid key line - skipped\n"},
        {"no cases", KeyLine(), "PASS test key loads as a valid P-256 public key\n"},
        // A case's values go into the manifest unescaped, so a quote can break its JSON.
        {"broken json",
         KeyLine() + "{\"line\":\"case\",\"name\":\"q\",\"expect\":true,"
                     "\"version\":\"1.0.2\\\"\"}\n",
         "PASS test key loads as a valid P-256 public key\nFAIL q\n"},
    };
    for (const auto& c : cases) {
        ProcessResult r = Run(c.vectors);
        EXPECT_EQ(r.out.substr(0, std::string(c.firstLines).size()), c.firstLines) << c.what;
        EXPECT_NE(r.out.find(kAllowListPasses), std::string::npos) << c.what;
        EXPECT_EQ(r.out.substr(r.out.size() - 32), "SELFTEST-UPDATE: FAILURES ABOVE\n") << c.what;
        EXPECT_EQ(r.exitCode, 1) << c.what;
    }
    EXPECT_NE(Run(KeyLine()).out.find("FAIL no cases found in vectors file\nSELFTEST-UPDATE"),
              std::string::npos);

    std::string missing = dir.File("absent.jsonl");
    ProcessResult r = RunProcess(AppPath(), {"--selftest-update=" + missing});
    EXPECT_EQ(ConsoleText(r.out), "FAIL could not open vectors file: " + missing +
                                      "\nSELFTEST-UPDATE: FAILURES ABOVE\n");
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace velotap
