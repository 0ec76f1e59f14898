#pragma once
// The page bridge, written once for every web view host (main window, panels, timeline editor;
// WebKitGTK, WebView2, fake). The page calls a bound name as a global function that returns a
// promise; the call travels as the message {"id","method","params"} through the host's page
// channel; the native side answers by evaluating a reply script with the same id. A host only
// carries messages, evaluates scripts and dispatches to its UI thread (platform/window_host.h).
//
// Threads: construct, Bind, BindAsync and HandleMessage on the host's UI thread (synchronous
// functions run there, while the page waits); Resolve from any thread. The bridge must outlive
// the host's message loop.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_host.h"

namespace velotap {

// Receives the JSON array text of the call's arguments and returns the result as JSON text; an
// empty text resolves the promise with undefined.
using SyncBinding = std::function<std::string(const std::string& args)>;
// Receives the call's id and argument text and settles the call later with PageBridge::Resolve.
using AsyncBinding = std::function<void(const std::string& id, const std::string& args)>;

// What a page sees when a result is not JSON: its promise rejects with an Error of this message.
inline constexpr const char* kBindingResultNotJson = "Failed to parse binding result as JSON";

// How a reply settles the page's promise.
enum class ReplyStatus {
    Resolved = 0,  // with the JSON result (empty: undefined)
    Rejected = 1,  // with the JSON result as the reason
    Failed = 2,    // with an Error whose message is the result text
};

class PageBridge {
  public:
    // Installs the page script in every page the host loads, and takes the page's messages.
    explicit PageBridge(WindowHost& host);
    ~PageBridge();
    PageBridge(const PageBridge&) = delete;
    PageBridge& operator=(const PageBridge&) = delete;

    // Binds `name` in the page. False, and nothing changes, when the name is bound already.
    bool Bind(const std::string& name, SyncBinding fn);
    bool BindAsync(const std::string& name, AsyncBinding fn);
    // The bound names in the order they were bound.
    const std::vector<std::string>& BoundNames() const { return names_; }

    // Settles call `id` of an asynchronous function: status 0 resolves the promise with the JSON
    // `result` (empty: undefined), any other status rejects it with that value. A result that is
    // not JSON rejects it with kBindingResultNotJson. Any thread.
    void Resolve(const std::string& id, int status, const std::string& result);

    // One message the page posted. A malformed message (no id) has nobody to answer and is
    // dropped; an unknown method is rejected.
    void HandleMessage(const std::string& message);

  private:
    bool Expose(const std::string& name);
    void Reply(const std::string& id, ReplyStatus status, const std::string& result);

    WindowHost& host_;
    std::map<std::string, SyncBinding, std::less<>> sync_;
    std::map<std::string, AsyncBinding, std::less<>> async_;
    std::vector<std::string> names_;
};

// The script that settles call `id` in the page.
std::string ReplyScript(std::string_view id, ReplyStatus status, std::string_view result);

// The page side of the bridge, run before the page's own scripts; `postFunction` is the host's
// JavaScript function that hands one message text to the native side.
std::string PageBridgeScript(std::string_view postFunction);

}  // namespace velotap
