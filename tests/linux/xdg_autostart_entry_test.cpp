#include <gtest/gtest.h>

#include "platform/linux/xdg_autostart_entry.h"

namespace velotap {

TEST(AutostartEntry, ExecLineQuoting) {
    struct Case {
        std::string path, exec;
    } cases[] = {
        {"/opt/velotap/VelotapApp", R"(Exec="/opt/velotap/VelotapApp")"},
        {"/home/a b/V", R"(Exec="/home/a b/V")"},
        {R"(/x/$HOME`"\%)", R"(Exec="/x/\\$HOME\\`\\"\\\\%%")"},
    };
    for (const auto& c : cases) {
        std::optional<std::string> entry = AutostartDesktopEntry(c.path);
        ASSERT_TRUE(entry);
        EXPECT_NE(entry->find("\n" + c.exec + "\n"), std::string::npos) << *entry;
        EXPECT_TRUE(entry->starts_with("[Desktop Entry]\n"));
    }
    EXPECT_FALSE(AutostartDesktopEntry("/bad\npath"));
}

}  // namespace velotap
