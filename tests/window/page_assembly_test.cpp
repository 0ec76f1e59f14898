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

}  // namespace velotap
