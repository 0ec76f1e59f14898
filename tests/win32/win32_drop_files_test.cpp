#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_drop_files.h"

#include <shlobj.h>  // DROPFILES

namespace velotap {

namespace {

// A drop as the shell makes it: DROPFILES followed by the paths, each ended by a 0, and one more 0.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths)
        list += path + '\0';
    list += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

}  // namespace

TEST(Win32DropFiles, PathsInDropOrderAndLongOnesWhole) {
    const std::string longPath = "C:\\" + std::string(300, 'd') + "\\Long.vtptheme";
    const std::vector<std::string> paths = {"C:\\themes\\One.vtptheme", "D:\\notes.txt", longPath,
                                            "C:\\Two.VTPTHEME"};
    EXPECT_EQ(TakeDroppedFiles(MakeDrop(paths)), paths);
}

}  // namespace velotap
