#include <gtest/gtest.h>

#include "update/update_version.h"
#include "update_helpers.h"

namespace velotap {

using namespace update_test;

TEST(UpdateVersion, Grammar) {
    struct Case {
        const char* text;
        uint32_t major, minor, patch;
        bool beta;
        uint32_t betaNumber;
    } cases[] = {
        {"1.0.1", 1, 0, 1, false, 0},
        {"99999.0.12345", 99999, 0, 12345, false, 0},
        {"1.2.0-beta.3", 1, 2, 0, true, 3},
        {"1.2.0-beta.00042", 1, 2, 0, true, 42},
    };
    for (const char* invalid :
         {"100000.0.0", "1.2", "1.2.0-rc.1", "1.2.0-beta", "1.2.0-beta.", "1.2.0-beta.123456",
          "1.2.0-", "1.2.3.4", "v1.2.3", "1..3", "1.2.+3", " 1.2.3", "1.2.3 ", "", "1.2.0-Beta.1",
          "1.2.0-beta.1-beta.2", "1.2.3-beta.-1"}) {
        EXPECT_FALSE(ParseUpdateVersion(invalid).valid) << invalid;
    }
    for (const auto& c : cases) {
        UpdateVersion v = ParseUpdateVersion(c.text);
        ASSERT_TRUE(v.valid) << c.text;
        EXPECT_EQ(v.major, c.major) << c.text;
        EXPECT_EQ(v.minor, c.minor) << c.text;
        EXPECT_EQ(v.patch, c.patch) << c.text;
        EXPECT_EQ(v.isBeta, c.beta) << c.text;
        EXPECT_EQ(v.betaNumber, c.betaNumber) << c.text;
    }
}

TEST(UpdateVersion, Order) {
    struct Case {
        const char* a;
        const char* b;
        bool newer;
    } cases[] = {
        {"1.0.1", "1.0.1", false},
        {"1.0.2", "1.0.1", true},
        {"1.0.1-beta.3", "1.0.1", false},
        {"1.1.0", "1.0.1", true},
        {"1.0.0", "1.0.1", false},
        {"2.0.0", "1.99.99", true},
        {"1.10.0", "1.9.0", true},
        {"1.2.0-beta.3", "1.2.0-beta.2", true},
        {"1.2.0", "1.2.0-beta.2", true},
        {"1.2.0-beta.2", "1.2.0-beta.2", false},
        {"1.2.0-beta.1", "1.2.0-beta.2", false},
        {"1.2.1-beta.1", "1.2.0", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsNewerVersion(ParseUpdateVersion(c.a), ParseUpdateVersion(c.b)), c.newer)
            << c.a << " vs " << c.b;
    }
}

TEST(UpdateManifest, ReadJsonStringMember) {
    struct Case {
        const char* text;
        const char* name;
        const char* value;
    } cases[] = {
        {R"({"tier":"studio"})", "tier", "studio"},
        {R"({"tier" : 5, "x":"y"})", "tier", "x"},
        {R"({"a":"q\"uo\/te\\n\n\r\t\x"})", "a", "q\"uo/te\\n\n\r\tx"},
        {R"({"a":"open)", "a", "open"},
        {R"({"xtier":"1","tier":"2"})", "tier", "2"},
        {R"({"kind":"tier","x":"y","tier":"2"})", "tier", "y"},
        {R"({"tier"})", "tier", ""},
        {R"({"tier":5})", "tier", ""},
        {R"({})", "tier", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadJsonStringMember(c.text, c.name), c.value) << c.text;
}

TEST(UpdateManifest, AllowList) {
    const std::string web(UpdateWebHost()), api(UpdateApiHost());
    std::string upperWeb = web;
    for (char& ch : upperWeb)
        ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    struct Case {
        std::string url;
        bool allowed;
    } cases[] = {
        {"https://" + web + "/download/a.exe", true},
        {"https://" + api + "/v1/file?x=1", true},
        {"https://" + web, true},
        {"https://" + web + "?q", true},
        {"https://" + web + "#f", true},
        {"https://" + upperWeb + "/a", true},
        {"HTTPS://" + web + "/a", false},
        {"http://" + web + "/a", false},
        {"https://" + web + ":443/a", false},
        {"https://user@" + web + "/a", false},
        {"https://" + web + "@evil.invalid/a", false},
        {"https://" + web + ".evil.invalid/a", false},
        {"https://x" + web + "/a", false},
        {"https://evil.invalid/" + web, false},
        {"https:///" + web, false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsAllowedUpdateUrl(c.url), c.allowed) << c.url;
}

class Manifest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(signer.ok()); }
    TestSigner signer;

    bool Evaluate(const std::string& text, UpdateManifestInfo& out,
                  const std::string& tier = "studio", const std::string& own = "1.0.1") {
        return EvaluateManifest(signer.key(), text, tier, own, out);
    }
    // Signs `m` and evaluates its manifest text.
    bool Signed(UpdateManifestInfo m, const std::string& own = "1.0.1") {
        m.sig = signer.SignFields(m);
        UpdateManifestInfo out;
        return Evaluate(ManifestText(m), out, "studio", own);
    }
};

