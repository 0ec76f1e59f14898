#pragma once
// A page for tests: the fake window host with the real page bridge, called the way the page
// script calls it (a posted message) and answered the way the page sees it (a reply script).
#include <string>

#include "bridge/page_bridge.h"
#include "platform/fake/fake_window_host.h"

namespace velotap {

struct PageReply {
    bool settled = false;  // false while an asynchronous call waits for its Resolve
    ReplyStatus status = ReplyStatus::Resolved;
    std::string result;
    bool operator==(const PageReply&) const = default;
};

class FakePage {
  public:
    FakeWindowHost host;
    PageBridge bridge{host};

    // Posts a call of `name` with the JSON argument array `args` and runs the host's dispatched
    // work; the reply the page got for it.
    PageReply Send(const std::string& name, const std::string& args = "[]");
    // The reply to an earlier call `id`, after running the host's dispatched work.
    PageReply ReplyTo(const std::string& id);
    // The result text of a resolved call (empty: undefined), or of a rejected one.
    std::string Call(const std::string& name, const std::string& args = "[]") {
        return Send(name, args).result;
    }
    // The id the next Send posts.
    std::string NextId() const { return std::to_string(sent_ + 1); }

  private:
    int sent_ = 0;
};

}  // namespace velotap
