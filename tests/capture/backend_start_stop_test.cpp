// The platform's capture backend starts its loop and leaves it on Stop, also when Stop comes first.
#include <gtest/gtest.h>

#include <thread>

#include "support/capture_fixture.h"

namespace velotap {

namespace {

TEST(CaptureBackend, RunsUntilStopped) {
    std::string error;
    std::unique_ptr<CaptureBackend> backend = ConnectCapture(error);
    if (!backend) GTEST_SKIP() << error;  // no desktop to observe here
    CaptureFixture f;
    std::thread thread([&] { backend->Run(f.core); });
    EXPECT_TRUE(backend->Settle());  // the loop runs
    backend->Refresh();
    backend->Stop();
    thread.join();

    std::unique_ptr<CaptureBackend> early = ConnectCapture(error);
    ASSERT_TRUE(early);
    early->Stop();
    std::thread second([&] { early->Run(f.core); });
    second.join();
}

}  // namespace

}  // namespace velotap
