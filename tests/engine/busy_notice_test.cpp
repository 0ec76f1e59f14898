#include <gtest/gtest.h>

#include <thread>

#include "base/event.h"
#include "engine/busy_notice.h"
#include "platform/fake/fake_windows.h"

namespace velotap {

namespace {

struct Fixture {
    FakeDesktop desktop;
    FakeMessenger messenger;
    BusyNotice notice;
    EngineState state;
    Event ack{EventReset::Auto}, quit{EventReset::Manual};
    Flag running{1};
    Fixture() {
        notice.desktop = &desktop;
        notice.messenger = &messenger;
    }
    BusyNoticeWait Wait(int64_t timeoutMs) { return {&ack, &quit, &running, timeoutMs}; }
};

}  // namespace

TEST(BusyNotice, SendsOnChangeOnlyAndForgetsAClosedEditor) {
    Fixture f;
    SendBusyNotice(f.notice, f.state, nullptr);  // no editor: nothing
    EXPECT_TRUE(f.messenger.Snapshot().empty());

    f.desktop.windows = {{7, "Velotap - Timeline Editor (old)"}, {9, "Velotap - Timeline Editor"}};
    SendBusyNotice(f.notice, f.state, nullptr);
    SendBusyNotice(f.notice, f.state, nullptr);  // same window, same state
    f.state.keySpamming = 1;
    SendBusyNotice(f.notice, f.state, nullptr);
    f.state.keySpamming = 0;
    f.state.clickSpamming = 1;  // the click spammer does not make the engine busy
    SendBusyNotice(f.notice, f.state, nullptr);
    std::vector<FakeMessenger::Posted> posted = f.messenger.Snapshot();
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].window, 9u);
    EXPECT_EQ(posted[0].message, 0x8065u);
    EXPECT_EQ(posted[0].wparam, 0u);
    EXPECT_EQ(posted[0].lparam, 1);
    EXPECT_EQ(posted[1].wparam, 1u);
    EXPECT_EQ(posted[1].lparam, 2);
    EXPECT_EQ(posted[2].wparam, 0u);
    EXPECT_EQ(posted[2].lparam, 3);

    f.desktop.windows.clear();
    SendBusyNotice(f.notice, f.state, nullptr);
    f.desktop.windows = {{9, "Velotap - Timeline Editor"}};
    SendBusyNotice(f.notice, f.state, nullptr);  // state unknown again: sent anew
    EXPECT_EQ(f.messenger.Snapshot().size(), 4u);
}

TEST(BusyNotice, WaitingCallerResendsUnacknowledgedAndReturnsOnAck) {
    Fixture f;
    f.desktop.windows = {{9, "Velotap - Timeline Editor"}};
    f.state.playing = 1;
    SendBusyNotice(f.notice, f.state, nullptr);  // sequence 1, never acknowledged

    std::thread editor([&] {
        while (f.messenger.Snapshot().size() < 2)
            std::this_thread::yield();
        AcknowledgeBusyNotice(f.notice, f.messenger.Snapshot().back().lparam, f.ack);
    });
    BusyNoticeWait wait = f.Wait(60000);
    SendBusyNotice(f.notice, f.state, &wait);  // same state, but open: sent again and waited for
    editor.join();
    EXPECT_EQ(f.notice.acknowledged.load(), 2u);
    EXPECT_EQ(f.notice.givenUp, 0u);

    AcknowledgeBusyNotice(f.notice, 1, f.ack);  // the number only grows
    EXPECT_EQ(f.notice.acknowledged.load(), 2u);
    SendBusyNotice(f.notice, f.state, &wait);  // acknowledged and unchanged: nothing
    EXPECT_EQ(f.messenger.Snapshot().size(), 2u);
}

TEST(BusyNotice, UnansweredWaitIsGivenUpAndNotRepeatedByWaiters) {
    Fixture f;
    f.desktop.windows = {{9, "Velotap - Timeline Editor"}};
    f.state.recording = 1;
    BusyNoticeWait wait = f.Wait(20);
    SendBusyNotice(f.notice, f.state, &wait);
    EXPECT_EQ(f.notice.givenUp, 1u);
    SendBusyNotice(f.notice, f.state, &wait);
    EXPECT_EQ(f.messenger.Snapshot().size(), 1u);

    // A stopping program ends the wait at once.
    f.state.recording = 0;
    f.running = 0;
    f.quit.Set();
    BusyNoticeWait forever = f.Wait(600000);
    SendBusyNotice(f.notice, f.state, &forever);
    EXPECT_EQ(f.messenger.Snapshot().size(), 2u);
    EXPECT_EQ(f.notice.givenUp, 1u);
}

}  // namespace velotap
