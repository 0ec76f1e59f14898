#include "platform/file_dialog.h"

#include <gtest/gtest.h>

namespace velotap {

TEST(FileDialog, DefaultExtensionOnlyForNamesWithoutOne) {
    struct Case {
        const char* chosen;
        const char* expected;
    } cases[] = {
        {"/home/u/walk", "/home/u/walk.vtpmacro"},
        {"/home/u/walk.vtpmacro", "/home/u/walk.vtpmacro"},
        {"/home/u/walk.txt", "/home/u/walk.txt"},
        {"/home/u.d/walk", "/home/u.d/walk.vtpmacro"},  // a dot in a folder name is no extension
        {"C:\\Users\\u.d\\walk", "C:\\Users\\u.d\\walk.vtpmacro"},
        {"/home/u/.walk", "/home/u/.walk.vtpmacro"},  // a hidden file's leading dot
        {"walk", "walk.vtpmacro"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithDefaultExtension(c.chosen, "vtpmacro"), c.expected) << c.chosen;
    EXPECT_EQ(WithDefaultExtension("/home/u/walk", ""), "/home/u/walk");
}

}  // namespace velotap
