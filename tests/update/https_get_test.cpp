#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/https_get.h"
#include "support/subprocess.h"
#include "update/update_check.h"

namespace velotap {

#ifdef _WIN32

TEST(HttpsGet, LoopbackServer) {
    GTEST_SKIP() << "WinHTTP has no per-request trust store for the test certificate, and Wine's "
                    "WinHTTP cannot be pointed at a loopback TLS server with one; the transport "
                    "rules are exercised by the Linux build";
}

#else

namespace {

// The loopback server runs as long as its standard input stays open.
class LoopbackServer {
  public:
    LoopbackServer() {
        cert_ = dir_.File("cert.pem");
        std::string key = dir_.File("key.pem");
        std::string make =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
            "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
            key + "' -out '" + cert_ + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return;
        std::string portFile = dir_.File("port");
        std::string run = "python3 '" + std::string(VELOTAP_SOURCE_DIR) +
                          "/tests/update/https_test_server.py' '" + cert_ + "' '" + key + "' '" +
                          portFile + "'";
        server_ = popen(run.c_str(), "w");
        for (int i = 0; server_ && i < 200 && port_.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            port_ = ReadWholeFile(portFile);
        }
    }
    ~LoopbackServer() {
        if (server_) pclose(server_);
    }
    bool ok() const { return !port_.empty(); }
    std::string Url(const std::string& path) const { return "https://127.0.0.1:" + port_ + path; }
    HttpsGetOptions Trusting(int timeoutMs = 10000) const {
        HttpsGetOptions options;
        options.testTrustedCertFile = cert_;
        options.timeoutMs = timeoutMs;
        return options;
    }

  private:
    TempDir dir_;
    std::string cert_;
    std::string port_;
    FILE* server_ = nullptr;
};

}  // namespace

TEST(HttpsGet, LoopbackServer) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok()) << "the openssl command and python3 are needed for this test";
    struct Case {
        const char* path;
        bool ok;
        std::string body;
    } cases[] = {
        {"/ok", true, "manifest-body"},
        {"/agent", true, "Velotap-Update/1.0"},
        {"/max", true, std::string(16384, 'm')},
        {"/over", false, ""},
        {"/missing", false, ""},
        {"/empty", false, ""},
        {"/to-http", false, ""},
        {"/to-https", true, "manifest-body"},
    };
    for (const auto& c : cases) {
        std::string body = "stale";
        EXPECT_EQ(HttpsGet(server.Url(c.path), body, server.Trusting()), c.ok) << c.path;
        EXPECT_EQ(body, c.body) << c.path;
    }

    std::string body = "stale";
    EXPECT_FALSE(HttpsGet(server.Url("/slow"), body, server.Trusting(300)));
    EXPECT_EQ(body, "");

    // Without the test certificate the server is not trusted: TLS is verified normally.
    EXPECT_FALSE(HttpsGet(server.Url("/ok"), body, HttpsGetOptions{}));
    EXPECT_FALSE(HttpGetSmall(server.Url("/ok"), body));
    // Plain http is never spoken.
    EXPECT_FALSE(HttpsGet("http://127.0.0.1:1/ok", body, server.Trusting()));
}

#endif

}  // namespace velotap
