#include <gtest/gtest.h>

#include <map>

#include "window/page_assembly.h"

namespace velotap {

namespace {

UiFileReader Files(std::map<std::string, std::string> files) {
    return [files](const std::string& name) -> std::optional<std::string> {
        auto it = files.find(name);
        if (it == files.end()) return std::nullopt;
        return it->second;
    };
}

const std::string kSortable = R"(<script src="vendor/Sortable.min.js"></script>)";
const std::string kTimeline = R"(<script src="timeline.js"></script>)";

}  // namespace

TEST(PageAssembly, InlinesFirstTagsOnly) {
    auto read = Files({{"vendor/Sortable.min.js", "S()"}, {"timeline.js", "T()"}});
    EXPECT_EQ(AssemblePage("a" + kSortable + "b" + kSortable + kTimeline, read),
              "a<script>S()</script>b" + kSortable + "<script>T()</script>");
    EXPECT_EQ(AssemblePage("<p>none</p>", read), "<p>none</p>");
}

TEST(PageAssembly, LeavesTagsItCannotInline) {
    EXPECT_EQ(AssemblePage(kSortable, Files({})), kSortable);
    EXPECT_EQ(AssemblePage(kTimeline, Files({{"timeline.js", "x='</script>'"}})), kTimeline);
    // Assembled size: html - tag + 17 + file must stay within the limit.
    const std::string page = "x" + kTimeline;
    const size_t fits = kInlinedPageLimit - (page.size() - kTimeline.size() + 17);
    std::string atLimit(fits, 'a'), over(fits + 1, 'a');
    EXPECT_EQ(AssemblePage(page, Files({{"timeline.js", atLimit}})).size(), 1 + 17 + fits);
    EXPECT_EQ(AssemblePage(page, Files({{"timeline.js", over}})), page);
}

TEST(PageAssembly, InlinesThePagesOwnModules) {
    const std::string css = R"(<link rel="stylesheet" href="css/a.css">)";
    const std::string js = R"(<script src="js/a.js"></script>)";
    const std::string up = R"(<script src="../secret.js"></script>)";
    auto read = Files({{"css/a.css", R"(/*<script src="js/b.js"></script>*/)"},
                       {"js/a.js", "A()"},
                       {"js/b.js", "B()"},
                       {"css/bad.css", "</style>"},
                       {"../secret.js", "S()"},
                       {"vendor/Sortable.min.js", "S()"}});
    struct Case {
        std::string page, assembled;
    } cases[] = {
        // No tag inside an inlined file is replaced.
        {css + js, R"(<style>/*<script src="js/b.js"></script>*/</style><script>A()</script>)"},
        {js + js, "<script>A()</script>" + js},
        {up + R"(<link rel="stylesheet" href="css/bad.css">)",
         up + R"(<link rel="stylesheet" href="css/bad.css">)"},
        // A listed script keeps its own rule: a second tag stays, also for the module pass.
        {kSortable + kSortable, "<script>S()</script>" + kSortable},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AssemblePage(c.page, read), c.assembled) << c.page;
}

}  // namespace velotap
