#include <gtest/gtest.h>

#include "loopback_server.h"
#include "platform/https_get.h"
#include "update/update_check.h"

namespace velotap {

#ifdef _WIN32

TEST(HttpsGet, LoopbackServer) {
    GTEST_SKIP() << "WinHTTP has no per-request trust store for the test certificate, and Wine's "
                    "WinHTTP cannot be pointed at a loopback TLS server with one; the transport "
                    "rules are exercised by the Linux build";
}

#else

using update_test::LoopbackServer;

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
