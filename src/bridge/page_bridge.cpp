#include "bridge/page_bridge.h"

#include <utility>

#include "base/json.h"

namespace velotap {

namespace {

// Every bound name becomes a global function returning a promise; the reply script settles it by
// id. The parse failure below is only a safety net: results reach the page as checked JSON.
constexpr std::string_view kPageScriptBefore = R"JS((function () {
  if (window.__velotap) return;
  var pending = {}, seq = 0;
  var post = )JS";
constexpr std::string_view kPageScriptAfter = R"JS(;
  window.__velotap = {
    call: function (name, args) {
      var id = String(++seq);
      return new Promise(function (resolve, reject) {
        pending[id] = { resolve: resolve, reject: reject };
        post(JSON.stringify({ id: id, method: name, params: Array.prototype.slice.call(args) }));
      });
    },
    settle: function (id, status, result) {
      var p = pending[id];
      if (!p) return;
      delete pending[id];
      if (status === 2) { p.reject(new Error(result)); return; }
      var settle = status === 0 ? p.resolve : p.reject;
      if (result === "") { settle(undefined); return; }
      var value;
      try { value = JSON.parse(result); } catch (e) {
        p.reject(new Error(NOT_JSON));
        return;
      }
      settle(value);
    },
    bind: function (name) {
      window[name] = function () { return window.__velotap.call(name, arguments); };
    }
  };
})();)JS";

std::string BindScript(const std::string& name) {
    return "window.__velotap.bind(" + JsonEscape(name) + ");";
}

}  // namespace

std::string PageBridgeScript(std::string_view postFunction) {
    std::string script(kPageScriptBefore);
    script += postFunction;
    script += kPageScriptAfter;
    const std::string_view marker = "NOT_JSON";
    script.replace(script.find(marker), marker.size(), JsonEscape(kBindingResultNotJson));
    return script;
}

std::string ReplyScript(std::string_view id, ReplyStatus status, std::string_view result) {
    return "window.__velotap&&window.__velotap.settle(" + JsonEscape(id) + "," +
           std::to_string(static_cast<int>(status)) + "," + JsonEscape(result) + ");";
}

PageBridge::PageBridge(WindowHost& host) : host_(host) {
    host_.AddStartScript(PageBridgeScript(host_.PagePostFunction()));
    host_.OnPageMessage([this](const std::string& message) { HandleMessage(message); });
}

PageBridge::~PageBridge() {
    host_.OnPageMessage(nullptr);
}

bool PageBridge::Bind(const std::string& name, SyncBinding fn) {
    if (!Expose(name)) return false;
    sync_.emplace(name, std::move(fn));
    return true;
}

bool PageBridge::BindAsync(const std::string& name, AsyncBinding fn) {
    if (!Expose(name)) return false;
    async_.emplace(name, std::move(fn));
    return true;
}

bool PageBridge::Expose(const std::string& name) {
    if (sync_.count(name) || async_.count(name)) return false;
    names_.push_back(name);
    host_.AddStartScript(BindScript(name));
    // A page already shown gets it too.
    host_.Eval(PageBridgeScript(host_.PagePostFunction()) + "\n" + BindScript(name));
    return true;
}

void PageBridge::Resolve(const std::string& id, int status, const std::string& result) {
    Reply(id, status == 0 ? ReplyStatus::Resolved : ReplyStatus::Rejected, result);
}

void PageBridge::Reply(const std::string& id, ReplyStatus status, const std::string& result) {
    if (status != ReplyStatus::Failed && !result.empty() && !IsJsonText(result)) {
        return Reply(id, ReplyStatus::Failed, kBindingResultNotJson);
    }
    // Through the dispatch queue even on the UI thread, so that replies and posted scripts keep
    // the order in which they were sent.
    WindowHost* host = &host_;
    host->Dispatch([host, script = ReplyScript(id, status, result)] { host->Eval(script); });
}

void PageBridge::HandleMessage(const std::string& message) {
    const std::string id = JsonLookup(message, "id");
    if (id.empty()) return;
    const std::string method = JsonLookup(message, "method");
    std::string params = JsonLookup(message, "params");
    if (params.empty()) params = "[]";
    if (auto it = sync_.find(method); it != sync_.end()) {
        Reply(id, ReplyStatus::Resolved, it->second(params));
    } else if (auto at = async_.find(method); at != async_.end()) {
        at->second(id, params);
    } else {
        Reply(id, ReplyStatus::Rejected, JsonEscape("unknown function " + method));
    }
}

}  // namespace velotap
