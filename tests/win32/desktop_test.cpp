// The desktop as the program's other threads use it on Windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "platform/desktop.h"

namespace velotap {

// The timeline editor's main-window check runs on a thread of its own, and closing the editor
// waits for that thread while the window's thread takes no messages.
TEST(Win32Desktop, FindsAWindowWhileItsThreadWaitsForTheSearch) {
    HWND own = CreateWindowExW(0, L"STATIC", L"Velotap waits \u2713", WS_POPUP, 0, 0, 10, 10,
                               nullptr, nullptr, nullptr, nullptr);
    std::unique_ptr<Desktop> desktop = ConnectDesktop();
    ASSERT_TRUE(desktop);
    std::optional<WindowHandle> found;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread search([&] {
        found = desktop->FindTopLevel(
            [](const std::string& title) { return title == "Velotap waits \xE2\x9C\x93"; });
        SetEvent(done);
    });
    const DWORD waited = WaitForSingleObject(done, 120000);  // takes no messages, as a join
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))  // lets a stuck search go
        DispatchMessageW(&msg);
    search.join();
    CloseHandle(done);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(found, static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(own)));
    DestroyWindow(own);
}

}  // namespace velotap
