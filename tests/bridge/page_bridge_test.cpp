// The page bridge's rules on the fake host: the same dispatch every real host runs.
#include <gtest/gtest.h>

#include <thread>

#include "support/fake_page.h"

namespace velotap {

TEST(PageBridge, CallsAreAnsweredByTheRules) {
    FakePage page;
    std::string received;
    ASSERT_TRUE(page.bridge.Bind("echo", [&](const std::string& args) {
        received = args;
        return "{\"args\":" + args + "}";
    }));
    ASSERT_TRUE(page.bridge.Bind("nothing", [](const std::string&) { return std::string(); }));
    ASSERT_TRUE(page.bridge.Bind("broken", [](const std::string&) { return std::string("{x"); }));
    EXPECT_FALSE(page.bridge.Bind("echo", [](const std::string&) { return std::string("1"); }));

    const struct {
        const char* name;
        const char* args;
        PageReply reply;
    } cases[] = {
        {"echo",
         R"([420,"a,b",[1]])",
         {true, ReplyStatus::Resolved, R"({"args":[420,"a,b",[1]]})"}},
        {"nothing", "[]", {true, ReplyStatus::Resolved, ""}},
        {"broken", "[]", {true, ReplyStatus::Failed, kBindingResultNotJson}},
        {"nope", "[]", {true, ReplyStatus::Rejected, R"("unknown function nope")"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(page.Send(c.name, c.args), c.reply) << c.name;
    }
    EXPECT_EQ(received, R"([420,"a,b",[1]])");  // the duplicate bind changed nothing

    // A message without params passes an empty list; one without an id has nobody to answer.
    page.host.PostFromPage(R"({"id":"m","method":"echo"})");
    EXPECT_EQ(page.ReplyTo("m").result, R"({"args":[]})");
    const size_t evaluated = page.host.evaluated.size();
    page.host.PostFromPage(R"({"method":"echo","params":[]})");
    page.host.PostFromPage("not json at all");
    page.host.RunDispatched();
    EXPECT_EQ(page.host.evaluated.size(), evaluated);

    // Every page gets the bridge first, then one start script per bound name.
    ASSERT_EQ(page.host.startScripts.size(), 4u);
    EXPECT_EQ(page.host.startScripts[0], PageBridgeScript(page.host.PagePostFunction()));
    EXPECT_EQ(page.host.startScripts[1], R"(window.__velotap.bind("echo");)");
    EXPECT_NE(page.host.startScripts[0].find(kBindingResultNotJson), std::string::npos);
}

TEST(PageBridge, AsynchronousCallsSettleFromAnyThread) {
    FakePage page;
    std::vector<std::pair<std::string, std::string>> calls;  // id, args
    ASSERT_TRUE(page.bridge.BindAsync("later", [&](const std::string& id, const std::string& args) {
        calls.emplace_back(id, args);
    }));
    const struct {
        int status;
        const char* result;
        PageReply reply;
    } cases[] = {
        {0, "[7]", {true, ReplyStatus::Resolved, "[7]"}},
        {0, "", {true, ReplyStatus::Resolved, ""}},
        {1, R"("refused")", {true, ReplyStatus::Rejected, R"("refused")"}},
        {0, "not json", {true, ReplyStatus::Failed, kBindingResultNotJson}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(page.Send("later", "[7]").settled);  // waits for its Resolve
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().second, "[7]");
        std::thread([&] { page.bridge.Resolve(calls.back().first, c.status, c.result); }).join();
        EXPECT_EQ(page.ReplyTo(calls.back().first), c.reply) << c.result;
    }
}

}  // namespace velotap