TEST_F(Manifest, AcceptsAndCopiesTheFields) {
    UpdateManifestInfo m = GoodFields();
    m.sig = signer.SignFields(m);
    UpdateManifestInfo out;
    ASSERT_TRUE(Evaluate(ManifestText(m), out));
    EXPECT_EQ(out.tier, m.tier);
    EXPECT_EQ(out.version, m.version);
    EXPECT_EQ(out.url, m.url);
    EXPECT_EQ(out.sha256, m.sha256);
    EXPECT_EQ(out.sig, m.sig);
}

TEST_F(Manifest, Rules) {
    auto with = [](auto change) {
        UpdateManifestInfo m = GoodFields();
        change(m);
        return m;
    };
    std::string web(UpdateWebHost());
    struct Case {
        const char* what;
        UpdateManifestInfo m;
        std::string own;
        bool accepted;
    } cases[] = {
        {"same version", with([](auto& m) { m.version = "1.0.1"; }), "1.0.1", false},
        {"next patch", with([](auto& m) { m.version = "1.0.2"; }), "1.0.1", true},
        {"beta of own", with([](auto& m) { m.version = "1.0.1-beta.3"; }), "1.0.1", false},
        {"next minor", with([](auto& m) { m.version = "1.1.0"; }), "1.0.1", true},
        {"next beta", with([](auto& m) { m.version = "1.2.0-beta.3"; }), "1.2.0-beta.2", true},
        {"release of beta", with([](auto& m) { m.version = "1.2.0"; }), "1.2.0-beta.2", true},
        {"same beta", with([](auto& m) { m.version = "1.2.0-beta.2"; }), "1.2.0-beta.2", false},
        {"older beta", with([](auto& m) { m.version = "1.2.0-beta.1"; }), "1.2.0-beta.2", false},
        {"own version invalid", GoodFields(), "1.0", false},
        {"six digits", with([](auto& m) { m.version = "1.0.100000"; }), "1.0.1", false},
        {"tier free", with([](auto& m) { m.tier = "free"; }), "1.0.1", false},
        {"tier unknown", with([](auto& m) { m.tier = "pro"; }), "1.0.1", false},
        {"tier case", with([](auto& m) { m.tier = "Studio"; }), "1.0.1", false},
        {"upper sha256", with([](auto& m) { m.sha256 = Digest('A'); }), "1.0.1", false},
        {"short sha256", with([](auto& m) { m.sha256 = std::string(63, 'a'); }), "1.0.1", false},
        {"bar in url", with([&](auto& m) { m.url = "https://" + web + "/a|b"; }), "1.0.1", false},
        {"space in url", with([&](auto& m) { m.url = "https://" + web + "/a b"; }), "1.0.1", false},
        {"brace in url", with([&](auto& m) { m.url = "https://" + web + "/{a}"; }), "1.0.1", true},
        {"other host", with([](auto& m) { m.url = "https://evil.invalid/a"; }), "1.0.1", false},
        {"port", with([&](auto& m) { m.url = "https://" + web + ":444/a"; }), "1.0.1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Signed(c.m, c.own), c.accepted) << c.what;
}

TEST_F(Manifest, Signature) {
    UpdateManifestInfo m = GoodFields();
    UpdateManifestInfo out;
    m.sig = signer.SignFields(m, /*upper=*/true);
    EXPECT_TRUE(Evaluate(ManifestText(m), out)) << "upper-case signature hex is accepted";

    // Signed in JSON order (tier, version, url, sha256) rather than the signed order.
    UpdateManifestInfo wrongOrder = GoodFields();
    wrongOrder.sig = signer.Sign("VTP-UPDATE-1|" + wrongOrder.tier + "|" + wrongOrder.version +
                                 "|" + wrongOrder.url + "|" + wrongOrder.sha256);
    EXPECT_FALSE(Evaluate(ManifestText(wrongOrder), out));

    UpdateManifestInfo tampered = GoodFields();
    tampered.sig = signer.SignFields(tampered);
    tampered.version = "1.0.3";
    EXPECT_FALSE(Evaluate(ManifestText(tampered), out));

    TestSigner other;
    ASSERT_TRUE(other.ok());
    UpdateManifestInfo foreign = GoodFields();
    foreign.sig = other.SignFields(foreign);
    EXPECT_FALSE(Evaluate(ManifestText(foreign), out));

    std::string good = signer.SignFields(GoodFields());
    std::string message = UpdateSignedMessage(GoodFields());
    EXPECT_TRUE(VerifyManifestSignature(signer.key(), message, good));
    EXPECT_FALSE(VerifyManifestSignature(nullptr, message, good));
    EXPECT_FALSE(VerifyManifestSignature(signer.key(), message, good.substr(1)));
    EXPECT_FALSE(VerifyManifestSignature(signer.key(), message, good + "00"));
    EXPECT_FALSE(VerifyManifestSignature(signer.key(), message, "zz" + good.substr(2)));
    EXPECT_FALSE(VerifyManifestSignature(signer.key(), message, std::string(128, '0')));
}

TEST_F(Manifest, MissingMembersAndUntouchedOutput) {
    UpdateManifestInfo m = GoodFields();
    m.sig = signer.SignFields(m);
    std::string text = ManifestText(m);
    UpdateManifestInfo out;
    out.tier = "kept";
    for (const char* member : {"\"tier\"", "\"version\"", "\"url\"", "\"sha256\"", "\"sig\""}) {
        std::string broken = text;
        broken.replace(broken.find(member), 2, "\"_");
        EXPECT_FALSE(Evaluate(broken, out)) << member;
    }
    EXPECT_FALSE(Evaluate(text, out, "free"));
    EXPECT_EQ(out.tier, "kept");
    // Member order in the text does not matter, and other members are ignored.
    std::string reordered = "{\"sig\":\"" + m.sig + "\",\"extra\":1,\"sha256\":\"" + m.sha256 +
                            "\",\"url\":\"" + m.url + "\",\"version\":\"" + m.version +
                            "\",\"tier\":\"" + m.tier + "\"}";
    EXPECT_TRUE(Evaluate(reordered, out));
}

TEST(UpdateKey, ImportChecksTheBlob) {
    TestSigner signer;
    ASSERT_TRUE(signer.ok());
    std::string blob = DecodeHex(signer.publicHex());
    ASSERT_EQ(blob.size(), 72u);
    EXPECT_EQ(blob.substr(0, 8), std::string("ECS1\x20\0\0\0", 8));
    EXPECT_NE(EcdsaP256PublicKey::Import(blob), nullptr);
    std::string offCurve = blob;
    offCurve[71] = static_cast<char>(offCurve[71] ^ 1);
    // OpenSSL refuses a point off the curve on import; Wine's CNG imports it, but such a key must
    // never verify a signature.
    std::unique_ptr<EcdsaP256PublicKey> off = EcdsaP256PublicKey::Import(offCurve);
    std::string message = UpdateSignedMessage(GoodFields());
    EXPECT_TRUE(VerifyManifestSignature(EcdsaP256PublicKey::Import(blob).get(), message,
                                        signer.Sign(message)));
    EXPECT_TRUE(!off || !VerifyManifestSignature(off.get(), message, signer.Sign(message)));
    std::string wrongMagic = blob;
    wrongMagic[3] = '2';
    EXPECT_EQ(EcdsaP256PublicKey::Import(wrongMagic), nullptr);
    EXPECT_EQ(EcdsaP256PublicKey::Import(blob.substr(0, 71)), nullptr);
    EXPECT_EQ(EcdsaP256PublicKey::Import(""), nullptr);
    // The built-in key of this build imports.
    EXPECT_EQ(UpdatePublicKeyBlob().size(), 72u);
    EXPECT_NE(EcdsaP256PublicKey::Import(UpdatePublicKeyBlob()), nullptr);
}

TEST(UpdateCrypto, Sha256KnownAnswer) {
    Sha256Digest digest;
    ASSERT_TRUE(Sha256("abc", digest));
    EXPECT_EQ(Hex(std::string(digest.begin(), digest.end())),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    ASSERT_TRUE(Sha256("", digest));
    EXPECT_EQ(Hex(std::string(digest.begin(), digest.end())),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

}  // namespace velotap
